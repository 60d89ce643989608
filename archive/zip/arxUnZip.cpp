// The ZIP reader.
#include "archive/zip/arxUnZip.h"

#include "archive/arxCrc.h"
#include "archive/codecs/arxExplode.h"
#include "archive/codecs/arxInflate.h"
#include "archive/codecs/arxInflate64.h"
#include "archive/codecs/arxUnreduce.h"
#include "archive/codecs/arxUnshrink.h"
#include "archive/zip/arxZipCrypt.h"
#include "archive/zip/arxZipHeader.h"
#include "archive/zip/arxZipNames.h"
#include "platform/Directory.h"
#include "platform/Folders.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace sorvane {

namespace {

// A volume read from a position of its own, one positional read at a time:
// a member's data costs no seek, and the volume's own position plays no part.
// With `cache`, the header reader's bytes of that volume, small reads go
// through its blocks: the data of many small members come in one read.
class TVolumeAt final : public TArxBaseStream {
public:
    TVolumeAt(TArxBaseStream& volume, std::int64_t pos, TArxBlockSource* cache)
        : volume_(volume), pos_(pos), cache_(cache) {}

    std::int64_t Read(void* buffer, std::int64_t count) override {
        CheckBuffer(buffer, count, "read");
        const std::int64_t got = cache_ != nullptr ? cache_->ReadAt(pos_, buffer, count)
                                                   : volume_.PositionalRead(pos_, buffer, count);
        pos_ += got;
        return got;
    }
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
        if (origin == TSeekOrigin::End) return -1;
        pos_ = origin == TSeekOrigin::Beginning ? offset : pos_ + offset;
        return pos_;
    }

private:
    TArxBaseStream& volume_;
    std::int64_t pos_;
    TArxBlockSource* cache_;
};

} // namespace

// The packed bytes of one member as a stream of their own: positions start
// at 0 at the member's data and never pass its packed size; in a split or
// spanned set, reading past the end of a volume goes on at the start of the
// next one. Reads are deciphered once Decipher is set.
class TZipMemberSource : public TArxBaseStream {
public:
    // `length` < 0: no bound but the end of the volume (no volume change).
    TZipMemberSource(TUnZip& owner, std::unique_ptr<TArxBaseStream>& volume, TArxBlockSource& cache,
                     std::int64_t start, std::int64_t length, bool spans)
        : owner_(owner), volume_(volume), cache_(cache), length_(length), spans_(spans),
          volumeStart_(start) {}

    bool Decipher = false;
    std::int64_t Consumed() const { return pos_; }
    std::int64_t Remaining() const {
        return length_ < 0 ? std::numeric_limits<std::int64_t>::max() : length_ - pos_;
    }

    std::int64_t Read(void* buffer, std::int64_t count) override {
        CheckBuffer(buffer, count, "read");
        auto* out = static_cast<std::uint8_t*>(buffer);
        count = std::min(count, Remaining());
        std::int64_t total = 0;
        while (count > 0 && volume_) {
            TVolumeAt at(*volume_, volumeStart_ + (pos_ - segmentStart_),
                         cache_.Stream() == volume_.get() ? &cache_ : nullptr);
            const std::int64_t got = owner_.ReadProc(at, count, 0, Decipher, out + total);
            if (got > 0) {
                total += got;
                count -= got;
                pos_ += got;
                owner_.BytesRemaining -= got;
                continue;
            }
            if (!spans_ || length_ < 0 || owner_.GetCancel() || !owner_.NextMemberVolume(volume_) ||
                !volume_)
                break;
            segmentStart_ = pos_;
            volumeStart_ = 0;
        }
        return total;
    }

    std::int64_t Write(const void*, std::int64_t) override { return 0; }

