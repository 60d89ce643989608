// The RAR reader and the loader of its extraction module.
#include "archive/rar/arxUnRar.h"

#include "archive/arxCrc.h"
#include "archive/arxHelpers.h"
#include "archive/rar/arxRarHeader.h"
#include "platform/DateTime.h"
#include "platform/Folders.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <unistd.h>
#include <utility>

namespace sorvane {

// ---------------------------------------------------------------------------
// The module

namespace {

void* MissingOpen(RAROpenArchiveDataEx* data) {
    if (data != nullptr) data->OpenResult = ERAR_EOPEN;
    return nullptr;
}
int MissingClose(void*) {
    return ERAR_SUCCESS;
}
int MissingReadHeader(void*, RARHeaderDataEx*) {
    return ERAR_BAD_DATA;
}
int MissingProcess(void*, int, const char*, const char*) {
    return ERAR_BAD_ARCHIVE;
}
void MissingSetCallback(void*, UNRARCALLBACK, std::intptr_t) {}

std::string ProgramFolder() {
    std::array<char, 4096> path{};
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) return "";
    std::string text(path.data(), static_cast<std::size_t>(length));
    const auto slash = text.find_last_of('/');
    return slash == std::string::npos ? std::string() : text.substr(0, slash);
}

struct ModuleHolder {
    std::mutex Lock;
    std::string Folder;
    bool Tried = false;
    void* Handle = nullptr;
    TRarEngine Engine = MissingRarEngine();

    void Release() {
        if (Handle != nullptr) dlclose(Handle);
        Handle = nullptr;
        Engine = MissingRarEngine();
        Tried = false;
    }
    ~ModuleHolder() { Release(); }
};

ModuleHolder& Holder() {
    static ModuleHolder holder;
    return holder;
}

template <typename Proc> bool Lookup(void* module, const char* name, Proc& proc) {
    proc = reinterpret_cast<Proc>(dlsym(module, name));
    return proc != nullptr;
}

} // namespace

TRarEngine MissingRarEngine() {
    TRarEngine engine;
    engine.OpenArchiveEx = MissingOpen;
    engine.CloseArchive = MissingClose;
    engine.ReadHeaderEx = MissingReadHeader;
    engine.ProcessFile = MissingProcess;
    engine.SetCallback = MissingSetCallback;
    return engine;
}

