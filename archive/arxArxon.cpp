// TArxon: the run of one listing and the services the directory walks use.
#include "archive/arxArxon.h"

#include "archive/arxHelpers.h"
#include "archive/arxUnBase.h"
#include "platform/StreamFile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>

namespace sorvane {

namespace {

constexpr std::uint8_t kRemovableDrive = 2;
constexpr std::uint32_t kDirectoryAttr = 0x10;

// A run that ended on an exception: report it unless it is a numbered error
// the library already reported when it raised it.
// The ratio in percent; sizes the archive got wrong give 0.
int RatioOf(std::int64_t unpacked, std::int64_t packed) {
    return packed < 0 ? 0 : std::clamp(Ratio(unpacked, packed), 0, 100);
}

bool AlreadyReported(const std::exception& error) {
    return dynamic_cast<const E_RAISE*>(&error) != nullptr;
}

} // namespace

TArxon::TArxon() : diskSpann_(std::make_unique<TDiskSpannObj>()) {
    SetZipCmntBufSize(32000);
    ShowEmptyDirs = false;
    RecurseDirs = true;
}

TArxon::~TArxon() = default;

void TArxon::SetCurrentFileName(const std::string& Name) {
    SetOemFileName(Name, TNameHost::Dos);
}

void TArxon::SetOemFileName(const std::string& Name, TNameHost Host) {
    FileName = StoredNameToAnsi(Name, Host, TranslateOemChar);
    CurrentFileName = FileName;
}

void TArxon::SetRawFileName(const std::string& Name) {
    FileName = SlashToBackslash(Name);
    CurrentFileName = FileName;
}

// ---------------------------------------------------------------------------
// The run

bool TArxon::Activate() {
    if (busy_) return false;
    busy_ = true;
    bool succeeded = true;
    try {
        SetCancel(false);
        VolumeName = ArchiveFile;
        ClearAuxList();
        NumFiles = 0;
        TotalPackedSize = 0;
        TotalUnpackedSize = 0;
        TotalRatio = 0;
        Walk = TArxonWalkState{};
        if (ArchiveFile.empty() || !StreamFileExists(ArchiveFile))
            RaiseError(ArchiveFile, "", "", kMsgFileNotFound);
        if (!OnRead) RaiseError(ArchiveFile, "OnRead", "", kMsgEventNotAssigned);
        // The disk manager has reported why the drive cannot be read.
        if (!PrepareZipDriveKind()) {
            busy_ = false;
            return false;
        }
        workBuffer_.assign(static_cast<std::size_t>(kArxonWorkBufferSize), 0);
        auto file = std::make_unique<TFileStream32>(ArchiveFile, TFileStream32::kModeReadDenyWrite);
        if (file->Handle < 0) {
            ReportError(ArchiveFile, "", "", kMsgOpenError);
            workBuffer_.clear();
            busy_ = false;
            return false;
        }
        stream_ = std::move(file);
        cacheOwner_ = nullptr;
        if (OnActivate) OnActivate(*this);
        Timer.Start();
        RunWalk();
        FinishRun();
        succeeded = !Walk.Failed;
    } catch (const std::exception& error) {
        if (!AlreadyReported(error)) ReportCaught(error);
        succeeded = false;
    } catch (...) {
        succeeded = false;
    }
    if (Timer.Running()) Timer.Stop();
    stream_.reset();
    cacheOwner_ = nullptr;
    workBuffer_.clear();
    workBuffer_.shrink_to_fit();
    busy_ = false;
    return succeeded;
}

void TArxon::ReportCaught(const std::exception& error) {
    try {
        ReportError(ArchiveFile, error.what(), "", kMsgReadError);
    } catch (...) {
        // A failing error handler cannot be reported any further.
    }
}

// A ZIP with nothing but local headers from offset 0 may be one disk of a
// spanned set: on a removable drive it is listed as one.
bool TArxon::PrepareZipDriveKind() {
    if (ArcType != atZip || StartOffset != 0 || (ZipHeaderFlags & kZipCentralFound) != 0)
        return true;
    if (!DiskManager.ReadDrive(ArchiveFile, InsertDiskHandler(), nullptr, ReportProc(),
                               RaiseProc()))
        return false;
    if (DiskManager.DriveType == kRemovableDrive) ArcType = atZipDS;
    return true;
}

void TArxon::RunWalk() {
    Walk.StreamSize = stream_->Size();
    Walk.FirstHeader = StartOffset;
    std::unique_ptr<TArxonWalk> walk = CreateArxonWalk(ArcType);
    if (!walk) return;
    walk->SetUp(*this);
    if (Walk.Ended || GetCancel()) return;
    RunLoop(*walk);
}

void TArxon::RunLoop(TArxonWalk& walk) {
    Walk.Position = Walk.FirstHeader;
    while (!GetCancel() && stream_ && !Walk.Ended) {
        const std::int64_t size = Walk.HeaderSize;
        if (size <= 0 || size > kArxonMaxHeader) break;
        if (Walk.Position < 0 || Walk.Position > Walk.StreamSize - size) break;
        Walk.HeaderOffset = Walk.Position;
        Walk.Header.assign(static_cast<std::size_t>(size), 0);
        if (!ReadExact(Walk.Position, Walk.Header.data(), size)) break;
        Walk.Position += size;
        const int volumes = Walk.VolumeChanges;
        walk.Step(*this);
        if (Walk.Ended) break;
        if (Walk.VolumeChanges == volumes && Walk.Position <= Walk.HeaderOffset) {
            FailWalk();
            break;
        }
    }
}

void TArxon::FinishRun() {
    Timer.Stop();
    stream_.reset();
    cacheOwner_ = nullptr;
    if (OnTotals) {
        TotalRatio = static_cast<std::uint8_t>(RatioOf(TotalUnpackedSize, TotalPackedSize));
        OnTotals(*this, TotalUnpackedSize, TotalPackedSize, TotalRatio, NumFiles);
    }
    if (OnDeactivate) OnDeactivate(*this);
    if (OnElapsedTime) OnElapsedTime(*this, Timer.ElapsedTime);
}

// ---------------------------------------------------------------------------
// Reporting

void TArxon::DoRead(int Offset, int Filenum) {
    if ((FileAttr & kDirectoryAttr) != 0 && (FileName.empty() || FileName.back() != '\\'))
        FileName += '\\';
    if (OnReadBegin) OnReadBegin(*this);
    OnRead(*this, Offset, Filenum);
    if (OnReadEnd) OnReadEnd(*this);
}

namespace {

// Sizes come from the archive: a sum that would overflow stays at the limit.
std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? INT64_MAX : INT64_MIN;
}

} // namespace

