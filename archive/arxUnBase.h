// TUnBase, the base of every extracting reader: the run of one extraction or
// test pass, and the per-member services the format drivers call: selection
// by FileSpec, the begin/overwrite/rename dialogue, the output file,
// passwords, the CRC verdict, and restoring date and attributes.
#pragma once

#include "archive/arxBase.h"
#include "archive/codecs/arxMemberIo.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace sorvane {

// FileSpec selection shared by the extracting readers and the directory
// reader. Name-only form: a mask with a "." matches a name without one as if
// it ended in ".".
bool MatchesFileSpec(const std::string& Name, const std::vector<std::string>& Spec,
                     const std::vector<std::string>& Exclusions);
// Path-aware form; may store a changed mask back into Spec (see the .cpp).
bool MatchesFileSpecDirs(const std::string& Name, std::vector<std::string>& Spec,
                         const std::vector<std::string>& Exclusions, bool Recurse);

class TUnBase : public TZipCommon {
public:
    TUnBase();

    // The format driver: walks the headers, then extracts the selected members.
    virtual void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg);
    // Compares StoredCrc with the running CRC of that width (16, else 32) and
    // fires OnEnd; a failure without OnEnd reports 25151.
    virtual bool CheckCrc(int Width, std::uint32_t StoredCrc);
    // The declared size of a member whose format stores none.
    static constexpr std::int64_t kNoDeclaredSize = -1;
    // What the verdict on the member in hand is taken from.
    struct TMemberCheck {
        TDecodeResult Result = TDecodeResult::Done;
        // 16 or 32: StoredCrc is compared with the running CRC of that width;
        // 0: CrcPassed tells (the format keeps no CRC, or the decoder checked it).
        int CrcWidth = 32;
        std::uint32_t StoredCrc = 0;
        bool CrcPassed = true;
        // Compared with MemberWritten; kNoDeclaredSize where the format stores none.
        std::int64_t DeclaredSize = kNoDeclaredSize;
        // A retry follows a failure: the caller corrects the count itself.
        bool KeepCount = false;
    };
    // The verdict on the member in hand. It passes only when its decoder
    // reported Done, its CRC matches and the bytes written equal its declared
    // size. Fires OnEnd once with the verdict; without OnEnd a member whose
    // data decoded but did not check out reports 25151 (a corrupt stream or a
    // failed write was reported where it happened). A member that fails is
    // taken back out of ResultCount.
    bool MemberVerdict(const TMemberCheck& Check);
    // Whether the 12-byte encryption header passes with Password; none here.
    virtual bool CheckPassword(std::uint8_t* Header12);
    void SetArchiveFile(const std::string& value) override { TZipCommon::SetArchiveFile(value); }

    // Extracts into files (output mode 0); the members written, 0 when the
    // archive could not be opened.
    int Extract();
    // Decodes and checks every selected member, writing nothing (mode 6).
    int TestFiles();

    bool OpenArchive(std::unique_ptr<TArxBaseStream>& Stream);
    void CloseArchive(std::unique_ptr<TArxBaseStream>& Stream) { Stream.reset(); }
    int RunExtract(std::unique_ptr<TArxBaseStream>& Stream, int Arg);

    bool MatchFileSpec(const std::string& Name, const std::vector<std::string>& Spec,
                       const std::vector<std::string>& Exclusions) const {
        return MatchesFileSpec(Name, Spec, Exclusions);
    }
    bool MatchFileSpecDirs(const std::string& Name, std::vector<std::string>& Spec,
                           const std::vector<std::string>& Exclusions, bool Recurse) const {
        return MatchesFileSpecDirs(Name, Spec, Exclusions, Recurse);
    }

    // May the current member be written; counts it in ResultCount when so.
    bool CheckOverwrite(bool Force);
    bool OpenOutputFile(std::unique_ptr<TArxBaseStream>& Stream, const std::string& FileName,
                        const std::string& StoredName);
    // Reads the 12-byte encryption header and finds a password that passes.
    bool GetPassword(TArxBaseStream& Stream);
    // Closes the output and restores date and attributes (mode 0); in other
    // modes CurrentFileName := FileName (the stored name).
    void SetFileAttrDate(std::unique_ptr<TArxBaseStream>& Stream, const std::string& FileName,
                         std::uint32_t Attr, std::uint32_t DosDate);
    void MemberDone(const TMemberHeader& Header);

    // The member in hand is enciphered; no password passed in this run.
    bool MemberEncrypted = false;
    bool PasswordFailed = false;
    // An enciphered member after a failed password: the driver skips its data;
    // it is neither counted nor reported as extracted.
    bool SkipsMember() const { return MemberEncrypted && PasswordFailed; }
    // The stored name of the member in hand, named to events outside mode 0.
    std::string StoredName;
    // The last run could not open its archive or ended on an error.
    bool RunFailed = false;
    // The 12-byte encryption header GetPassword read.
    std::array<std::uint8_t, 12> PasswordHeader{};

private:
    // One extraction or test pass in output mode `mode`.
    int RunPass(std::uint8_t mode);
    bool ConfirmExistingTarget();
    bool TryPassword(const std::string& candidate);
    const std::string& EventName() const;
};

} // namespace sorvane