const TRarEngine& RarEngine() {
    ModuleHolder& holder = Holder();
    std::lock_guard<std::mutex> guard(holder.Lock);
    if (holder.Tried) return holder.Engine;
    holder.Tried = true;
    const std::string folder = holder.Folder.empty() ? ProgramFolder() : holder.Folder;
    void* module = dlopen((folder + "/" + kRarModuleFileName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return holder.Engine;
    TRarEngine engine;
    if (Lookup(module, "RAROpenArchiveEx", engine.OpenArchiveEx) &&
        Lookup(module, "RARCloseArchive", engine.CloseArchive) &&
        Lookup(module, "RARReadHeaderEx", engine.ReadHeaderEx) &&
        Lookup(module, "RARProcessFile", engine.ProcessFile) &&
        Lookup(module, "RARSetCallback", engine.SetCallback)) {
        engine.Loaded = true;
        holder.Handle = module;
        holder.Engine = engine;
    } else {
        dlclose(module);
    }
    return holder.Engine;
}

void SetRarModuleFolder(const std::string& folder) {
    ModuleHolder& holder = Holder();
    std::lock_guard<std::mutex> guard(holder.Lock);
    holder.Release();
    holder.Folder = folder;
}

int RarResultMessage(int code) {
    switch (code) {
    case ERAR_END_ARCHIVE:
        return kMsgEofNotFound;
    case ERAR_NO_MEMORY:
        return kMsgOutOfMemory;
    case ERAR_BAD_DATA:
        return kMsgBadBlock;
    case ERAR_BAD_ARCHIVE:
    case ERAR_UNKNOWN_FORMAT:
        return kMsgUnsupportedArchive;
    case ERAR_EOPEN:
        return kMsgOpenError;
    case ERAR_ECREATE:
    case ERAR_EWRITE:
        return kMsgWriteError;
    case ERAR_ECLOSE:
        return kMsgCloseError;
    case ERAR_EREAD:
        return kMsgReadError;
    case ERAR_UNKNOWN:
        return kMsgBrokenVolumeChain;
    case ERAR_MISSING_PASSWORD:
        return kMsgInvalidPassword;
    default:
        return 0;
    }
}

// ---------------------------------------------------------------------------
// The walk

namespace {

constexpr std::uint8_t kStoredMethod = 0x30;
constexpr std::int64_t kMaxLinkTarget = 1023;
constexpr int kMaxVolumes = 1000;

int Trampoline(unsigned msg, std::intptr_t user, std::intptr_t p1, std::intptr_t p2) {
    return reinterpret_cast<TUnRar*>(user)->Callback(msg, p1, p2);
}

} // namespace

TUnRar::TUnRar() = default;

void TUnRar::WalkVolume(const std::string& path, std::int64_t start, bool& more) {
    more = false;
    lastSplitAfter_ = false;
    TFileStream32 file(path, TFileStream32::kModeReadDenyWrite);
    if (file.Handle < 0) RaiseError(path, "", "", kMsgOpenError);
    TArxStreamSource source(file);
    TRarMainHeader main;
    const TRarMainRead head = ReadRarMainHeader(source, start, main);
    if (head == TRarMainRead::CutShort) RaiseError(path, "", "", kMsgReadError);
    if (head == TRarMainRead::NotRar) RaiseError(path, "", "", kMsgUnsupportedArchive);

    std::int64_t pos = main.FirstBlock;
    while (!GetCancel()) {
        TRarBlock block;
        const TRarBlockRead read = ReadRarBlock(source, pos, block);
        if (read == TRarBlockRead::End) {
            // A block without a data part ends the walk, as in the listing.
            if (block.Type == kRarEndBlock) more = (block.Flags & kRarEndNextVolume) != 0;
            break;
        }
        if (read == TRarBlockRead::Bad) {
            ReportError(path, "", VolumeName, kMsgBadFileHeader);
            break;
        }
        // The next block lies after this one and inside the volume; a member
        // whose data run past it cannot be had.
        if (!RarDataWhole(block, source)) {
            ReportError(path, "", VolumeName, kMsgReadError);
            lastSplitAfter_ = false;
            break;
        }
        if (read == TRarBlockRead::File) TakeMember(source, block);
        pos = block.Next();
    }
    more = more || lastSplitAfter_;
}

void TUnRar::TakeMember(TArxByteSource& source, const TRarBlock& block) {
    lastSplitAfter_ = block.SplitAfter();
    if (block.SplitBefore()) {
        // The whole member's CRC is in its last part.
        if (!members_.empty()) members_.back().Crc = block.Crc;
        return;
    }
    TRarMember m;
    m.Flags = block.Flags;
    m.HostOS = block.HostOs;
    m.Crc = block.Crc;
    m.Time = block.DosTime;
    m.UnpVer = block.UnpackVersion;
    m.Method = block.Method;
    m.Packed = block.Packed;
    m.Unpacked = block.Unpacked;
    if (const auto time = RarModifiedTime(block)) {
        m.UnixTime = time->first;
        m.Nanoseconds = time->second;
    }
    const TRarName name = RarStoredName(block);
    m.Unicode = !name.Oem;
    m.Name = name.Oem ? StoredNameToAnsi(name.Text, TNameHost::Dos, TranslateOemChar)
                      : SlashToBackslash(name.Text);
    if (block.UnixLink()) {
        // The target is the member's data, stored.
        m.Link = true;
        if (m.Method == kStoredMethod) {
            m.LinkTarget.assign(static_cast<std::size_t>(std::min(block.Packed, kMaxLinkTarget)),
                                '\0');
            const std::int64_t read =
                m.LinkTarget.empty()
                    ? 0
                    : source.ReadAt(block.Offset + block.HeaderSize, m.LinkTarget.data(),
                                    static_cast<std::int64_t>(m.LinkTarget.size()));
            m.LinkTarget.resize(static_cast<std::size_t>(std::max<std::int64_t>(read, 0)));
            m.LinkTarget.resize(std::min(m.LinkTarget.size(), m.LinkTarget.find('\0')));
        }
    }
    const std::uint32_t attr = block.Attributes() & 0xFFu;
    m.Directory = block.Folder();
    m.Attr = attr | (m.Directory ? kRarDirectoryAttr : 0);
    if (m.Directory) {
        folders_.push_back(members_.size());
    } else if (MatchFileSpecDirs(m.Name, FileSpec, ExclusionList, RecurseDirs)) {
        ArchiveTotal += m.Packed;
        FileTotal += m.Unpacked;
        MaxFileDate = std::max(MaxFileDate, m.Time);
    }
    members_.push_back(std::move(m));
}

// Walks the first volume and every next one the set needs, asking for each
// as the module would when it reached the end of the one before.
void TUnRar::ResolveVolumes() {
    members_.clear();
    volumes_.clear();
    folders_.clear();
    DetectVolumeNumber();
    VolumeName = ArchiveFile;
    volumes_.push_back(ArchiveFile);
    bool more = false;
    WalkVolume(ArchiveFile, std::max<std::int64_t>(StartOffset, 0), more);
    while (more && !GetCancel()) {
        std::string name = MakeVolumeName(VolumeName, VolumeNumber);
        bool loops = static_cast<int>(volumes_.size()) >= kMaxVolumes;
        const bool accepted = !loops && AskNextVolume(name, VolumeNumber);
        // A set that leads back to one of its volumes ends there.
        if (accepted && std::find(volumes_.begin(), volumes_.end(), name) != volumes_.end())
            loops = true;
        if (loops) ReportError(name, "", ArchiveFile, kMsgBrokenVolumeChain);
        if (loops || !accepted) {
            // Declined: the members before the one that goes on are extracted,
            // then the run ends with its progress complete.
            if (lastSplitAfter_ && !members_.empty()) members_.back().Incomplete = true;
            *CancelFlagRef = 0;
            break;
        }
        VolumeName = name;
        volumes_.push_back(name);
        WalkVolume(name, 0, more);
    }
    BytesRemaining = ArchiveTotal;
}

void TUnRar::CreateRememberedFolders() {
    if (OutputMode != kOutputFiles || !CreateStoredDirs || !UseStoredDirs) return;
    for (const std::size_t index : folders_) {
        // Through the guard like every member name: nothing outside ExtractDir.
        SetCurrentFileName(members_[index].Name + "\\");
        if (!CurrentNameRefused)
            RememberFolder(CurrentFileName, members_[index].UnixTime, members_[index].Time,
                           members_[index].Nanoseconds);
    }
    CurrentFileName.clear();
}

// ---------------------------------------------------------------------------
// The pass

void TUnRar::ExtractFiles(std::unique_ptr<TArxBaseStream>&, int) {
    const TRarEngine& engine = Engine != nullptr ? *Engine : RarEngine();
    if (!engine.Loaded) RaiseError(ArchiveFile, "", "", kMsgUnrarNotFound);
    ResolveVolumes();
    CreateRememberedFolders();
    RunPass(engine);
}

void TUnRar::RunPass(const TRarEngine& engine) {
    if (members_.empty() || GetCancel()) return;
    std::vector<const char*> names;
    for (const std::string& volume : volumes_)
        names.push_back(volume.c_str());
    RAROpenArchiveDataEx open;
    open.Volumes = names.data();
    open.VolumeCount = static_cast<unsigned>(names.size());
    open.StartOffset = std::max<std::int64_t>(StartOffset, 0);
    open.OpenMode = RAR_OM_EXTRACT;
    void* handle = engine.OpenArchiveEx(&open);
    if (handle == nullptr || open.OpenResult != ERAR_SUCCESS) {
        if (handle != nullptr) engine.CloseArchive(handle);
        const int id = RarResultMessage(open.OpenResult);
        RaiseError(ArchiveFile, "", "", id != 0 ? id : kMsgOpenError);
    }
    struct CloseAlways {
        const TRarEngine& engine;
        void* handle;
        ~CloseAlways() { engine.CloseArchive(handle); }
    } closeAlways{engine, handle};
    engine.SetCallback(handle, Trampoline, reinterpret_cast<std::intptr_t>(this));

    RARHeaderDataEx header{};
    if (engine.ReadHeaderEx(handle, &header) != ERAR_SUCCESS) {
        ReportError(ArchiveFile, "", VolumeName, kMsgBadFileHeader);
        return;
    }
    std::size_t index = 0;
    while (!GetCancel()) {
        const TRarMember& member = members_[index];
        const std::int64_t unpacked = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(header.UnpSizeHigh) << 32) | header.UnpSize);
        if (unpacked != member.Unpacked) {
            // The module and the walk disagree on what member this is.
            ReportError(member.Name, "", VolumeName, kMsgBadBlock);
            break;
        }
        if (member.Incomplete) {
            // Its next part was declined: the member cannot end, and the
            // module is stopped there.
            if (!member.Directory &&
                MatchFileSpecDirs(member.Name, FileSpec, ExclusionList, RecurseDirs))
                ReportError(member.Name, "", VolumeName, kMsgReadError);
            BytesRemaining = 0;
            DoProgress(ArchiveTotal, 1, 1);
            *CancelFlagRef = 1;
            break;
        }
        int result = ERAR_SUCCESS;
        const bool selected = !member.Directory &&
                              MatchFileSpecDirs(member.Name, FileSpec, ExclusionList, RecurseDirs);
        if (selected && member.Link) {
            // Refused like the tar reader's links: nothing is made for it.
            SetCurrentFileName(member.Name);
            if (!CurrentNameRefused)
                ReportError(OutputMode == kOutputFiles ? CurrentFileName : member.Name,
                            "symbolic link to " + member.LinkTarget, ArchiveFile,
                            kMsgUnknownFileType);
            result = engine.ProcessFile(handle, RAR_SKIP, nullptr, nullptr);
            MemberDone({member.Packed, member.Flags});
        } else if (selected)
            result = ProcessMember(engine, handle, member);
        else
            result = engine.ProcessFile(handle, RAR_SKIP, nullptr, nullptr);
        if (pending_) std::rethrow_exception(std::exchange(pending_, nullptr));
        if (result != ERAR_SUCCESS && result != ERAR_UNKNOWN_FORMAT &&
            result != ERAR_MISSING_PASSWORD)
            break; // reported; the module cannot go on after it
        if (++index >= members_.size()) break;
        const int next = engine.ReadHeaderEx(handle, &header);
        if (next != ERAR_SUCCESS) {
            if (next != ERAR_END_ARCHIVE && !GetCancel())
                ReportError(members_[index].Name, "", VolumeName, RarResultMessage(next));
            break;
        }
    }
}