    // Positions inside the part already read of the current volume.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
        std::int64_t target = -1;
        if (origin == TSeekOrigin::Beginning)
            target = offset;
        else if (origin == TSeekOrigin::Current)
            target = pos_ + offset;
        if (target == pos_) return pos_;
        if (target < segmentStart_ || target > pos_ || !volume_) return -1;
        pos_ = target;
        return pos_;
    }

    std::int64_t Size() override { return length_ < 0 ? pos_ : length_; }

private:
    TUnZip& owner_;
    std::unique_ptr<TArxBaseStream>& volume_;
    TArxBlockSource& cache_;
    std::int64_t length_;
    bool spans_;
    std::int64_t pos_ = 0;
    std::int64_t segmentStart_ = 0; // member position where the current volume's part begins
    std::int64_t volumeStart_ = 0;  // volume position of that part
};

namespace {

constexpr std::uint32_t kArchiveAttr = 0x20;
constexpr std::uint32_t kReadOnlyAttr = 0x01;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kAesMethod = 99; // WinZip AES: the real method is in the extra field
constexpr std::int64_t kLocalSearch = 32768;
constexpr std::int64_t kStep = 32768;
// The most a Deflate stream can expand (a 258-byte match per two bits of
// code, plus the block overhead): bounds a member whose sizes follow it.
constexpr std::int64_t kDeflateMaxRatio = 1032;
// The central header, the sizes, the attributes, then the time its extra
// field stores (a byte saying whether it does, seconds, nanoseconds).
constexpr std::size_t kPayloadTime = 46 + 16 + 4;
constexpr std::size_t kPayloadHeader = kPayloadTime + 1 + 8 + 4;

struct Record {
    std::uint32_t Attr;
    std::uint32_t Disk;
    std::int64_t Offset;
    std::int64_t DataPos; // found when the entry was listed; -1: read at extraction
};
static_assert(sizeof(Record) == 24);

bool KnownMethod(std::uint16_t method) {
    return method <= 6 || method == 8 || method == 9;
}

std::int64_t Clamp64(std::uint64_t value) {
    return static_cast<std::int64_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::int64_t>::max() / 4));
}

void PutU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutU64(std::string& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The DOS attributes of a member from its external attributes: a Unix-made
// entry without DOS bits takes read-only from its owner's write permission.
std::uint32_t MemberAttributes(std::uint32_t external, std::uint16_t creator) {
    std::uint32_t attr = external & 0xFFu;
    const std::uint32_t mode = external >> 16;
    if ((creator >> 8) == kZipUnixHost && mode != 0) {
        attr &= ~kReadOnlyAttr;
        if ((mode & 0200) == 0) attr |= kReadOnlyAttr;
        if ((mode & 0170000) == 0040000) attr |= kZipFolderAttr;
    }
    return attr;
}

} // namespace

TUnZip::TUnZip() = default;

bool TUnZip::CheckPassword(std::uint8_t* Header12) {
    if (current_ == nullptr) return false;
    std::uint8_t header24[24]{};
    std::copy_n(Header12, 12, header24 + 12);
    return CipherKeys.CheckZipPassword(header24, current_->Flags, current_->Crc, Password,
                                       static_cast<std::uint16_t>(current_->DosDate & 0xFFFF));
}

// ---------------------------------------------------------------------------
// The driver

