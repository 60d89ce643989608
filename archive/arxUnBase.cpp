// The extraction base.
#include "archive/arxUnBase.h"

#include "archive/arxCrc.h"
#include "archive/arxHelpers.h"
#include "archive/arxMask.h"
#include "platform/Directory.h"
#include "platform/FileAttributes.h"
#include "platform/Folders.h"
#include "platform/StreamFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

namespace sorvane {
namespace {

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::toupper(x) == std::toupper(y);
           });
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The folder part of a stored name with its trailing "\"; '' without one.
std::string StoredFolder(const std::string& name) {
    const auto sep = name.find_last_of('\\');
    return sep == std::string::npos ? std::string() : name.substr(0, sep + 1);
}

std::string LastStep(const std::string& name) {
    const auto sep = name.find_last_of('\\');
    return sep == std::string::npos ? name : name.substr(sep + 1);
}

bool Excluded(const std::string& name, const std::vector<std::string>& exclusions) {
    return std::any_of(exclusions.begin(), exclusions.end(),
                       [&](const std::string& mask) { return MatchesMask(name, mask); });
}

bool HasDot(const std::string& text) {
    return text.find('.') != std::string::npos;
}

// The output stream over the descriptor of a member's temporary file; the
// descriptor stays open with the member until FinishMember or DiscardPartial.
class TPartialStream : public THandleStream32 {
public:
    explicit TPartialStream(int handle) : THandleStream32(handle) {}
};

// Why a name cannot be created in its folder before anything is written: a
// step longer than the file system takes, or a path longer than the system's.
std::string NameTooLong(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::size_t last = path.size() - (slash == std::string::npos ? 0 : slash + 1);
    if (last > NAME_MAX || path.size() >= PATH_MAX) return std::strerror(ENAMETOOLONG);
    return {};
}

} // namespace

TUnBase::TUnBase() {
    CreateStoredDirs = false;
    AsciiTranslation = false;
    DateAttribute = daFileDate;
    RecurseDirs = true;
    RestoreFileAttr = true;
}

TUnBase::~TUnBase() {
    DiscardPartial(false);
}

void TUnBase::ExtractFiles(std::unique_ptr<TArxBaseStream>&, int) {}

bool TUnBase::CheckPassword(std::uint8_t*) {
    return false;
}

// ---------------------------------------------------------------------------
// The run

int TUnBase::Extract() {
    return RunPass(kOutputFiles);
}

int TUnBase::TestFiles() {
    return RunPass(kOutputCountOnly);
}

int TUnBase::RunPass(std::uint8_t mode) {
    OutputMode = mode;
    std::unique_ptr<TArxBaseStream> stream;
    RunFailed = false;
    if (!OpenArchive(stream)) {
        RunFailed = true;
        ResultCount = 0;
        return 0;
    }
    RunExtract(stream, 0);
    CloseArchive(stream);
    return ResultCount;
}

bool TUnBase::OpenArchive(std::unique_ptr<TArxBaseStream>& Stream) {
    if (ArchiveFile.empty()) {
        ReportError(ArchiveFile, "", "", kMsgFileNotFound);
        return false;
    }
    if (ArcType == atZipDS || ArcType == atZipMV) {
        if (!DiskManager.ReadDrive(ArchiveFile, InsertDiskHandler(), nullptr, ReportProc(),
                                   RaiseProc()))
            return false;
    }
    Stream.reset();
    if (ArcType == atAce || ArcType == atAceExe || ArcType == atCab || ArcType == atCabExe ||
        ArcType == atRar || ArcType == atRarExe)
        return true;
    auto file = std::make_unique<TFileStream32>(ArchiveFile, TFileStream32::kModeReadDenyWrite);
    if (file->Handle < 0) {
        ReportError(ArchiveFile, "", "", kMsgOpenError);
        return false;
    }
    ArchiveSize = file->Size();
    Stream = std::move(file);
    return true;
}

