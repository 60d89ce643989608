// The cabinet reader.
#include "archive/cab/arxUnCab.h"

#include "archive/arxCrc.h"
#include "archive/arxHelpers.h"
#include "platform/Directory.h"
#include "platform/Folders.h"
#include "platform/StreamFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace sorvane {
namespace {

constexpr std::uint16_t kDirectoryAttr = 0x10;
// The attributes restored on the output: read-only, hidden, system, archive.
constexpr std::uint16_t kRestoredAttrs = 0x27;
constexpr int kActionSkip = 1;
constexpr int kActionExtract = 2;

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ---- the process-wide library

void* SubstituteCreate(TCabAlloc, TCabFree, TCabOpen, TCabRead, TCabWrite, TCabClose, TCabSeek, int,
                       TCabErrorRecord*) {
    return nullptr;
}
int SubstituteIsCabinet(void*, std::intptr_t, TCabinetInfoRecord*) {
    return 1;
}
int SubstituteCopy(void*, char*, char*, int, TCabNotify, void*, void*) {
    return 1;
}
int SubstituteDestroy(void*) {
    return 1;
}

struct TLibrary {
    void* Handle = nullptr;
    TCabinetEntries Entries{SubstituteCreate, SubstituteIsCabinet, SubstituteCopy,
                            SubstituteDestroy};
    bool Loaded = false;
    bool Tried = false; // loaded once, or entries installed
};

TLibrary& LibraryState() {
    static TLibrary library;
    return library;
}

TLibrary& Library() {
    if (!LibraryState().Tried) LoadCabinetLibrary();
    return LibraryState();
}

// The readers inside a module call, innermost last: the file callbacks,
// which carry no reader, act for the one on top.
std::vector<TUnCab*>& ReaderStack() {
    static std::vector<TUnCab*> stack;
    return stack;
}

struct Pushed {
    explicit Pushed(TUnCab& reader) { ReaderStack().push_back(&reader); }
    ~Pushed() { ReaderStack().pop_back(); }
};

// ---- the callbacks given to the module; nothing may escape them

void* CabAlloc(std::uint32_t cb) {
    return std::malloc(cb == 0 ? 1 : cb);
}

void CabFree(void* pv) {
    std::free(pv);
}

std::intptr_t CabOpen(const char* name, int oflag, int pmode) {
    try {
        int error = 0;
        return CabinetFileHandler().Open(name != nullptr ? name : "", oflag, pmode, error);
    } catch (...) {
        return -1;
    }
}

std::uint32_t CabRead(std::intptr_t hf, void* pv, std::uint32_t cb) {
    try {
        int error = 0;
        const std::int64_t got = CabinetFileHandler().Read(hf, pv, cb, error);
        return got < 0 ? static_cast<std::uint32_t>(-1) : static_cast<std::uint32_t>(got);
    } catch (...) {
        return static_cast<std::uint32_t>(-1);
    }
}

std::uint32_t CabWrite(std::intptr_t, void* pv, std::uint32_t cb) {
    if (ReaderStack().empty()) return static_cast<std::uint32_t>(-1);
    const std::int64_t put = ReaderStack().back()->WriteMember(pv, cb);
    return put < 0 ? static_cast<std::uint32_t>(-1) : static_cast<std::uint32_t>(put);
}

int CabClose(std::intptr_t hf) {
    try {
        int error = 0;
        CabinetFileHandler().Close(hf, error);
        return error;
    } catch (...) {
        return -1;
    }
}

std::int64_t CabSeek(std::intptr_t hf, std::int64_t dist, int seektype) {
    try {
        int error = 0;
        return CabinetFileHandler().Seek(hf, dist, seektype, error);
    } catch (...) {
        return -1;
    }
}

std::intptr_t ExtractNotify(int kind, TCabNotification* note) {
    if (note == nullptr || note->pv == nullptr) return -1;
    return static_cast<TUnCab*>(note->pv)->ExtractNotification(kind, *note);
}

std::intptr_t ListNotify(int kind, TCabNotification* note) {
    if (note == nullptr || note->pv == nullptr) return -1;
    return static_cast<TUnCab*>(note->pv)->ListNotification(kind, *note);
}

} // namespace