void TUnZip::ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int) {
    current_ = nullptr;
    volume_.Reset(nullptr);
    if (ArcType == atZipDS) {
        DiskSpann.Init(*this, nullptr);
        if (!DiskSpann.GetLastDisk()) return;
        auto file = std::make_unique<TFileStream32>(ArchiveFile, TFileStream32::kModeReadDenyWrite);
        if (file->Handle < 0) {
            ReportError(ArchiveFile, "", "", kMsgOpenError);
            return;
        }
        ArchiveSize = file->Size();
        InStream = std::move(file);
        currentDisk_ = GetLe16(EndOfCentralDir.data() + 4) + 1;
    }
    if (!InStream) {
        ReportError(ArchiveFile, "", "", kMsgOpenError);
        return;
    }
    if (ArcType == atZipMV && !(ZipHeaderFlags & kZipCentralFound) &&
        !OpenDirectorySegment(InStream))
        return;
    volumeCount_ = GetLe16(EndOfCentralDir.data() + 4) + 1;
    currentVolume_ = volumeCount_;
    list_.Init(sizeof(Record));
    struct FreeList {
        TUnBaseHeaderObj& list;
        TArxBlockSource& volume;
        ~FreeList() {
            list.Done();
            volume.Reset(nullptr);
        }
    } freeList{list_, volume_};
    if (ZipHeaderFlags & kZipCentralFound) {
        Timer.Pause();
        try {
            CollectCentral(*InStream);
        } catch (...) {
            Timer.Resume();
            throw;
        }
        Timer.Resume();
        ExtractCentralList(InStream);
    } else {
        if (OnCorruptZipHeader) {
            bool cancel = true;
            OnCorruptZipHeader(*this, ZipHeaderFlags, cancel);
            if (cancel) return;
        }
        CollectLocal(*InStream);
        ExtractLocalList(InStream);
    }
}

void TUnZip::CollectCentral(TArxBaseStream& stream) {
    std::int64_t pos = std::max<std::int64_t>(StartOffset, 0);
    std::int64_t correction = 0;
    bool firstChecked = true;
    const bool spanned = ArcType == atZipDS || ArcType == atZipMV;
    TArxByteSource& source = Headers(stream);
    TZipCentralRecord central; // its name and extra field reused from entry to entry
    while (!GetCancel()) {
        std::uint8_t h[kZipCentralHeaderSize]{};
        if (source.ReadAt(pos, h, sizeof h) != static_cast<std::int64_t>(sizeof h)) break;
        bool enciphered = false;
        if (ClassifyZipSignature(GetLe32(h), kZipCentralKind, enciphered) != kZipCentralKind) break;
        if (enciphered && !DecipherHeader(h, kZipCentralKind)) break;
        if (!ReadZipCentralRecord(source, pos, h, central)) {
            // The same bad header the directory walk reports.
            ReportError(ArchiveFile, "", VolumeName, kMsgBadFileHeader);
            break;
        }
        const std::uint16_t creator = central.Fields.CreatorVersion;
        const std::uint16_t flags = central.Fields.Flags;
        const std::uint32_t external = central.ExternalAttr;
        const TZipExtraInfo& info = central.Info;
        const TNameHost host = (creator >> 8) == kZipUnixHost ? TNameHost::Other : TNameHost::Dos;
        const std::string name = ZipMemberName(
            central.RawName, info, (external & kZipFolderAttr) || (flags & kZipUtf8NameFlag), host,
            TranslateOemChar);
        const std::int64_t next = central.Next;

        if (MatchFileSpecDirs(name, FileSpec, ExclusionList, RecurseDirs)) {
            Record record{MemberAttributes(external, creator),
                          info.Disk + (ArcType == atZipDS ? 1u : 0u),
                          Clamp64(info.LocalOffset) + ZipOffsetShift + correction, -1};
            bool found = true;
            if (!spanned) {
                record.DataPos = ReadLocalHeader(stream, record.Offset, nullptr);
                found = record.DataPos >= 0;
                if (!found && firstChecked) {
                    // One search after the recorded offset; the distance found
                    // corrects this and every later entry.
                    std::vector<std::uint8_t> block(static_cast<std::size_t>(kLocalSearch + 4));
                    const std::int64_t got =
                        source.ReadAt(record.Offset + 1, block.data(), kLocalSearch + 3);
                    for (std::int64_t i = 0; i + 4 <= got; ++i) {
                        bool encrypted = false;
                        if (block[static_cast<std::size_t>(i)] == 'P' &&
                            ClassifyZipSignature(GetLe32(block.data() + i), kZipLocalKind,
                                                 encrypted) == kZipLocalKind) {
                            correction += i + 1;
                            record.Offset += i + 1;
                            record.DataPos = ReadLocalHeader(stream, record.Offset, nullptr);
                            found = record.DataPos >= 0;
                            break;
                        }
                    }
                }
                firstChecked = false;
            }
            if (!found) {
                ReportError(name, "", VolumeName, kMsgBadLocalOffset);
            } else {
                std::string payload(reinterpret_cast<const char*>(h), sizeof h);
                PutU64(payload, info.Packed);
                PutU64(payload, info.Unpacked);
                PutU32(payload, record.Attr);
                const auto time = ZipMemberUnixTime(info, central.Fields.DosDate);
                payload.push_back(time ? 1 : 0);
                PutU64(payload, time ? static_cast<std::uint64_t>(time->Seconds) : 0);
                PutU32(payload, time ? time->Nanoseconds : 0);
                payload += name;
                if (payload.size() <= 0xFFFF) {
                    list_.AddItem(&record, payload.data(),
                                  static_cast<std::uint16_t>(payload.size()));
                    MaxFileDate = std::max(MaxFileDate, central.Fields.DosDate);
                    const bool encrypted = (flags & kFlagEncrypted) != 0;
                    const std::int64_t packed = Clamp64(info.Packed);
                    ArchiveTotal += encrypted ? std::max<std::int64_t>(packed - 12, 0) : packed;
                    FileTotal += Clamp64(info.Unpacked);
                }
            }
        }
        pos = next;
    }
    BytesRemaining = ArchiveTotal;
}