int TUnBase::RunExtract(std::unique_ptr<TArxBaseStream>& Stream, int Arg) {
    *CancelFlagRef = 0;
    RunFailed = false;
    ResultCount = 0;
    ProgressProc = [this] { FireProgress(); };
    FileTotal = 0;
    MaxFileDate = 0;
    ArchiveTotal = 0;
    VolumeNumber = -1;
    ProgressByArchive = 0;
    BytesRemaining = 0;
    if (CpuType == cpt80486) CpuType = cptAuto;
    VolumeName = ArchiveFile;
    ExclusionList.clear();
    MemberEncrypted = PasswordFailed = false;
    ArjPasswordPos = 1;
    DiscardPartial(false);
    lastFolder_.clear();
    written_.clear();
    folderMembers_.clear();
    madeFolders_.clear();
    claimedFolders_.clear();

    const std::string savedArchive = ArchiveFile;
    try {
        if (OnActivate) OnActivate(*this);
    } catch (...) {
        ArchiveFile = savedArchive;
        return ResultCount;
    }
    if (OnElapsedTime) Timer.Start();
    try {
        CurrentFileName.clear();
        BytesRemaining = ArchiveSize;
        if (ArcType != atGZip && ArcType != atMsGZ) AsciiTranslation = false;
        ExtractFiles(Stream, Arg);
    } catch (const E_RAISE&) {
        RunFailed = true; // already reported through OnError
    } catch (const std::exception& error) {
        RunFailed = true;
        try {
            ReportError(ArchiveFile, error.what(), "", kMsgReadError);
        } catch (...) {
        }
    }
    // A member still unfinished (a stop, a missing next volume, a failure
    // that ended the run) leaves no file and is not counted.
    DiscardPartial(true);
    try {
        FinishFolders();
    } catch (...) {
    }
    try {
        if (OnElapsedTime) {
            Timer.Stop();
            OnElapsedTime(*this, Timer.ElapsedTime);
        }
        if (OnDeactivate) OnDeactivate(*this);
    } catch (...) {
    }
    ArchiveFile = savedArchive;
    return ResultCount;
}

// ---------------------------------------------------------------------------
// Selection

bool MatchesFileSpec(const std::string& Name, const std::vector<std::string>& Spec,
                     const std::vector<std::string>& Exclusions) {
    if (Name.empty()) return false;
    for (const std::string& mask : Spec) {
        const std::string tested = HasDot(mask) && !HasDot(Name) ? Name + "." : Name;
        if (MatchesMask(tested, mask)) return !Excluded(Name, Exclusions);
    }
    return false;
}

bool MatchesFileSpecDirs(const std::string& Name, std::vector<std::string>& Spec,
                         const std::vector<std::string>& Exclusions, bool Recurse) {
    if (Name.empty()) return false;
    const std::string nameFolder = StoredFolder(Name);
    for (std::string& mask : Spec) {
        if (mask.empty()) continue;
        if (SameText(mask, Name)) return true;
        const std::string maskFolder = StoredFolder(mask);
        std::string tested = Name;
        if (!Recurse) {
            if (!SameText(maskFolder, nameFolder)) continue;
        } else if (maskFolder.empty()) {
            tested = LastStep(Name);
        }
        bool matched = MatchesMask(tested, mask);
        if (!matched) {
            if (!HasDot(tested)) tested += '.';
            if (!HasDot(mask)) mask += '.';
            matched = MatchesMask(tested, mask);
        }
        if (matched) return !Excluded(Name, Exclusions);
    }
    return false;
}

// ---------------------------------------------------------------------------
// Output

const std::string& TUnBase::EventName() const {
    return OutputMode == kOutputFiles ? CurrentFileName : StoredName;
}

