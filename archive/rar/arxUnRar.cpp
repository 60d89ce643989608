// The RAR reader and the loader of its extraction module.
#include "archive/rar/arxUnRar.h"

#include "archive/arxCrc.h"
#include "archive/arxHelpers.h"
#include "archive/rar/arxDirRar.h"
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

constexpr std::array<std::uint8_t, 7> kMarker = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr std::int64_t kMarkerSize = 7;
constexpr std::int64_t kArchiveHeaderSize = 13;
constexpr std::int64_t kBlockHead = 7;
constexpr std::int64_t kRecordSize = 32;
constexpr std::int64_t kHighSizes = 8;
constexpr std::uint8_t kArchiveHeaderType = 0x73;
constexpr std::uint8_t kFileBlock = 0x74;
constexpr std::uint8_t kCommentBlock = 0x75;
constexpr std::uint8_t kEndBlock = 0x7B;
constexpr std::uint16_t kFlagSplitBefore = 0x0001;
constexpr std::uint16_t kFlagSplitAfter = 0x0002;
constexpr std::uint16_t kEndNextVolume = 0x0001;
constexpr std::uint16_t kFlagDirectoryMask = 0x00E0;
constexpr std::uint16_t kFlagLargeSizes = 0x0100;
constexpr std::uint16_t kFlagUnicodeName = 0x0200;
constexpr std::uint16_t kFlagSalt = 0x0400;
constexpr std::uint16_t kFlagExtendedTime = 0x1000;
constexpr std::uint16_t kFlagSkipIfUnknown = 0x4000;
constexpr std::uint16_t kFlagLongBlock = 0x8000;
constexpr std::uint8_t kHostUnix = 3;
constexpr std::uint32_t kUnixDirectoryMode = 0x4000;
constexpr std::uint32_t kUnixTypeMask = 0xF000;
constexpr std::uint32_t kUnixLinkMode = 0xA000;
constexpr std::uint8_t kStoredMethod = 0x30;
constexpr std::int64_t kMaxLinkTarget = 1023;
constexpr std::uint32_t kDirectoryAttr = 0x10;
constexpr std::uint32_t kArchiveAttr = 0x20;
constexpr int kMaxVolumes = 1000;
constexpr std::int64_t kSaltSize = 8;
// The extended times' flags and the modification time's fraction (the
// other three times, which follow it, are not restored).
constexpr std::int64_t kExtendedTimeArea = 2 + 3;
constexpr unsigned kTimePresent = 8;
constexpr unsigned kTimeOddSecond = 4;
constexpr unsigned kTimeFractionBytes = 3;
constexpr std::uint32_t kTicksPerSecond = 10'000'000; // of 100 ns

