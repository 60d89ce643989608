// TUnBase, the base of every extracting reader: the run of one extraction or
// test pass, and the per-member services the format drivers call: selection
// by FileSpec, the begin/overwrite/rename dialogue, the output file,
// passwords, the CRC verdict, and restoring date and attributes.
#pragma once

#include "archive/arxBase.h"

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