bool TUnBase::CheckOverwrite(bool Force) {
    MemberCounted = false;
    MemberWritten = 0;
    if (Force) return true;
    if (OutputMode == kOutputFiles && CurrentNameRefused) return false;
    Timer.Pause();
    struct ResumeTimer {
        TarxTimer& timer;
        ~ResumeTimer() { timer.Resume(); }
    } resume{Timer};

    bool extract = true;
    if (OnBegin) {
        checkedMissing_.clear(); // the caller's code may make the name
        if (OutputMode == kOutputFiles && OnRenameFile) {
            std::string newName = CurrentFileName;
            OnRenameFile(*this, CurrentFileName, newName);
            if (!newName.empty()) CurrentFileName = newName;
        }
        OnBegin(*this, EventName(), ResultCount + 1, extract);
    }
    // A member meant for a folder keeps a folder entry from making it empty,
    // whether the member is then written, declined, skipped or fails.
    if (OutputMode == kOutputFiles) ClaimFolders(CurrentFileName);
    if (GetCancel() || !extract) return false;
    if (OutputMode == kOutputFiles) {
        const bool mayWrite =
            ConfirmOverwrites ? ConfirmExistingTarget() : OverwriteMode == omOverwrite;
        if (!mayWrite) return false;
    }
    ++ResultCount;
    MemberCounted = true;
    return true;
}

// The dialogue about an existing target; true when it may be written.
bool TUnBase::ConfirmExistingTarget() {
    OverwriteMode = omOverwrite;
    // Nothing was at the name when its path was checked, just before.
    if (!CurrentFileName.empty() && CurrentFileName == checkedMissing_) return !GetCancel();
    if (StreamFileExists(CurrentFileName)) {
        if (!OnFileExists) {
            ReportError(CurrentFileName, "OnFileExists", ArchiveFile, kMsgEventNotAssigned);
            OverwriteMode = omSkip;
        } else {
            do {
                std::string newName;
                OnFileExists(*this, CurrentFileName, newName, OverwriteMode);
                if (newName.empty()) newName = CurrentFileName;
                if (OverwriteMode == omOverwrite) {
                    // Byte for byte: names differing only in case are two files here.
                    if (newName == CurrentFileName) break;
                    CurrentFileName = newName;
                }
            } while (!GetCancel() && OverwriteMode != omSkip && StreamFileExists(CurrentFileName));
        }
    }
    if (GetCancel() || OverwriteMode == omSkip) return false;
    if (const auto attributes = ReadDosAttributes(CurrentFileName)) {
        // A folder or anything else that is no regular file cannot be replaced
        // by the member, whatever its permissions.
        // A read-only file is replaced by the rename that ends the member,
        // and stays as it was until then.
        if (*attributes & (kDosSystem | kDosDirectory)) {
            ReportError(CurrentFileName, "", ArchiveFile, kMsgWriteError);
            return false;
        }
    }
    return OverwriteMode == omOverwrite && !CurrentFileName.empty();
}