TArxByteSource& TUnZip::Headers(TArxBaseStream& stream) {
    if (volume_.Stream() != &stream) volume_.Reset(&stream);
    return volume_;
}

std::int64_t TUnZip::ReadLocalHeader(TArxBaseStream& stream, std::int64_t offset,
                                     TZipHeader* header) {
    TArxByteSource& source = Headers(stream);
    std::uint8_t h[kZipLocalHeaderSize]{};
    if (offset < 0 || source.ReadAt(offset, h, sizeof h) != static_cast<std::int64_t>(sizeof h))
        return -1;
    bool enciphered = false;
    if (ClassifyZipSignature(GetLe32(h), kZipLocalKind, enciphered) != kZipLocalKind) return -1;
    if (enciphered && !DecipherHeader(h, kZipLocalKind)) return -1;
    TZipLocalRecord& local = local_;
    if (!ReadZipLocalRecord(source, offset, h, local)) return -1;
    if (header != nullptr) {
        header->Flags = local.Fields.Flags;
        header->Method = local.Fields.Method;
        header->DosDate = local.Fields.DosDate;
        header->Crc = local.Fields.Crc;
        header->UnixTime = ZipMemberUnixTime(local.Info, local.Fields.DosDate);
        header->PackedSize = Clamp64(local.Info.Packed);
        header->UnpackedSize = Clamp64(local.Info.Unpacked);
        header->Name =
            ZipMemberName(local.RawName, local.Info, (header->Flags & kZipUtf8NameFlag) != 0,
                          TNameHost::Dos, TranslateOemChar);
        // A local header has no attributes: a name ending in a separator is a folder.
        header->Attr =
            !header->Name.empty() && header->Name.back() == '\\' ? kZipFolderAttr : kArchiveAttr;
    }
    return local.DataPos;
}