int TUnRar::ProcessMember(const TRarEngine& engine, void* handle, const TRarMember& member) {
    current_ = &member;
    struct Forget {
        TUnRar& self;
        ~Forget() {
            self.current_ = nullptr;
            self.out_.reset();
        }
    } forget{*this};
    StoredName = member.Name;
    if (OutputMode == kOutputFiles) {
        SetCurrentFileName(member.Name);
        if (CurrentNameRefused) return engine.ProcessFile(handle, RAR_SKIP, nullptr, nullptr);
    } else {
        CurrentFileName = member.Name;
    }
    MemberEncrypted = PasswordFailed = false;
    if (!CheckOverwrite(false)) return engine.ProcessFile(handle, RAR_SKIP, nullptr, nullptr);

    outputOpen_ = stopped_ = false;
    written_ = 0;
    out_.reset();
    // The output is opened when the first byte arrives, so a member the
    // module cannot decode leaves any existing file alone.
    if (OutputMode == kOutputCallerStream && !OpenMemberOutput()) {
        UncountMember();
        return engine.ProcessFile(handle, RAR_SKIP, nullptr, nullptr);
    }
    Crc32.Start(0xFFFFFFFFu);
    const int result =
        engine.ProcessFile(handle, OutputMode == kOutputFiles ? RAR_EXTRACT : RAR_TEST, nullptr,
                           OutputMode == kOutputFiles ? CurrentFileName.c_str() : nullptr);
    if (pending_) return result;
    // The reader stopped the module over this member and said why: the
    // module passes over the rest of it and the pass goes on.
    const bool stoppedHere = stopped_ && !GetCancel();
    bool whole = result == ERAR_SUCCESS && !stopped_ && !GetCancel();
    if (whole && written_ != member.Unpacked) {
        ReportError(member.Name, "", VolumeName, kMsgReadError);
        whole = false;
    }
    // An empty member has no data to open its output with.
    if (whole && !outputOpen_ && !OpenMemberOutput()) whole = false;
    if (result != ERAR_SUCCESS && !stopped_ && !GetCancel()) {
        const int id = RarResultMessage(result);
        ReportError(member.Name, "", VolumeName, id);
    }
    const std::string eventName = OutputMode == kOutputFiles ? CurrentFileName : member.Name;
    if (outputOpen_ && member.UnixTime)
        SetFileAttrUnixTime(out_, eventName, member.Attr & 0xFFu, *member.UnixTime,
                            member.Nanoseconds);
    else if (outputOpen_)
        SetFileAttrDate(out_, eventName, member.Attr & 0xFFu, member.Time);
    // What went wrong was reported above or by the writer.
    MemberVerdict({.Result = whole         ? TDecodeResult::Done
                             : GetCancel() ? TDecodeResult::Canceled
                                           : TDecodeResult::Corrupt,
                   .CrcWidth = 32,
                   .StoredCrc = ~member.Crc,
                   .DeclaredSize = member.Unpacked});
    MemberDone({member.Packed, member.Flags});
    return stoppedHere ? ERAR_SUCCESS : result;
}