bool TUnBase::OpenOutputFile(std::unique_ptr<TArxBaseStream>& Stream, const std::string& FileName,
                             const std::string& StoredNameArg) {
    if (SkipsMember()) {
        // It was counted when it was accepted; it is not extracted.
        UncountMember();
        return true;
    }
    if (FileName.empty()) return false;
    switch (OutputMode) {
    case kOutputFiles: {
        if (CurrentNameRefused) return false;
        DiscardPartial(true); // an earlier attempt, or a part whose member never went on
        OutputFailed = false;
        TPartialFile file;
        file.Target = FileName;
        const std::string folder = FolderOf(FileName);
        std::string reason = NameTooLong(FileName);
        // The folder of the member before is not looked up again.
        if (reason.empty() && !folder.empty() && folder != lastFolder_) {
            lastFolder_.clear();
            if (CreateFolderPath(folder, file.Folders))
                lastFolder_ = folder;
            else
                reason = std::strerror(errno != 0 ? errno : ENOTDIR);
        }
        int fd = -1;
        if (reason.empty()) {
            // A new name gets a file with no name yet, named only when it
            // passes (a killed run leaves nothing); a name in use, or a file
            // system without unnamed files, gets a named temporary file.
            struct stat info {};
            const bool checked = FileName == checkedMissing_;
            checkedMissing_.clear();
            if (checked || (::lstat(FileName.c_str(), &info) != 0 && errno == ENOENT)) {
                fd = OpenUnnamedFileIn(folder);
                if (fd < 0 && errno == ENOENT && !folder.empty()) {
                    // The folder went away since the member before.
                    lastFolder_.clear();
                    if (CreateFolderPath(folder, file.Folders)) fd = OpenUnnamedFileIn(folder);
                }
            }
            if (fd < 0) {
                file.Temp = freeTemp_;
                fd = CreateNewFileIn(folder, kPartialFilePrefix, file.Temp, reason);
            }
        }
        file.Fd = fd;
        partial_ = std::move(file);
        if (fd < 0) {
            partial_->Temp.clear();
            DiscardPartial(false);
            ReportOpenFailure(FileName, reason);
            return false;
        }
        Stream = std::make_unique<TPartialStream>(fd);
        return true;
    }
    case kOutputAppend: {
        CreateFolderPath(FolderOf(FileName));
        auto file = std::make_unique<TFileStream32>(FileName, TFileStream32::kModeReadWrite);
        if (file->Handle < 0) {
            ReportOpenFailure(FileName, StreamFileErrorText(StreamFileLastError()));
            return false;
        }
        file->Seek(0, TSeekOrigin::End);
        Stream = std::move(file);
        return true;
    }
    case kOutputCallerStream: {
        if (OutputStream == nullptr) {
            ReportOpenFailure(StoredNameArg, "no output stream");
            return false;
        }
        OutputRecords.push_back({0, 0, OutputStream->Position(), StoredNameArg.substr(0, 255)});
        return true;
    }
    case kOutputGivenStream:
        if (Stream == nullptr) ReportOpenFailure(StoredNameArg, "no output stream");
        return Stream != nullptr;
    default:
        return true;
    }
}

void TUnBase::ReportOpenFailure(const std::string& FileName, const std::string& Reason) {
    ReportError(FileName, FileName + ": " + Reason, ArchiveFile, kMsgOpenError);
}

std::string TUnBase::PartialFileName() const {
    if (!partial_) return {};
    if (!partial_->Temp.empty() || partial_->Fd < 0) return partial_->Temp;
    return "/proc/self/fd/" + std::to_string(partial_->Fd);
}

bool TUnBase::ContinueOutputFile(std::unique_ptr<TArxBaseStream>& Stream) {
    if (OutputMode != kOutputFiles || !partial_ || !partial_->Held) return false;
    auto file = std::make_unique<TPartialStream>(partial_->Fd);
    if (file->Seek(0, TSeekOrigin::End) < 0) {
        ReportOpenFailure(partial_->Target, std::strerror(errno));
        DiscardPartial(true);
        return false;
    }
    Stream = std::move(file);
    partial_->Held = partial_->Dated = false;
    OutputFailed = false;
    return true;
}

void TUnBase::DiscardPartial(bool uncountHeld) {
    if (!partial_) return;
    if (uncountHeld && partial_->Held) ResultCount = std::max(0, ResultCount - 1);
    if (partial_->Fd >= 0) StreamFileClose(partial_->Fd);
    if (!partial_->Temp.empty() && StreamFileDelete(partial_->Temp)) freeTemp_ = partial_->Temp;
    if (!partial_->Folders.empty()) lastFolder_.clear();
    for (auto folder = partial_->Folders.rbegin(); folder != partial_->Folders.rend(); ++folder)
        RemoveEmptyFolder(*folder);
    partial_.reset();
}