void TUnZip::CollectLocal(TArxBaseStream& stream) {
    std::int64_t pos = std::max<std::int64_t>(StartOffset, 0);
    TArxByteSource& source = Headers(stream);
    std::uint8_t marker[4]{};
    if (source.ReadAt(pos, marker, 4) == 4 && GetLe32(marker) == kZipDescriptorSignature) pos += 4;
    const std::int64_t size = source.Size();
    while (!GetCancel()) {
        TZipHeader header;
        const std::int64_t dataPos = ReadLocalHeader(stream, pos, &header);
        if (dataPos < 0) break;
        // Data past the end of the file outside a split or spanned set: the bad
        // header the directory walk reports; the members before it are extracted.
        const bool whole = header.PackedSize <= size - dataPos;
        if (!whole && ArcType != atZipMV && ArcType != atZipDS) {
            ReportError(ArchiveFile, "", VolumeName, kMsgBadFileHeader);
            break;
        }
        if (MatchFileSpecDirs(header.Name, FileSpec, ExclusionList, RecurseDirs)) {
            const Record record{header.Attr, 1, pos, -1};
            list_.AddRecord(&record);
            MaxFileDate = std::max(MaxFileDate, header.DosDate);
            const bool encrypted = (header.Flags & kFlagEncrypted) != 0;
            ArchiveTotal +=
                encrypted ? std::max<std::int64_t>(header.PackedSize - 12, 0) : header.PackedSize;
            FileTotal += header.UnpackedSize;
        }
        // Sizes that follow the data: the next header is not where the local
        // sizes say, and the walk ends after this member.
        if ((header.Flags & kZipFlagDataDescriptor) && header.PackedSize == 0) break;
        if (!whole) break;
        pos = dataPos + header.PackedSize;
    }
    BytesRemaining = ArchiveTotal;
}

bool TUnZip::OpenDirectorySegment(std::unique_ptr<TArxBaseStream>& stream) {
    const auto slash = ArchiveFile.find_last_of('/');
    const auto dot = ArchiveFile.find_last_of('.');
    const std::string stem = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                 ? ArchiveFile
                                 : ArchiveFile.substr(0, dot);
    std::string directory = stem + ".zip";
    if (!FileExists(directory) && FileExists(stem + ".ZIP")) directory = stem + ".ZIP";
    if (directory == ArchiveFile) {
        ReportError(ArchiveFile, "", "", kMsgBadFileHeader);
        return false;
    }
    stream.reset();
    volume_.Reset(nullptr);
    if (!AskNextVolume(directory, 0)) return false;
    SetArchiveFile(directory);
    if (!(ZipHeaderFlags & kZipCentralFound)) {
        ReportError(ArchiveFile, "", "", kMsgBadFileHeader);
        return false;
    }
    auto file = std::make_unique<TFileStream32>(ArchiveFile, TFileStream32::kModeReadDenyWrite);
    if (file->Handle < 0) {
        ReportError(ArchiveFile, "", "", kMsgOpenError);
        return false;
    }
    ArchiveSize = file->Size();
    BytesRemaining = ArchiveSize;
    VolumeName = ArchiveFile;
    stream = std::move(file);
    return true;
}

bool TUnZip::NextMemberVolume(std::unique_ptr<TArxBaseStream>& volume) {
    volume_.Reset(nullptr); // a new volume may take the old one's place in memory
    if (ArcType == atZipMV) {
        if (currentVolume_ >= volumeCount_) return false;
        int number = currentVolume_;
        if (!OpenNextVolume(volume, number, volumeCount_)) {
            *CancelFlagRef = 1;
            return false;
        }
        currentVolume_ = number;
        return true;
    }
    if (ArcType == atZipDS) {
        if (!DiskSpann.ChangeDisk(volume, 0)) return false;
        ++currentDisk_;
        return true;
    }
    return false;
}

// Split sets: opens the volume of `disk` (0-based) unless it is open.
// Spanned sets: asks for the disk (1-based) unless it is in the drive.
bool TUnZip::MoveToDisk(std::unique_ptr<TArxBaseStream>& stream, std::uint32_t disk) {
    if (ArcType == atZipMV) {
        if (stream && currentVolume_ == static_cast<std::int32_t>(disk) + 1) return true;
        if (static_cast<std::int64_t>(disk) >= volumeCount_) return false;
        int number = static_cast<int>(disk);
        volume_.Reset(nullptr);
        if (!OpenNextVolume(stream, number, volumeCount_)) {
            *CancelFlagRef = 1;
            return false;
        }
        currentVolume_ = number;
        return true;
    }
    if (ArcType == atZipDS) {
        if (stream && currentDisk_ == disk) return true;
        // The disk is asked for by its own number, backwards or forwards.
        DiskSpann.DiskIndex = static_cast<std::uint16_t>(std::max<std::uint32_t>(disk, 1));
        volume_.Reset(nullptr);
        if (!DiskSpann.ChangeDisk(stream, 0)) return false;
        currentDisk_ = disk;
        return true;
    }
    return static_cast<bool>(stream);
}