void TArxon::AddTotals(std::int64_t Packed, std::int64_t Unpacked) {
    TotalPackedSize = SaturatingAdd(TotalPackedSize, Packed);
    TotalUnpackedSize = SaturatingAdd(TotalUnpackedSize, Unpacked);
}

void TArxon::SubtractTotals(std::int64_t Packed, std::int64_t Unpacked) {
    TotalPackedSize = SaturatingAdd(TotalPackedSize, Packed == INT64_MIN ? INT64_MAX : -Packed);
    TotalUnpackedSize =
        SaturatingAdd(TotalUnpackedSize, Unpacked == INT64_MIN ? INT64_MAX : -Unpacked);
}

void TArxon::FireReadFile() {
    if (OnReadFile) OnReadFile(*this, FileName);
}

bool TArxon::MatchSpec() const {
    return MatchesFileSpec(FileName, FileSpec, ExclusionList);
}

bool TArxon::MatchSpecDirs() {
    return MatchesFileSpecDirs(FileName, FileSpec, ExclusionList, RecurseDirs);
}

void TArxon::TakeEntry(const TArxonEntry& entry) {
    FileDate = entry.FileDate;
    FileAttr = entry.FileAttr;
    UnpackedSize = entry.UnpackedSize;
    PackedSize = entry.PackedSize;
    Crc = entry.Crc;
    Encrypted = entry.Encrypted;
    CreatorVersion = entry.CreatorVersion;
    ExtractVersion = entry.ExtractVersion;
    CompressMethod = entry.CompressMethod;
    CompressMethodName = entry.CompressMethodName;
    InternalAttr = entry.InternalAttr;
    Ratio = static_cast<std::uint8_t>(RatioOf(UnpackedSize, PackedSize));
}

namespace {

int OffsetOf(const TArxonEntry& entry, std::int64_t headerOffset) {
    const std::int64_t offset = entry.Offset >= 0 ? entry.Offset : headerOffset;
    return static_cast<int>(std::clamp<std::int64_t>(offset, 0, INT32_MAX));
}

} // namespace