bool TUnBase::FinishMember(bool Passed, bool Whole) {
    if (OutputMode != kOutputFiles || !partial_) return Passed;
    if (!Passed || OutputFailed) {
        DiscardPartial(false);
        return false;
    }
    if (!Whole) {
        partial_->Held = true;
        return true;
    }
    const TPartialFile file = std::move(*partial_);
    partial_.reset();
    // Date and attributes through the descriptor, then the name.
    if (file.Dated)
        ApplyAttrDate(file.Fd, file.Attr, file.UnixTime, file.Nanoseconds, file.DosDate);
    std::string reason;
    const bool named = file.Temp.empty()
                           ? NameUnnamedFile(file.Fd, file.Target, kPartialFilePrefix, reason)
                           : ReplaceByRename(file.Temp, file.Target, reason);
    StreamFileClose(file.Fd);
    if (!named) {
        if (!file.Temp.empty()) StreamFileDelete(file.Temp);
        ReportError(file.Target, file.Target + ": " + reason, ArchiveFile, kMsgWriteError);
        UncountMember();
        return false;
    }
    if (!file.Temp.empty()) freeTemp_ = file.Temp;
    // Two members of one name make one file.
    if (!written_.insert(file.Target).second) UncountMember();
    madeFolders_.insert(file.Folders.begin(), file.Folders.end());
    return true;
}

// ---------------------------------------------------------------------------
// Folder members