void TUnZip::ExtractCentralList(std::unique_ptr<TArxBaseStream>& stream) {
    for (int i = 0; i < list_.Count && !GetCancel(); ++i) {
        Record record{};
        std::memcpy(&record, list_.GetItem(i), sizeof record);
        const std::string_view payload = list_.GetName(i);
        if (payload.size() < kPayloadHeader) continue;
        const auto* h = reinterpret_cast<const std::uint8_t*>(payload.data());
        TZipHeader header;
        header.Flags = GetLe16(h + 8);
        header.Method = GetLe16(h + 10);
        header.DosDate = GetLe32(h + 12);
        header.Crc = GetLe32(h + 16);
        header.PackedSize = Clamp64(GetLe64(h + 46));
        header.UnpackedSize = Clamp64(GetLe64(h + 54));
        header.Attr = GetLe32(h + 62);
        if (h[kPayloadTime] != 0)
            header.UnixTime = TZipUnixTime{static_cast<std::int64_t>(GetLe64(h + kPayloadTime + 1)),
                                           GetLe32(h + kPayloadTime + 9)};
        header.Name.assign(payload.substr(kPayloadHeader));
        if (!MoveToDisk(stream, record.Disk) || !stream) break;
        // The local header was read when the entry was listed, but in a set
        // of volumes, whose volume is opened only now.
        const std::int64_t dataPos =
            record.DataPos >= 0 ? record.DataPos : ReadLocalHeader(*stream, record.Offset, nullptr);
        if (dataPos < 0) {
            ReportError(header.Name, "", VolumeName, kMsgBadLocalOffset);
            continue;
        }
        ExtractMember(stream, dataPos, header, false);
    }
}

void TUnZip::ExtractLocalList(std::unique_ptr<TArxBaseStream>& stream) {
    for (int i = 0; i < list_.Count && !GetCancel(); ++i) {
        Record record{};
        std::memcpy(&record, list_.GetItem(i), sizeof record);
        if (ArcType == atZipDS && i == 0 && !MoveToDisk(stream, record.Disk)) break;
        if (!stream) break;
        TZipHeader header;
        const std::int64_t dataPos = ReadLocalHeader(*stream, record.Offset, &header);
        if (dataPos < 0) {
            ReportError(ArchiveFile, "", VolumeName, kMsgBadLocalOffset);
            continue;
        }
        ExtractMember(stream, dataPos, header, true);
    }
}

// ---------------------------------------------------------------------------
// One member

