// TUnBase, the base of every extracting reader: the run of one extraction or
// test pass, and the per-member services the format drivers call: selection
// by FileSpec, the begin/overwrite/rename dialogue, the output file,
// passwords, the CRC verdict, and restoring date and attributes.
#pragma once

#include "archive/arxBase.h"
#include "archive/codecs/arxMemberIo.h"

#include <array>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
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

// The prefix of the temporary file a member is written to beside its name
// (output mode 0). A "\\" separates the steps of every stored name, so no
// member's name can hold one and no member can ever be written over it.
inline constexpr char kPartialFilePrefix[] = ".sorvane-partial\\";

class TUnBase : public TZipCommon {
public:
    TUnBase();
    ~TUnBase() override;

    // The format driver: walks the headers, then extracts the selected members.
    virtual void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg);
    // Compares StoredCrc with the running CRC of that width (16, else 32) and
    // fires OnEnd; a failure without OnEnd reports 25151.
    virtual bool CheckCrc(int Width, std::uint32_t StoredCrc);
    // Whether the running checksum of `Width` bits equals the stored one.
    bool RunningCrcMatches(int Width, std::uint32_t StoredCrc) const;
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
        // The member goes on in the next volume: a passed part keeps its
        // temporary file for the next (see FinishMember).
        bool Continues = false;
    };
    // The verdict on the member in hand. It passes only when its decoder
    // reported Done, its CRC matches and the bytes written equal its declared
    // size. Fires OnEnd once with the verdict; without OnEnd a member whose
    // data decoded but did not check out reports 25151 (a corrupt stream or a
    // failed write was reported where it happened). A member that fails is
    // taken back out of ResultCount. Ends with FinishMember, so it comes
    // after SetFileAttrDate.
    bool MemberVerdict(const TMemberCheck& Check);
    // The bounded I/O of the member in hand. Read takes at most Packed bytes
    // in all from In where it stands (through ReadProc, deciphered when
    // Decipher; BytesRemaining follows); Write hands at most Unpacked bytes in
    // all to WriteOutput with the running CRC of CrcWidth (0: none) and
    // reports the member's progress; Cancel is the run's flag.
    TMemberIo MemberIo(TArxBaseStream& In, TArxBaseStream* Out, std::int64_t Packed,
                       std::int64_t Unpacked, int CrcWidth, bool Decipher = false);
    // A stored member copied by CopyStoredMember from where In stands, and
    // how the copy ended.
    TDecodeResult CopyStored(TArxBaseStream& In, TArxBaseStream* Out, const TMemberHeader& Header,
                             const std::string& Name, int CrcWidth);
    // The writing half alone, for a reader with an input of its own.
    TMemberIo MemberWriter(TArxBaseStream* Out, std::int64_t Unpacked, int CrcWidth);
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
    // The member's output. In mode 0 it is a new temporary file (see
    // kPartialFilePrefix) in the folder of FileName, which is created now; the
    // name itself is untouched until FinishMember renames the checked member
    // onto it. A failure is reported here (25235 with the system's reason and
    // the name) and gives false.
    bool OpenOutputFile(std::unique_ptr<TArxBaseStream>& Stream, const std::string& FileName,
                        const std::string& StoredName);
    // The member's verdict, after SetFileAttrDate. In mode 0 a passed member's
    // temporary file gets its date and attributes and is renamed onto its
    // name (replacing the directory entry, so other hard links of an old file
    // stay as they were); a failed one's is removed and the name left as it
    // was. `Whole` false keeps a passed part's temporary file for the next
    // part of a member continued in the next volume (ContinueOutputFile). A
    // name written a second time in one run is counted once. Gives whether
    // the member (or its part) stands.
    bool FinishMember(bool Passed, bool Whole = true);
    // Reopens, for appending, the temporary file a continued member's earlier
    // part left (mode 0); false when none is held.
    bool ContinueOutputFile(std::unique_ptr<TArxBaseStream>& Stream);
    // The temporary file of the member being written in mode 0 (its
    // descriptor under /proc for one with no name yet); '' when none.
    std::string PartialFileName() const;
    // Reads the 12-byte encryption header and finds a password that passes.
    bool GetPassword(TArxBaseStream& Stream);
    // Closes the output and restores date and attributes (mode 0); in other
    // modes CurrentFileName := FileName (the stored name).
    void SetFileAttrDate(std::unique_ptr<TArxBaseStream>& Stream, const std::string& FileName,
                         std::uint32_t Attr, std::uint32_t DosDate);
    // The same for a member whose archive stores its time as seconds since
    // the Unix epoch (and Nanoseconds within it, where it stores them): that
    // time is set as stored, in any time zone.
    void SetFileAttrUnixTime(std::unique_ptr<TArxBaseStream>& Stream, const std::string& FileName,
                             std::uint32_t Attr, std::int64_t UnixTime,
                             std::uint32_t Nanoseconds = 0);
    void MemberDone(const TMemberHeader& Header);
    // The extraction's answer to a declined volume: the volume is reported
    // by its name, without a cancel of the run.
    void VolumeDeclined(const std::string& Volume) override;
    // A folder member, as its CurrentFileName (output mode 0 with stored
    // folders used and made; nothing otherwise). Nothing is made now: when the run
    // ends, the folder is made only when no member of the run was meant for
    // a file inside it (the archive stores it empty), and every folder the
    // run made for it or for the files written into it gets the stored time,
    // after its contents. Without UnixTime the time is DosDate.
    void RememberFolder(const std::string& FileName, std::optional<std::int64_t> UnixTime,
                        std::uint32_t DosDate, std::uint32_t Nanoseconds = 0);

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
    // The member being written in mode 0, beside its name: a file with no
    // name yet (Temp '') or a named temporary file, open on Fd.
    struct TPartialFile {
        std::string Temp, Target;
        int Fd = -1;
        std::vector<std::string> Folders; // made for it, removed again when it fails
        bool Held = false;                // a passed part waiting for its member's next part
        bool Dated = false;               // SetFileAttrDate has run
        std::uint32_t Attr = 0x20;        // archive
        std::optional<std::int64_t> UnixTime;
        std::uint32_t Nanoseconds = 0;
        std::uint32_t DosDate = 0;
    };

    // One extraction or test pass in output mode `mode`.
    int RunPass(std::uint8_t mode);
    void CloseAndDate(std::unique_ptr<TArxBaseStream>& Stream, const std::string& FileName,
                      std::uint32_t Attr, std::optional<std::int64_t> UnixTime,
                      std::uint32_t Nanoseconds, std::uint32_t DosDate);
    // The date and attributes of a member's file, by its descriptor (an int)
    // or its path (a std::string).
    template <typename Target>
    void ApplyAttrDate(const Target& File, std::uint32_t Attr, std::optional<std::int64_t> UnixTime,
                       std::uint32_t Nanoseconds, std::uint32_t DosDate);
    // Removes the temporary file and the folders made for it; a held part's
    // member, counted with its first part, is taken off the count when
    // `uncountHeld`.
    void DiscardPartial(bool uncountHeld);
    void ReportOpenFailure(const std::string& FileName, const std::string& Reason);

    std::optional<TPartialFile> partial_;
    // The folder the last member's file went into, made or found then.
    std::string lastFolder_;
    // The last temporary name given up, tried first for the next member
    // that needs one.
    std::string freeTemp_;
    // The folder members of the run, made and dated when it ends.
    struct TFolderMember {
        std::string Path; // without its trailing "/"
        std::optional<std::int64_t> UnixTime;
        std::uint32_t Nanoseconds = 0;
        std::uint32_t DosDate = 0;
    };
    std::vector<TFolderMember> folderMembers_;
    // The folders the run made for files that stand, and the folders of
    // every member the run meant to write (written, skipped or failed).
    std::set<std::string> madeFolders_, claimedFolders_;
    void ClaimFolders(const std::string& FileName);
    // Makes the folders stored empty and dates those the run made.
    void FinishFolders();
    // The names members were renamed onto in this run.
    std::unordered_set<std::string> written_;
    bool ConfirmExistingTarget();
    bool TryPassword(const std::string& candidate);
    const std::string& EventName() const;
};

} // namespace sorvane