// The modification time of an extended-time area: its flags word holds four
// bits per time, the modification time's in the top four (8 present, 4 one
// second past the DOS time's even second, 0-3 the bytes of its fraction in
// 100 ns units, the most significant byte last, high-aligned in 24 bits).
// Nothing when the area is short, the time absent or the DOS time no date.
std::optional<std::pair<std::int64_t, std::uint32_t>>
ExtendedModifiedTime(const std::uint8_t* area, std::int64_t size, std::uint32_t dosTime) {
    if (size < 2) return std::nullopt;
    const unsigned mode = GetLe16(area) >> 12;
    const unsigned count = mode & kTimeFractionBytes;
    if ((mode & kTimePresent) == 0 || size < 2 + static_cast<std::int64_t>(count))
        return std::nullopt;
    const auto local = DosDateToDateTime(dosTime);
    const auto seconds = local ? UnixFromLocalDateTime(*local) : std::nullopt;
    if (!seconds) return std::nullopt;
    std::uint32_t ticks = 0;
    for (unsigned i = 0; i < count; ++i)
        ticks |= static_cast<std::uint32_t>(area[2 + i]) << (8 * (i + kTimeFractionBytes - count));
    const std::int64_t whole = *seconds + ((mode & kTimeOddSecond) != 0 ? 1 : 0) +
                               static_cast<std::int64_t>(ticks / kTicksPerSecond);
    return std::pair{whole, (ticks % kTicksPerSecond) * 100};
}

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
    const std::int64_t size = file.Size();
    std::array<std::uint8_t, kMarkerSize + kArchiveHeaderSize> head{};
    if (start < 0 || start > size ||
        ReadAt(file, start, head.data(), static_cast<std::int64_t>(head.size())) !=
            static_cast<std::int64_t>(head.size()))
        RaiseError(path, "", "", kMsgReadError);
    const std::int64_t headerSize = GetLe16(head.data() + kMarkerSize + 5);
    // Only the block format of RAR 1.5 to 4 is read; a RAR 5 marker ends here too.
    if (!std::equal(kMarker.begin(), kMarker.end(), head.begin()) ||
        head[kMarkerSize + 2] != kArchiveHeaderType || headerSize < kArchiveHeaderSize)
        RaiseError(path, "", "", kMsgUnsupportedArchive);

    std::int64_t pos = start + kMarkerSize + headerSize;
    while (!GetCancel()) {
        std::array<std::uint8_t, kRecordSize + kHighSizes> b{};
        const std::int64_t got = ReadAt(file, pos, b.data(), kRecordSize);
        if (got < kBlockHead) break; // the volume ends
        const std::uint8_t type = b[2];
        const std::uint16_t flags = GetLe16(b.data() + 3);
        const std::int64_t blockSize = GetLe16(b.data() + 5);
        if (blockSize < kBlockHead) {
            ReportError(path, "", VolumeName, kMsgBadFileHeader);
            break;
        }
        std::int64_t data = 0;
        if (type == kCommentBlock) {
            data = 0;
        } else if ((flags & kFlagLongBlock) == 0) {
            if (type == kEndBlock) more = (flags & kEndNextVolume) != 0;
            // A block without a data part ends the walk, as in the listing.
            break;
        } else if ((flags & kFlagSkipIfUnknown) != 0 || type != kFileBlock) {
            if (got < 11) {
                ReportError(path, "", VolumeName, kMsgReadError);
                break;
            }
            data = GetLe32(b.data() + 7);
        } else {
            const std::int64_t fixed = kRecordSize + ((flags & kFlagLargeSizes) ? kHighSizes : 0);
            const std::int64_t nameSize = GetLe16(b.data() + 26);
            if (got < kRecordSize || blockSize < fixed || nameSize > blockSize - fixed) {
                ReportError(path, "", VolumeName, kMsgBadFileHeader);
                break;
            }
            std::string raw(static_cast<std::size_t>(nameSize), '\0');
            if (((flags & kFlagLargeSizes) &&
                 ReadAt(file, pos + kRecordSize, b.data() + kRecordSize, kHighSizes) !=
                     kHighSizes) ||
                ReadAt(file, pos + fixed, raw.data(), nameSize) != nameSize) {
                ReportError(path, "", VolumeName, kMsgReadError);
                break;
            }
            std::int64_t packed = GetLe32(b.data() + 7);
            std::int64_t unpacked = GetLe32(b.data() + 11);
            if (flags & kFlagLargeSizes) {
                // Sizes beyond 2^62 bytes are no real member's.
                packed |= static_cast<std::int64_t>(GetLe32(b.data() + 32) & 0x3FFFFFFF) << 32;
                unpacked |= static_cast<std::int64_t>(GetLe32(b.data() + 36) & 0x3FFFFFFF) << 32;
            }
            data = packed;
            if (data > size || blockSize + data > size - pos) {
                // Its data runs past the volume: the member cannot be had.
                ReportError(path, "", VolumeName, kMsgReadError);
                break;
            }
            lastSplitAfter_ = (flags & kFlagSplitAfter) != 0;
            if ((flags & kFlagSplitBefore) != 0) {
                // The whole member's CRC is in its last part.
                if (!members_.empty()) members_.back().Crc = GetLe32(b.data() + 16);
            } else {
                TRarMember m;
                m.Flags = flags;
                m.HostOS = b[15];
                m.Crc = GetLe32(b.data() + 16);
                m.Time = GetLe32(b.data() + 20);
                m.UnpVer = b[24];
                m.Method = b[25];
                m.Packed = packed;
                m.Unpacked = unpacked;
                if ((flags & kFlagExtendedTime) != 0) {
                    // Behind the name and the salt, inside the block's header.
                    const std::int64_t at =
                        fixed + nameSize + ((flags & kFlagSalt) != 0 ? kSaltSize : 0);
                    std::array<std::uint8_t, kExtendedTimeArea> area{};
                    const std::int64_t wanted = std::clamp<std::int64_t>(
                        blockSize - at, 0, static_cast<std::int64_t>(area.size()));
                    const std::int64_t read = ReadAt(file, pos + at, area.data(), wanted);
                    if (const auto time = ExtendedModifiedTime(area.data(), read, m.Time)) {
                        m.UnixTime = time->first;
                        m.Nanoseconds = time->second;
                    }
                }
                const std::size_t nul = raw.find('\0');
                m.Unicode = (flags & kFlagUnicodeName) != 0;
                if (m.Unicode && nul != std::string::npos)
                    m.Name = SlashToBackslash(Utf16ToUtf8(ConvertRarUnicodeName(raw, raw.size())));
                else if (m.Unicode)
                    m.Name = SlashToBackslash(raw);
                else
                    m.Name = StoredNameToAnsi(raw.substr(0, nul), TNameHost::Dos, TranslateOemChar);
                std::uint32_t attr = GetLe32(b.data() + 28);
                if (m.HostOS == kHostUnix && (attr & kUnixTypeMask) == kUnixLinkMode) {
                    // The target is the member's data, stored.
                    m.Link = true;
                    if (m.Method == kStoredMethod) {
                        m.LinkTarget.assign(
                            static_cast<std::size_t>(std::min(packed, kMaxLinkTarget)), '\0');
                        const std::int64_t read =
                            ReadAt(file, pos + blockSize, m.LinkTarget.data(),
                                   static_cast<std::int64_t>(m.LinkTarget.size()));
                        m.LinkTarget.resize(
                            static_cast<std::size_t>(std::max<std::int64_t>(read, 0)));
                        m.LinkTarget.resize(std::min(m.LinkTarget.size(), m.LinkTarget.find('\0')));
                    }
                }
                if (m.HostOS == kHostUnix)
                    attr = (attr & kUnixDirectoryMode) != 0 ? kDirectoryAttr : kArchiveAttr;
                else
                    attr &= 0xFFu;
                m.Directory = (attr & kDirectoryAttr) != 0 ||
                              (flags & kFlagDirectoryMask) == kFlagDirectoryMask;
                m.Attr = attr | (m.Directory ? kDirectoryAttr : 0);
                if (m.Directory) {
                    folders_.push_back(members_.size());
                } else if (MatchFileSpecDirs(m.Name, FileSpec, ExclusionList, RecurseDirs)) {
                    ArchiveTotal += m.Packed;
                    FileTotal += m.Unpacked;
                    MaxFileDate = std::max(MaxFileDate, m.Time);
                }
                members_.push_back(std::move(m));
            }
        }
        // The next block lies after this one and inside the volume.
        if (data > size || blockSize + data > size - pos) {
            ReportError(path, "", VolumeName, kMsgReadError);
            lastSplitAfter_ = false;
            break;
        }
        pos += blockSize + data;
    }
    more = more || lastSplitAfter_;
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