namespace {

std::string WithoutSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

void TUnBase::ClaimFolders(const std::string& FileName) {
    // Every folder above the file up to the destination; one already claimed
    // has its own parents claimed too.
    std::string folder = WithoutSlash(FolderOf(FileName));
    const std::string top = WithoutSlash(ExtractDir);
    while (folder.size() > top.size() && claimedFolders_.insert(folder).second) {
        const auto slash = folder.find_last_of('/');
        if (slash == std::string::npos) break;
        folder.erase(slash);
    }
}

void TUnBase::RememberFolder(const std::string& FileName, std::optional<std::int64_t> UnixTime,
                             std::uint32_t DosDate, std::uint32_t Nanoseconds) {
    if (OutputMode != kOutputFiles || !UseStoredDirs || !CreateStoredDirs || FileName.empty())
        return;
    folderMembers_.push_back({WithoutSlash(FileName), UnixTime, Nanoseconds, DosDate});
}

void TUnBase::FinishFolders() {
    if (OutputMode != kOutputFiles) return;
    // Made first, all of them: making a folder changes its parent's time.
    if (!GetCancel()) {
        for (const TFolderMember& folder : folderMembers_) {
            if (claimedFolders_.count(folder.Path) != 0 || IsDirectory(folder.Path)) continue;
            std::vector<std::string> made;
            const bool ok = CreateFolderPath(folder.Path, made);
            madeFolders_.insert(made.begin(), made.end());
            if (!ok) ReportOpenFailure(folder.Path, std::strerror(errno != 0 ? errno : ENOTDIR));
        }
    }
    for (const TFolderMember& folder : folderMembers_) {
        if (madeFolders_.count(folder.Path) == 0) continue; // not ours, or never made
        if (folder.UnixTime && DateAttribute == daFileDate)
            SetFileModifiedUnixTime(folder.Path, *folder.UnixTime, folder.Nanoseconds);
        else if (!folder.UnixTime || DateAttribute != daSysDate)
            SetFileModifiedTime(folder.Path, DosDateToDateTime(FileDateFor(folder.DosDate)));
    }
    folderMembers_.clear();
}

// ---------------------------------------------------------------------------
// Passwords and CRC

bool TUnBase::TryPassword(const std::string& candidate) {
    Password = candidate;
    std::array<std::uint8_t, 12> header = PasswordHeader;
    return CheckPassword(header.data());
}

bool TUnBase::GetPassword(TArxBaseStream& Stream) {
    Timer.Pause();
    struct ResumeTimer {
        TarxTimer& timer;
        ~ResumeTimer() { timer.Resume(); }
    } resume{Timer};

    PasswordHeader.fill(0);
    ReadProc(Stream, static_cast<std::int64_t>(PasswordHeader.size()), 0, false,
             PasswordHeader.data());
    if (TryPassword(Password)) return true;
    for (const std::string& candidate : Passwords) {
        if (TryPassword(candidate)) return true;
    }
    if (!OnGetPassword) {
        ReportError(CurrentFileName, "OnGetPassword", ArchiveFile, kMsgEventNotAssigned);
        return false;
    }
    for (int attempt = 0; attempt < PasswordAttempts && !GetCancel(); ++attempt) {
        bool tryAgain = true;
        std::string answer = Password;
        OnGetPassword(*this, CurrentFileName, answer, tryAgain);
        if (!tryAgain) {
            ReportError(CurrentFileName, "User canceled", ArchiveFile, kMsgInvalidPassword);
            break;
        }
        if (TryPassword(answer)) {
            Passwords.insert(Passwords.begin(), answer);
            return true;
        }
        ReportError(CurrentFileName, answer, ArchiveFile, kMsgInvalidPassword);
        Password.clear();
    }
    return false;
}

bool TUnBase::RunningCrcMatches(int Width, std::uint32_t StoredCrc) const {
    const std::uint32_t running = Width == 16 ? Crc16.Low16() : Crc32.Value();
    return (Width == 16 ? (StoredCrc & 0xFFFFu) : StoredCrc) == running;
}

bool TUnBase::CheckCrc(int Width, std::uint32_t StoredCrc) {
    if (GetCancel()) return false;
    const bool passed = RunningCrcMatches(Width, StoredCrc);
    if (OnEnd)
        OnEnd(*this, EventName(), passed);
    else if (!passed)
        ReportError(EventName(), "", ArchiveFile, kMsgCrcFailed);
    return passed;
}

bool TUnBase::MemberVerdict(const TMemberCheck& Check) {
    const bool decoded =
        Check.Result == TDecodeResult::Done || Check.Result == TDecodeResult::InputEnded;
    bool passed = false;
    if (decoded && !GetCancel()) {
        const bool crc = Check.CrcWidth == 0 ? Check.CrcPassed
                                             : RunningCrcMatches(Check.CrcWidth, Check.StoredCrc);
        passed = Check.Result == TDecodeResult::Done && crc &&
                 (Check.DeclaredSize < 0 || MemberWritten == Check.DeclaredSize);
        if (OnEnd)
            OnEnd(*this, EventName(), passed);
        else if (!passed)
            ReportError(EventName(), "", ArchiveFile, kMsgCrcFailed);
    } else if (OnEnd) {
        OnEnd(*this, EventName(), false);
    }
    if (!passed && !Check.KeepCount) UncountMember();
    // The checked member takes its name; a failed one leaves no file.
    return FinishMember(passed, !Check.Continues);
}

TDecodeResult TUnBase::CopyStored(TArxBaseStream& In, TArxBaseStream* Out,
                                  const TMemberHeader& Header, const std::string& Name,
                                  int CrcWidth) {
    const std::int64_t before = MemberWritten;
    const std::int64_t left = CopyStoredMember(In, Out, Header, Name, CrcWidth);
    if (GetCancel()) return TDecodeResult::Canceled;
    const std::int64_t copied = std::max<std::int64_t>(Header.PackedSize, 0) - left;
    if (MemberWritten - before != copied) return TDecodeResult::WriteFailed;
    return left > 0 ? TDecodeResult::InputEnded : TDecodeResult::Done;
}

TMemberIo TUnBase::MemberWriter(TArxBaseStream* Out, std::int64_t Unpacked, int CrcWidth) {
    TMemberIo io;
    io.UnpackedSize = std::max<std::int64_t>(Unpacked, 0);
    io.Cancel = CancelFlagRef;
    io.Write = [this, Out, CrcWidth, limit = io.UnpackedSize,
                written = std::int64_t{0}](const std::uint8_t* buf, std::int64_t count) mutable {
        count = std::min(count, limit - written);
        if (count <= 0) return std::int64_t{0};
        // A failed write has been reported and taken off the count there.
        if (WriteOutput(Out, buf, 1, count, CrcWidth) <= 0) return std::int64_t{0};
        written += count;
        DoProgress(ArchiveTotal, limit, written);
        return count;
    };
    return io;
}

TMemberIo TUnBase::MemberIo(TArxBaseStream& In, TArxBaseStream* Out, std::int64_t Packed,
                            std::int64_t Unpacked, int CrcWidth, bool Decipher) {
    TMemberIo io = MemberWriter(Out, Unpacked, CrcWidth);
    io.PackedSize = std::max<std::int64_t>(Packed, 0);
    io.Read = [this, &In, Decipher, left = io.PackedSize](std::uint8_t* buf,
                                                          std::int64_t count) mutable {
        count = std::min(count, left);
        if (count <= 0) return std::int64_t{0};
        const std::int64_t got = ReadProc(In, count, 0, Decipher, buf);
        if (got > 0) {
            left -= got;
            BytesRemaining -= got;
        }
        return got;
    };
    return io;
}

// ---------------------------------------------------------------------------
// After a member

void TUnBase::SetFileAttrDate(std::unique_ptr<TArxBaseStream>& Stream, const std::string& FileName,
                              std::uint32_t Attr, std::uint32_t DosDate) {
    CloseAndDate(Stream, FileName, Attr, std::nullopt, 0, DosDate);
}

void TUnBase::SetFileAttrUnixTime(std::unique_ptr<TArxBaseStream>& Stream,
                                  const std::string& FileName, std::uint32_t Attr,
                                  std::int64_t UnixTime, std::uint32_t Nanoseconds) {
    CloseAndDate(Stream, FileName, Attr, UnixTime, Nanoseconds, 0);
}

// Closes the output; the date and attributes go on the member's temporary
// file when FinishMember renames it, or straight on FileName without one.
void TUnBase::CloseAndDate(std::unique_ptr<TArxBaseStream>& Stream, const std::string& FileName,
                           std::uint32_t Attr, std::optional<std::int64_t> UnixTime,
                           std::uint32_t Nanoseconds, std::uint32_t DosDate) {
    if (OutputMode != kOutputFiles) {
        CurrentFileName = FileName;
        return;
    }
    if (!CloseOutput(Stream)) ReportError(FileName, "", ArchiveFile, kMsgCloseError);
    if (partial_) {
        partial_->Dated = true;
        partial_->Attr = Attr;
        partial_->UnixTime = UnixTime;
        partial_->Nanoseconds = Nanoseconds;
        partial_->DosDate = DosDate;
        return;
    }
    ApplyAttrDate(FileName, Attr, UnixTime, Nanoseconds, DosDate);
}

template <typename Target>
void TUnBase::ApplyAttrDate(const Target& File, std::uint32_t Attr,
                            std::optional<std::int64_t> UnixTime, std::uint32_t Nanoseconds,
                            std::uint32_t DosDate) {
    if (UnixTime && DateAttribute == daFileDate)
        SetFileModifiedUnixTime(File, *UnixTime, Nanoseconds);
    else if (UnixTime && DateAttribute == daSysDate)
        SetFileModifiedUnixTime(File, static_cast<std::int64_t>(std::time(nullptr)));
    else
        SetFileModifiedTime(File, DosDateToDateTime(FileDateFor(DosDate)));
    if (RestoreFileAttr && Attr != kDosArchive) SetDosAttributes(File, Attr);
}

// ---------------------------------------------------------------------------
// Volumes

// The run cannot go past a volume it does not have: the volume is named,
// not the one in hand, and no cancel is reported.
void TUnBase::VolumeDeclined(const std::string& Volume) {
    ReportError(Volume, "", ArchiveFile, kMsgFileNotFound);
}

void TUnBase::MemberDone(const TMemberHeader& Header) {
    // The packed size comes from a header: what remains never drops below 0 by it.
    BytesRemaining -=
        std::clamp<std::int64_t>(Header.PackedSize, 0, std::max<std::int64_t>(BytesRemaining, 0));
    DoProgress(ArchiveTotal, 1, 1);
}

} // namespace sorvane