bool TUnRar::OpenMemberOutput() {
    if (!OpenOutputFile(out_, CurrentFileName, StoredName)) {
        stopped_ = true;
        return false;
    }
    outputOpen_ = true;
    return true;
}

// ---------------------------------------------------------------------------
// The callback

int TUnRar::Callback(unsigned Msg, std::intptr_t P1, std::intptr_t P2) {
    try {
        switch (Msg) {
        case UCM_CHANGEVOLUME:
            return OnChangeVolume(reinterpret_cast<char*>(P1));
        case UCM_PROCESSDATA:
            return OnData(reinterpret_cast<const std::uint8_t*>(P1), static_cast<std::int64_t>(P2));
        case UCM_NEEDPASSWORD:
            return OnPassword(reinterpret_cast<char*>(P1), static_cast<std::int64_t>(P2));
        default:
            return -1;
        }
    } catch (...) {
        // Nothing is thrown through the module: the pass rethrows it.
        pending_ = std::current_exception();
        stopped_ = true;
        return -1;
    }
}

int TUnRar::OnData(const std::uint8_t* data, std::int64_t count) {
    if (GetCancel() || current_ == nullptr || stopped_) return -1;
    if (count <= 0 || data == nullptr) return 0;
    // Never more than the member's size from its header.
    if (count > current_->Unpacked - written_) {
        ReportError(current_->Name, "", VolumeName, kMsgCorruptInput);
        stopped_ = true;
        return -1;
    }
    if (!outputOpen_ && !OpenMemberOutput()) return -1;
    if (WriteOutput(out_.get(), data, 1, count, 32) <= 0) {
        stopped_ = true; // reported by the writer
        return -1;
    }
    written_ += count;
    DoProgress(ArchiveTotal, current_->Unpacked, written_);
    return 0;
}