void TArxon::ReportFile(const TArxonEntry& entry) {
    ++NumFiles;
    AddTotals(entry.PackedSize, entry.UnpackedSize);
    TakeEntry(entry);
    DoRead(OffsetOf(entry, Walk.HeaderOffset), NumFiles);
    if (OnMessageLoop) OnMessageLoop();
}

void TArxon::ReportDir(const TArxonEntry& entry, bool counted) {
    if (!ShowEmptyDirs) return;
    if (counted) ++NumFiles;
    TakeEntry(entry);
    DoRead(OffsetOf(entry, Walk.HeaderOffset), NumFiles);
    if (OnMessageLoop) OnMessageLoop();
}

// ---------------------------------------------------------------------------
// Reading and walk control

std::int64_t TArxon::ReadAt(std::int64_t pos, void* buffer, std::int64_t count) {
    if (!stream_ || buffer == nullptr || pos < 0 || count <= 0 || pos >= Walk.StreamSize) return 0;
    count = std::min(count, Walk.StreamSize - pos);
    constexpr std::int64_t kReadCacheSize = 65536;
    if (count > kReadCacheSize / 2) return sorvane::ReadAt(*stream_, pos, buffer, count);
    if (cacheOwner_ != stream_.get() || pos < cacheStart_ ||
        pos + count > cacheStart_ + cacheLength_) {
        readCache_.resize(static_cast<std::size_t>(kReadCacheSize));
        cacheOwner_ = stream_.get();
        cacheStart_ = pos;
        cacheLength_ = sorvane::ReadAt(*stream_, pos, readCache_.data(),
                                       std::min(kReadCacheSize, Walk.StreamSize - pos));
    }
    const std::int64_t available = std::min(count, cacheStart_ + cacheLength_ - pos);
    if (available <= 0) return 0;
    std::memcpy(buffer, readCache_.data() + (pos - cacheStart_),
                static_cast<std::size_t>(available));
    return available;
}

bool TArxon::ReadExact(std::int64_t pos, void* buffer, std::int64_t count) {
    if (count == 0) return pos >= 0 && pos <= Walk.StreamSize;
    return count > 0 && ReadAt(pos, buffer, count) == count;
}

bool TArxon::ReadName(std::int64_t pos, std::int64_t length, std::string& name) {
    name.clear();
    if (length < 0 || pos < 0 || pos > Walk.StreamSize || length > Walk.StreamSize - pos)
        return false;
    name.resize(static_cast<std::size_t>(length));
    if (!ReadExact(pos, name.data(), length)) return false;
    name.resize(std::min(name.size(), name.find('\0')));
    return true;
}

void TArxon::EndWalk() {
    Walk.Ended = true;
    Walk.Position = Walk.StreamSize;
}

void TArxon::FailWalk(int MsgId, const std::string& ExtendedMsg) {
    EndWalk();
    if (GetCancel()) return;
    Walk.Failed = true;
    ReportError(ArchiveFile, ExtendedMsg, "", MsgId);
}

void TArxon::MoveWalkTo(std::int64_t next) {
    if (next > Walk.StreamSize)
        FailWalk(kMsgReadError);
    else
        Walk.Position = next;
}

bool TArxon::NextVolume() {
    const bool rarNames = ArcType == atRar || ArcType == atRarExe;
    if (!rarNames && VolumeLetter != 0) {
        // Linux names are case-sensitive: try the volume letter in the other case.
        const std::string made = MakeVolumeName(VolumeName, VolumeNumber);
        if (!made.empty() && !StreamFileExists(made)) {
            const char saved = VolumeLetter;
            VolumeLetter = std::islower(static_cast<unsigned char>(saved))
                               ? static_cast<char>(std::toupper(static_cast<unsigned char>(saved)))
                               : static_cast<char>(std::tolower(static_cast<unsigned char>(saved)));
            if (!StreamFileExists(MakeVolumeName(VolumeName, VolumeNumber))) VolumeLetter = saved;
        }
    }
    if (!OnNextVolume) ReportError(ArchiveFile, "OnNextVolume", "", kMsgEventNotAssigned);
    std::unique_ptr<TArxBaseStream> next;
    if (!OpenNextVolumeStream(next, VolumeName) || !next) {
        if (!GetCancel()) SetCancel(true);
        EndWalk();
        return false;
    }
    stream_ = std::move(next);
    cacheOwner_ = nullptr;
    Walk.StreamSize = stream_->Size();
    ++Walk.VolumeChanges;
    return true;
}

} // namespace sorvane