void LoadCabinetLibrary(const std::string& folder) {
    TLibrary& library = LibraryState();
    library = TLibrary{};
    library.Tried = true;
    std::string where = folder;
    if (where.empty()) {
        const char* env = std::getenv("SORVANE_MODULE_DIR");
        where = env != nullptr && *env != '\0' ? env : ExecutableFolder();
    }
    if (!where.empty() && where.back() != '/') where += '/';
    void* handle = ::dlopen((where + kCabinetModuleName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return;
    TCabinetEntries entries;
    entries.Create = reinterpret_cast<TFdiCreate>(::dlsym(handle, "FDICreate"));
    entries.IsCabinet = reinterpret_cast<TFdiIsCabinet>(::dlsym(handle, "FDIIsCabinet"));
    entries.Copy = reinterpret_cast<TFdiCopy>(::dlsym(handle, "FDICopy"));
    entries.Destroy = reinterpret_cast<TFdiDestroy>(::dlsym(handle, "FDIDestroy"));
    if (!entries.Create || !entries.IsCabinet || !entries.Copy || !entries.Destroy) {
        ::dlclose(handle);
        return;
    }
    // Kept loaded to the end: contexts made by it may still be alive.
    library.Handle = handle;
    library.Entries = entries;
    library.Loaded = true;
}

void InstallCabinetEntries(const TCabinetEntries& entries) {
    TLibrary& library = LibraryState();
    library.Entries = entries;
    library.Loaded = true;
    library.Tried = true;
}

bool CabinetLibraryLoaded() {
    return Library().Loaded;
}

TStreamCabinetFileHandler& CabinetFileHandler() {
    static TStreamCabinetFileHandler handler;
    return handler;
}

// ---------------------------------------------------------------------------
// The file handler

TStreamCabinetFileHandler::~TStreamCabinetFileHandler() = default;

TStreamCabinetFileHandler::TOpenFile* TStreamCabinetFileHandler::Find(std::intptr_t Handle) {
    for (TOpenFile& file : files_)
        if (file.Handle == Handle) return &file;
    return nullptr;
}

void TStreamCabinetFileHandler::SetStartOffset(const std::string& Name, std::int64_t Offset) {
    if (Offset > 0)
        offsets_[Name] = Offset;
    else
        offsets_.erase(Name);
}

std::intptr_t TStreamCabinetFileHandler::Open(const std::string& Name, int OFlag, int, int& Error) {
    int mode = TFileStream32::kModeReadDenyNone;
    if (OFlag & kCabOpenCreate)
        mode = TFileStream32::kModeCreate;
    else if (OFlag & (kCabOpenReadWrite | kCabOpenWrite))
        mode = TFileStream32::kModeReadWrite;
    auto stream = std::make_unique<TFileStream32>(Name, mode);
    if (stream->Handle < 0) {
        Error = -1;
        return -1;
    }
    std::int64_t base = 0;
    if (mode == TFileStream32::kModeReadDenyNone) {
        const auto found = offsets_.find(Name);
        if (found != offsets_.end()) base = found->second;
        if (base > 0 && stream->Seek(base, TSeekOrigin::Beginning) != base) {
            Error = -1;
            return -1;
        }
    }
    const std::intptr_t handle = nextHandle_++;
    files_.push_back({handle, std::move(stream), base});
    Error = 0;
    return handle;
}

std::int64_t TStreamCabinetFileHandler::Read(std::intptr_t Handle, void* Buffer, std::int64_t Count,
                                             int& Error) {
    TOpenFile* file = Find(Handle);
    if (file == nullptr) {
        Error = -1;
        return 0;
    }
    errno = 0;
    const std::int64_t got = file->Stream->Read(Buffer, Count);
    Error = got == Count ? 0 : StreamFileLastError();
    return std::max<std::int64_t>(got, 0);
}

std::int64_t TStreamCabinetFileHandler::Write(std::intptr_t Handle, const void* Buffer,
                                              std::int64_t Count, int& Error) {
    TOpenFile* file = Find(Handle);
    if (file == nullptr) {
        Error = -1;
        return 0;
    }
    errno = 0;
    const std::int64_t put = file->Stream->Write(Buffer, Count);
    Error = put == Count ? 0 : StreamFileLastError();
    return std::max<std::int64_t>(put, 0);
}

void TStreamCabinetFileHandler::Close(std::intptr_t Handle, int& Error) {
    files_.erase(std::remove_if(files_.begin(), files_.end(),
                                [Handle](const TOpenFile& file) { return file.Handle == Handle; }),
                 files_.end());
    Error = 0;
}

std::int64_t TStreamCabinetFileHandler::Seek(std::intptr_t Handle, std::int64_t Distance,
                                             int SeekType, int& Error) {
    TOpenFile* file = Find(Handle);
    if (file == nullptr) {
        Error = -1;
        return -1;
    }
    Error = 0;
    std::int64_t result = -1;
    errno = 0;
    switch (SeekType) {
    case 0:
        if (Distance < 0 || Distance > INT64_MAX - file->Base) break;
        result = file->Stream->Seek(file->Base + Distance, TSeekOrigin::Beginning);
        if (result != file->Base + Distance) {
            Error = StreamFileLastError();
            if (Error == 0) Error = -1;
        }
        break;
    case 1:
        result = file->Stream->Seek(Distance, TSeekOrigin::Current);
        break;
    case 2:
        result = file->Stream->Seek(Distance, TSeekOrigin::End);
        break;
    default:
        break;
    }
    if (result < file->Base) return -1;
    return result - file->Base;
}

void TStreamCabinetFileHandler::Delete(const std::string& Name, int& Error) {
    Error = StreamFileDelete(Name) ? 0 : StreamFileLastError();
}

ECabinetError::ECabinetError(int Code, int Type)
    : std::runtime_error("Cabinet error " + std::to_string(Code) + " (type " +
                         std::to_string(Type) + ")"),
      ErrorCode(Code), ErrorType(Type) {}

// ---------------------------------------------------------------------------
// The reader

TUnCab::TUnCab() = default;

TUnCab::~TUnCab() {
    if (context_ != nullptr && destroy_ != nullptr) {
        Pushed pushed(*this);
        destroy_(context_);
    }
}

bool TUnCab::EnsureContext() {
    if (context_ != nullptr) return true;
    const TCabinetEntries& entries = Library().Entries;
    ErrorRecord = {};
    {
        Pushed pushed(*this);
        context_ = entries.Create(CabAlloc, CabFree, CabOpen, CabRead, CabWrite, CabClose, CabSeek,
                                  static_cast<int>(CpuType) - 1, &ErrorRecord);
    }
    if (context_ == nullptr) {
        CheckError(ArchiveFile);
        return false;
    }
    destroy_ = entries.Destroy;
    return true;
}

void TUnCab::CheckError(const std::string& cabinet) {
    if (failure_) {
        std::exception_ptr failure = failure_;
        failure_ = nullptr;
        CloseFailedMember();
        std::rethrow_exception(failure);
    }
    if (!ErrorRecord.fError) return;
    const TCabErrorRecord record = ErrorRecord;
    ErrorRecord = {};
    const std::string member = memberOpen_ ? StoredName : std::string();
    CloseFailedMember();
    if (GetCancel()) return;
    switch (record.erfOper) {
    case kFdiErrorUserAbort:
        aborted_ = false;
        return;
    case kFdiErrorCorruptCabinet:
        ReportError(member.empty() ? cabinet : member, "", cabinet, kMsgCorruptInput);
        return;
    default: // reported by the run with its text
        throw ECabinetError(record.erfOper, record.erfType);
    }
}

bool TUnCab::IsCabinet(const std::string& path) {
    int error = 0;
    const std::intptr_t handle = CabinetFileHandler().Open(path, 0, 0, error);
    if (handle == -1) RaiseError(path, "", "", kMsgOpenError);
    int result = 0;
    {
        Pushed pushed(*this);
        TCabinetInfoRecord info;
        result = Library().Entries.IsCabinet(context_, handle, &info);
    }
    CabinetFileHandler().Close(handle, error);
    if (error != 0) RaiseError(path, "", "", kMsgCloseError);
    ErrorRecord = {};
    return result != 0;
}

void TUnCab::CopyCabinet(const std::string& path, bool extraction) {
    std::string name = NameOf(path);
    std::string folder = FolderOf(path);
    cabinet_ = path;
    ErrorRecord = {};
    Pushed pushed(*this);
    Library().Entries.Copy(context_, name.data(), folder.data(), 0,
                           extraction ? ExtractNotify : ListNotify, nullptr, this);
}

void TUnCab::WalkCabinet(const std::string& path) {
    firstCabinet_ = false;
    CopyCabinet(path, false);
    ErrorRecord = {}; // the copy that follows reports what the walk met
    if (failure_) {
        std::exception_ptr failure = failure_;
        failure_ = nullptr;
        std::rethrow_exception(failure);
    }
    BytesRemaining = ArchiveTotal;
}

void TUnCab::ExtractFiles(std::unique_ptr<TArxBaseStream>&, int) {
    if (!CabinetLibraryLoaded()) RaiseError(ArchiveFile, "", "", kMsgCabinetNotFound);
    Crc32.Start(0xFFFFFFFFu);
    CurrentFileName = ArchiveFile;
    aborted_ = nextRefused_ = false;
    answers_.clear();
    failure_ = nullptr;
    if (!StreamFileExists(ArchiveFile)) {
        RunFailed = true;
        ReportError(ArchiveFile, "", "", kMsgFileNotFound);
        return;
    }
    if (!EnsureContext()) return;
    // A cabinet inside an executable reads from its own start.
    const bool offset = ArcType == atCabExe && StartOffset > 0;
    if (offset) CabinetFileHandler().SetStartOffset(ArchiveFile, StartOffset);
    struct ForgetOffset {
        bool set;
        std::string name;
        ~ForgetOffset() {
            if (set) CabinetFileHandler().SetStartOffset(name, 0);
        }
    } forget{offset, ArchiveFile};
    if (!IsCabinet(ArchiveFile)) {
        RunFailed = true;
        ReportError(ArchiveFile, "", "", kMsgBadFileHeader);
        return;
    }
    std::vector<std::string> visited{ArchiveFile};
    std::string current = ArchiveFile;
    WalkCabinet(current);
    while (!current.empty()) {
        firstCabinet_ = true;
        next_ = {};
        CopyCabinet(current, true);
        CheckError(current);
        if (GetCancel() || next_.Name.empty()) break;
        // The next cabinet lies beside this one; a set that comes back to a
        // cabinet already read ends there.
        std::string path = FolderOf(current) + next_.Name;
        if (std::find(visited.begin(), visited.end(), path) != visited.end()) break;
        if (!AcceptNextCabinet(path, static_cast<int>(visited.size()))) break;
        if (std::find(visited.begin(), visited.end(), path) != visited.end()) break;
        visited.push_back(path);
        current = path;
        FileTotal = ArchiveTotal = 0;
        WalkCabinet(current);
    }
}

// The answer already given for `path` inside the module's copy, else the
// next-volume request; `path` becomes the name accepted.
bool TUnCab::AcceptNextCabinet(std::string& path, int volumeId) {
    const auto given = answers_.find(path);
    if (given != answers_.end()) {
        if (given->second.empty()) return false;
        path = given->second;
        return true;
    }
    std::string volume = path;
    if (!AskCabinet(volume, volumeId)) return false;
    answers_[path] = volume;
    path = volume;
    return true;
}

std::string TUnCab::MemberName(const TCabNotification& note) const {
    const std::string raw = note.psz1 != nullptr ? note.psz1 : "";
    if (note.attribs & kCabAttrUtf8Name) return SlashToBackslash(raw);
    return StoredNameToAnsi(raw, TNameHost::Dos, TranslateOemChar);
}

// ---------------------------------------------------------------------------
// Notifications

std::intptr_t TUnCab::ListNotification(int Kind, TCabNotification& Note) {
    try {
        if (Kind == kFdintCopyFile) {
            const std::string name = MemberName(Note);
            if (MatchFileSpecDirs(name, FileSpec, ExclusionList, RecurseDirs)) {
                const std::int64_t size = static_cast<std::uint32_t>(Note.cb);
                FileTotal += size;
                ArchiveTotal += size;
                MaxFileDate = std::max<std::uint32_t>(
                    MaxFileDate, static_cast<std::uint32_t>(Note.date) << 16 | Note.time);
            }
        }
        return GetCancel() ? -1 : 0;
    } catch (...) {
        failure_ = std::current_exception();
        return -1;
    }
}

std::intptr_t TUnCab::ExtractNotification(int Kind, TCabNotification& Note) {
    try {
        int abort = 0;
        switch (Kind) {
        case kFdintCabinetInfo:
            DoCabinetInfo(Note.psz1 ? Note.psz1 : "", Note.psz2 ? Note.psz2 : "",
                          Note.psz3 ? Note.psz3 : "", Note.setID, Note.iCabinet, abort);
            break;
        case kFdintCopyFile: {
            std::string name = MemberName(Note);
            std::intptr_t handle = 0;
            int action = kActionSkip;
            DoCopyFile(name, static_cast<std::uint32_t>(Note.cb), handle, action, Note.attribs,
                       Note.time, Note.date);
            return action == kActionExtract ? handle : 0;
        }
        case kFdintCloseFileInfo:
            DoCloseFileInfo(MemberName(Note), Note.hf, abort, Note.cb == 1, Note.attribs, Note.time,
                            Note.date);
            return aborted_ ? 0 : 1;
        case kFdintNextCabinet: {
            std::string name = Note.psz1 ? Note.psz1 : "";
            std::string path = Note.psz3 ? Note.psz3 : "";
            DoNextCabinet(name, path, abort, Note.fdie);
            if (abort == 0) {
                if (Note.psz1) std::snprintf(Note.psz1, kCabNameBuffer, "%s", name.c_str());
                if (Note.psz3) std::snprintf(Note.psz3, kCabNameBuffer, "%s", path.c_str());
            }
            break;
        }
        default: // a partial file or an enumeration: nothing to do
            break;
        }
        if (abort != 0 || aborted_ || GetCancel()) {
            CloseFailedMember();
            return -1;
        }
        return 0;
    } catch (...) {
        failure_ = std::current_exception();
        return -1;
    }
}

void TUnCab::DoCabinetInfo(const std::string& NextCabinet, const std::string& NextDisk,
                           const std::string& CabinetPath, int SetID, int CabinetIndex,
                           int& Abort) {
    if (firstCabinet_) {
        next_ = {NextCabinet, NextDisk, CabinetPath, SetID, CabinetIndex};
        firstCabinet_ = false;
    }
    Abort = 0;
}

void TUnCab::DoCopyFile(std::string& Name, std::int64_t Size, std::intptr_t& Handle, int& Action,
                        std::uint16_t Attributes, std::uint16_t Time, std::uint16_t Date) {
    Action = kActionSkip;
    Handle = 0;
    lastAction_ = kActionSkip;
    if (!MatchFileSpecDirs(Name, FileSpec, ExclusionList, RecurseDirs) || GetCancel()) return;
    StoredName = Name;
    memberSize_ = Size;
    memberWritten_ = 0;
    memberFailed_ = false;
    MemberEncrypted = PasswordFailed = false;
    SetCurrentFileName(Name);
    if (CurrentNameRefused) return; // reported; nothing leaves ExtractDir
    if (Attributes & kDirectoryAttr) {
        RememberFolder(CurrentFileName, std::nullopt,
                       static_cast<std::uint32_t>(Date) << 16 | Time);
        return;
    }
    if (!CheckOverwrite(false)) return;
    // The output is the name the overwrite check left: a rename made there
    // keeps the existing file.
    if (!OpenOutputFile(output_, CurrentFileName, Name)) {
        UncountMember();
        output_.reset();
        return;
    }
    Crc32.Start(0xFFFFFFFFu);
    memberOpen_ = true;
    lastAction_ = kActionExtract;
    Action = kActionExtract;
    Handle = 1;
    if (OutputMode == kOutputFiles) {
        if (auto* file = dynamic_cast<THandleStream32*>(output_.get()); file && file->Handle > 0)
            Handle = file->Handle;
    }
}

std::int64_t TUnCab::WriteMember(const void* Data, std::int64_t Count) {
    try {
        if (!memberOpen_ || GetCancel()) return -1;
        if (memberFailed_ || Count <= 0) return Count; // reported: the rest is dropped
        // Never more than the member's size from its record.
        const std::int64_t room = std::max<std::int64_t>(memberSize_ - memberWritten_, 0);
        const std::int64_t taken = std::min(Count, room);
        // No running CRC: a cabinet keeps no checksum per member (the module
        // checks its data blocks), so nothing would read it.
        if (taken > 0 && WriteOutput(output_.get(), static_cast<const std::uint8_t*>(Data), 0,
                                     taken, 32) != taken) {
            memberFailed_ = true; // reported and taken off the count by WriteOutput
            return Count;
        }
        memberWritten_ += taken;
        DoProgress(ArchiveTotal, memberSize_, memberWritten_);
        return Count;
    } catch (...) {
        failure_ = std::current_exception();
        return -1;
    }
}

void TUnCab::DoCloseFileInfo(const std::string& Name, std::intptr_t, int& Abort, bool,
                             std::uint16_t Attributes, std::uint16_t Time, std::uint16_t Date) {
    const bool extracted = lastAction_ == kActionExtract && memberOpen_;
    const std::string eventName = OutputMode == kOutputFiles ? CurrentFileName : Name;
    // A member closed before its end gets no stored date: it has none here.
    if (extracted && !memberBroken_)
        SetFileAttrDate(output_, eventName, Attributes & kRestoredAttrs,
                        static_cast<std::uint32_t>(Date) << 16 | Time);
    output_.reset();
    memberOpen_ = false;
    // A member cut off by a missing next cabinet did not end; one closed by
    // a damaged cabinet was reported with the damage.
    if (extracted && memberBroken_ && nextRefused_ && !GetCancel())
        ReportError(eventName, "", cabinet_, kMsgReadError);
    if (extracted) {
        // The module checks the data blocks: no CRC per member here.
        MemberVerdict({.Result = memberFailed_   ? TDecodeResult::WriteFailed
                                 : memberBroken_ ? TDecodeResult::Corrupt
                                 : GetCancel()   ? TDecodeResult::Canceled
                                                 : TDecodeResult::Done,
                       .CrcWidth = 0,
                       .DeclaredSize = memberSize_});
    } else if (OnEnd) {
        OnEnd(*this, eventName, false);
    } else {
        ReportError(eventName, "", cabinet_, kMsgCrcFailed);
    }
    if (extracted) {
        BytesRemaining -=
            std::clamp<std::int64_t>(memberSize_, 0, std::max<std::int64_t>(BytesRemaining, 0));
        DoProgress(ArchiveTotal, 1, 1);
    }
    lastAction_ = 0;
    memberFailed_ = false;
    Abort = aborted_ ? 1 : 0;
}

void TUnCab::CloseFailedMember() {
    if (!memberOpen_) return;
    memberBroken_ = true;
    int abort = 0;
    DoCloseFileInfo(StoredName, 0, abort, false, 0, 0, 0);
    memberBroken_ = false;
}

// The next-volume request for a cabinet: OnNextVolume decides when assigned
// (it may name another file); a missing file is then asked for until it is
// there or refused.
bool TUnCab::AskCabinet(std::string& volume, int volumeId) {
    if (OnNextVolume) {
        const std::string asked = volume;
        const bool exists = StreamFileExists(volume);
        bool cancel = false;
        OnNextVolume(*this, volume, volumeId, exists, cancel);
        if (cancel) {
            if (!exists) VolumeDeclined(asked);
            return false;
        }
    }
    return AskNextVolume(volume, volumeId);
}

void TUnCab::DoNextCabinet(std::string& CabinetName, std::string& CabinetPath, int& Abort,
                           int Error) {
    std::string folder = CabinetPath;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    const std::string asked = folder + CabinetName;
    std::string volume = asked;
    bool accepted = false;
    if (Error != kFdiErrorNone) {
        // The cabinet given was missing or not the next one: only the user
        // can name another.
        ReportError(volume, "", ArchiveFile,
                    Error == kFdiErrorCabinetNotFound ? kMsgFileNotFound : kMsgBadFileHeader);
        if (OnNextVolume) {
            bool cancel = false;
            OnNextVolume(*this, volume, static_cast<int>(answers_.size()) + 1,
                         StreamFileExists(volume), cancel);
            accepted = !cancel && volume != asked;
        }
    } else {
        const auto given = answers_.find(asked);
        if (given != answers_.end()) {
            accepted = !given->second.empty();
            volume = given->second;
        } else {
            accepted = AskCabinet(volume, static_cast<int>(answers_.size()) + 1);
        }
    }
    answers_[asked] = accepted ? volume : std::string();
    if (!accepted) {
        nextRefused_ = true;
        aborted_ = true;
        Abort = 1;
        return;
    }
    CabinetName = NameOf(volume);
    CabinetPath = FolderOf(volume);
    Abort = 0;
}

} // namespace sorvane