void TUnZip::ExtractMember(std::unique_ptr<TArxBaseStream>& stream, std::int64_t dataPos,
                           TZipHeader& header, bool localOnly) {
    current_ = &header;
    struct Forget {
        const TZipHeader*& current;
        ~Forget() { current = nullptr; }
    } forget{current_};
    StoredName = header.Name;
    if (JarNaming())
        header.Attr =
            !header.Name.empty() && header.Name.back() != '\\' ? kArchiveAttr : kZipFolderAttr;
    const bool folder = (header.Attr & kZipFolderAttr) != 0;
    SetCurrentFileName(header.Name);
    if (CurrentNameRefused) return; // reported; nothing leaves ExtractDir
    MemberEncrypted = false;

    if (folder) {
        if (header.UnixTime)
            RememberFolder(CurrentFileName, header.UnixTime->Seconds, 0,
                           header.UnixTime->Nanoseconds);
        else
            RememberFolder(CurrentFileName, std::nullopt, header.DosDate);
        Crc32.Start(header.Crc);
        CheckCrc(32, header.Crc);
        return;
    }

    // What cannot be decoded is refused before any output is opened; a
    // cipher other than the traditional one is named as such.
    if ((header.Flags & kFlagEncrypted) &&
        ((header.Flags & kFlagStrongEncryption) || header.Method == kAesMethod)) {
        ReportError(header.Name, header.Method == kAesMethod ? "AES" : "strong encryption",
                    VolumeName, kMsgUnsupportedCipher);
        return;
    }
    if (!KnownMethod(header.Method) || (header.Flags & kFlagStrongEncryption)) {
        ReportError(header.Name, "", VolumeName, kMsgUnsupportedMethod);
        return;
    }
    const bool trailingSizes = localOnly && (header.Flags & kZipFlagDataDescriptor) != 0;
    const bool unsized = trailingSizes && header.PackedSize == 0;
    if (unsized && header.Method != 8) {
        ReportError(header.Name, "sizes follow the data", VolumeName, kMsgBadFileHeader);
        return;
    }

    MemberEncrypted = (header.Flags & kFlagEncrypted) != 0;
    // No password passed for an earlier member: this one is skipped, and said so.
    const bool givenUp = MemberEncrypted && PasswordFailed;
    if (!CheckOverwrite(false)) return;
    const bool spans = ArcType == atZipMV || ArcType == atZipDS;
    TZipMemberSource source(*this, stream, volume_, dataPos, unsized ? -1 : header.PackedSize,
                            spans);
    if (MemberEncrypted && !PasswordFailed && !GetPassword(source)) PasswordFailed = true;

    std::unique_ptr<TArxBaseStream> out;
    if (!OpenOutputFile(out, CurrentFileName, header.Name)) {
        UncountMember();
        return;
    }
    if (SkipsMember()) { // no password passed: nothing opened, not counted
        if (givenUp) ReportError(CurrentFileName, "", VolumeName, kMsgPasswordFailed);
        return;
    }
    source.Decipher = MemberEncrypted;

    std::int64_t limit = header.UnpackedSize;
    if (unsized) {
        const std::int64_t available = std::max<std::int64_t>(ArchiveSize - dataPos, 0);
        limit = available > std::numeric_limits<std::int64_t>::max() / (2 * kDeflateMaxRatio)
                    ? std::numeric_limits<std::int64_t>::max() / 2
                    : available * kDeflateMaxRatio + kStep;
        // Info-ZIP writes the unpacked size even when the packed one follows.
        if (header.UnpackedSize > 0) limit = std::min(limit, header.UnpackedSize);
    }
    Crc32.Start(0xFFFFFFFFu);
    std::int64_t consumed = -1;
    TDecodeResult result = TDecodeResult::Corrupt;
    try {
        result = DecodeMember(source, out.get(), header, limit, &consumed);
    } catch (const E_RAISE& error) {
        // A write failure was reported where it happened; other library
        // errors of the decoders are reported here. Either ends the member.
        const bool written = error.Code() == kMsgWriteError || error.Code() == kMsgDiskFull;
        if (!written) ReportError(header.Name, "", VolumeName, error.Code());
        result = written ? TDecodeResult::WriteFailed : TDecodeResult::Corrupt;
    }
    if (consumed < 0) consumed = source.Consumed();
    if (result == TDecodeResult::Done && trailingSizes) {
        const std::int64_t packedUsed = consumed + (MemberEncrypted ? kZipEncryptionHeader : 0);
        if (!CheckDescriptor(*stream, dataPos, unsized ? packedUsed : header.PackedSize, header))
            result = TDecodeResult::Corrupt;
    }
    // The time of the extra field where it stores one, else the DOS date.
    const std::string& dated = OutputMode == kOutputFiles ? CurrentFileName : header.Name;
    if (header.UnixTime)
        SetFileAttrUnixTime(out, dated, header.Attr & 0xFFu, header.UnixTime->Seconds,
                            header.UnixTime->Nanoseconds);
    else
        SetFileAttrDate(out, dated, header.Attr & 0xFFu, header.DosDate);
    // Only members written whole count as extracted.
    MemberVerdict({.Result = result,
                   .CrcWidth = 32,
                   .StoredCrc = ~header.Crc,
                   .DeclaredSize = unsized ? kNoDeclaredSize : header.UnpackedSize});
    MemberDone({std::max<std::int64_t>(header.PackedSize - source.Consumed(), 0), header.Flags});
}