int TUnRar::OnPassword(char* buffer, std::int64_t size) {
    if (buffer == nullptr || size <= 0) return -1;
    const std::string name = current_ != nullptr ? current_->Name : ArchiveFile;
    std::string password = Password;
    // A password set before the run is used whether or not the event is there.
    if (password.empty()) {
        if (!OnGetPassword) {
            ReportError(name, "", ArchiveFile, kMsgInvalidPassword);
            stopped_ = true;
            return -1;
        }
        bool tryAgain = true;
        Timer.Pause();
        OnGetPassword(*this, OutputMode == kOutputFiles ? CurrentFileName : name, password,
                      tryAgain);
        Timer.Resume();
        if (!tryAgain || password.empty()) {
            ReportError(name, "User canceled", ArchiveFile, kMsgInvalidPassword);
            stopped_ = true;
            return -1;
        }
    }
    const std::size_t length = std::min<std::size_t>(password.size(), size - 1);
    std::memcpy(buffer, password.data(), length);
    buffer[length] = '\0';
    return 0;
}

int TUnRar::OnChangeVolume(char* name) {
    if (name == nullptr) return -1;
    std::string next(name, strnlen(name, kRarVolumeNameSize - 1));
    // The walk has resolved the set: a volume it holds is only a notice.
    if (std::find(volumes_.begin(), volumes_.end(), next) != volumes_.end()) return 0;
    if (!AskNextVolume(next, VolumeNumber)) {
        BytesRemaining = 0;
        DoProgress(ArchiveTotal, 1, 1);
        return -1;
    }
    const std::size_t length = std::min<std::size_t>(next.size(), kRarVolumeNameSize - 1);
    std::memcpy(name, next.data(), length);
    name[length] = '\0';
    VolumeName = next;
    return 0;
}

} // namespace sorvane