// The data descriptor behind a member whose sizes follow its data (an
// optional "PK" 7 8, the CRC, then 4- or 8-byte sizes) gives its CRC. For an
// unsized member the Deflate stream's end tells where it lies, give or take
// the bytes the decoder read ahead.
bool TUnZip::CheckDescriptor(TArxBaseStream& stream, std::int64_t dataPos, std::int64_t consumed,
                             TZipHeader& header) {
    const bool exact = header.PackedSize != 0;
    for (std::int64_t back = 0; back <= (exact ? 0 : 8); ++back) {
        const std::int64_t at = dataPos + consumed - back;
        if (at < dataPos) break;
        const auto packedHere = static_cast<std::uint64_t>(at - dataPos);
        std::uint8_t d[24]{};
        const std::int64_t got = Headers(stream).ReadAt(at, d, sizeof d);
        std::int64_t crcAt = -1;
        if (got >= 16 && GetLe32(d) == kZipDescriptorSignature &&
            (GetLe32(d + 8) == packedHere || (got >= 24 && GetLe64(d + 8) == packedHere)))
            crcAt = 4;
        else if (got >= 12 &&
                 (GetLe32(d + 4) == packedHere || (got >= 20 && GetLe64(d + 4) == packedHere)))
            crcAt = 0;
        if (crcAt >= 0) {
            header.Crc = GetLe32(d + crcAt);
            return true;
        }
    }
    ReportError(header.Name, "no data descriptor behind the data", VolumeName, kMsgBadFileHeader);
    return false;
}

TDecodeResult TUnZip::DecodeMember(TZipMemberSource& source, TArxBaseStream* out,
                                   const TZipHeader& header, std::int64_t limit,
                                   std::int64_t* consumed) {
    TMemberIo io = MemberWriter(out, limit, 32);
    io.PackedSize = std::max<std::int64_t>(source.Remaining(), 0);
    io.Read = [&source](std::uint8_t* buf, std::int64_t count) { return source.Read(buf, count); };

    TDecodeResult result = TDecodeResult::Corrupt;
    switch (header.Method) {
    case 0: {
        if (copyBuffer_.empty()) copyBuffer_.resize(static_cast<std::size_t>(kStep));
        result = TDecodeResult::Done;
        for (std::int64_t written = 0; written < limit && result == TDecodeResult::Done;) {
            if (io.Canceled()) return TDecodeResult::Canceled;
            const std::int64_t got = io.Read(copyBuffer_.data(), std::min(kStep, limit - written));
            if (got <= 0)
                result = TDecodeResult::InputEnded;
            else if (io.Write(copyBuffer_.data(), got) != got)
                result = TDecodeResult::WriteFailed;
            else
                written += got;
        }
        break;
    }
    case 1:
        result = Unshrink(io);
        break;
    case 2:
    case 3:
    case 4:
    case 5:
        result = Unreduce(io, header.Method - 1);
        break;
    case 6:
        result = ExplodeMember(io, header.Flags);
        break;
    case 8:
    case 9:
        result = inflate_.Decode(io, header.Method == 9);
        *consumed = inflate_.Consumed();
        break;
    default:
        return TDecodeResult::Corrupt;
    }
    if (result == TDecodeResult::Corrupt)
        ReportError(header.Name, "", VolumeName, kMsgCorruptInput);
    if (GetCancel()) return TDecodeResult::Canceled;
    return result;
}

} // namespace sorvane
