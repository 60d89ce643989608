// The RAR extraction module: the five RAR operations over libarchive's RAR
// reader. The volumes come resolved from the caller; the module reads them
// itself, learns each member's method, version and flags from its own block
// scan, and hands the decoded bytes to the caller's callback. It writes no
// file and never changes the current folder.
#include "archive/modules/rar/RarModuleApi.h"

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::array<unsigned char, 7> kMarker = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr std::int64_t kArchiveHeaderSize = 13;
constexpr unsigned char kArchiveHeaderType = 0x73;
constexpr unsigned char kFileBlock = 0x74;
constexpr unsigned char kEndBlock = 0x7B;
constexpr unsigned kFlagSplitBefore = 0x0001;
constexpr unsigned kFlagEncrypted = 0x0004;
constexpr unsigned kFlagLargeSizes = 0x0100;
constexpr unsigned kFlagLongBlock = 0x8000;
constexpr unsigned kMethodStore = 0x30;
constexpr unsigned kMethodBest = 0x35;
// The one unpack version whose compressed data libarchive decodes (RAR 2.9 to 4).
constexpr unsigned kDecodedVersion = 29;
constexpr std::size_t kReadBlock = 64 * 1024;
constexpr std::size_t kDeliverBlock = 64 * 1024;
constexpr unsigned kPasswordSize = 128;

unsigned Le16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Volume {
    int Fd = -1;
    std::int64_t Base = 0; // where the archive starts in the file
    std::int64_t Size = 0; // bytes from Base to the end of the file
    std::int64_t Pos = 0;  // relative to Base
    std::vector<unsigned char> Buffer;
};

struct Member {
    unsigned Flags = 0, HostOS = 0, Crc = 0, Time = 0, UnpVer = 0, Method = 0, Attr = 0;
    std::uint64_t Packed = 0, Unpacked = 0;
};

struct Handle {
    std::vector<Volume> Volumes;
    std::vector<Member> Members;
    archive* Reader = nullptr;
    std::size_t NextMember = 0; // members read so far
    bool HaveEntry = false;     // the last header read has not been processed
    UNRARCALLBACK Callback = nullptr;
    std::intptr_t UserData = 0;

    ~Handle() {
        if (Reader != nullptr) archive_read_free(Reader);
        for (Volume& v : Volumes)
            if (v.Fd >= 0) close(v.Fd);
    }
};

bool ReadAt(const Volume& v, std::int64_t pos, unsigned char* out, std::int64_t count) {
    if (pos < 0 || count < 0 || pos > v.Size || count > v.Size - pos) return false;
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t got = pread(v.Fd, out + done, static_cast<std::size_t>(count - done),
                                  static_cast<off_t>(v.Base + pos + done));
        if (got <= 0) return false;
        done += got;
    }
    return true;
}

// Lists the members of every volume (a member split over volumes once, with
// the CRC of its last part, which covers the whole member). False when a
// volume is no RAR archive of the block format.
bool ScanVolumes(Handle& h) {
    for (const Volume& v : h.Volumes) {
        std::array<unsigned char, 7 + kArchiveHeaderSize> start{};
        if (!ReadAt(v, 0, start.data(), start.size()) ||
            !std::equal(kMarker.begin(), kMarker.end(), start.begin()) ||
            start[7 + 2] != kArchiveHeaderType || Le16(start.data() + 7 + 5) < kArchiveHeaderSize)
            return false;
        std::int64_t pos = 7 + static_cast<std::int64_t>(Le16(start.data() + 7 + 5));
        for (;;) {
            unsigned char b[40]{};
            if (!ReadAt(v, pos, b, 7)) break;
            const unsigned type = b[2], flags = Le16(b + 3);
            const std::int64_t size = Le16(b + 5);
            if (size < 7 || type == kEndBlock) break;
            std::int64_t data = 0;
            if (type == kFileBlock) {
                const std::int64_t fixed = (flags & kFlagLargeSizes) != 0 ? 40 : 32;
                if (size < fixed || !ReadAt(v, pos, b, fixed)) break;
                Member m;
                m.Flags = flags;
                m.Packed = Le32(b + 7);
                m.Unpacked = Le32(b + 11);
                if ((flags & kFlagLargeSizes) != 0) {
                    m.Packed |= static_cast<std::uint64_t>(Le32(b + 32) & 0x3FFFFFFF) << 32;
                    m.Unpacked |= static_cast<std::uint64_t>(Le32(b + 36) & 0x3FFFFFFF) << 32;
                }
                m.HostOS = b[15];
                m.Crc = Le32(b + 16);
                m.Time = Le32(b + 20);
                m.UnpVer = b[24];
                m.Method = b[25];
                m.Attr = Le32(b + 28);
                data = static_cast<std::int64_t>(m.Packed);
                if ((flags & kFlagSplitBefore) == 0)
                    h.Members.push_back(m);
                else if (!h.Members.empty())
                    h.Members.back().Crc = m.Crc;
            } else if ((flags & kFlagLongBlock) != 0) {
                if (!ReadAt(v, pos, b, 11)) break;
                data = Le32(b + 7);
            }
            if (data > v.Size || size + data > v.Size - pos) break;
            pos += size + data;
        }
    }
    return true;
}

// libarchive's input: each volume from its start offset.
la_ssize_t ReadVolume(archive*, void* data, const void** buffer) {
    auto* v = static_cast<Volume*>(data);
    if (v->Buffer.empty()) v->Buffer.resize(kReadBlock);
    const std::int64_t left = std::max<std::int64_t>(v->Size - v->Pos, 0);
    const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, kReadBlock));
    ssize_t got = 0;
    if (want > 0) got = pread(v->Fd, v->Buffer.data(), want, static_cast<off_t>(v->Base + v->Pos));
    if (got < 0) return ARCHIVE_FATAL;
    v->Pos += got;
    *buffer = v->Buffer.data();
    return got;
}

la_int64_t SeekVolume(archive*, void* data, la_int64_t offset, int whence) {
    auto* v = static_cast<Volume*>(data);
    std::int64_t target = offset;
    if (whence == SEEK_CUR) target = v->Pos + offset;
    if (whence == SEEK_END) target = v->Size + offset;
    if (target < 0) return ARCHIVE_FATAL;
    v->Pos = std::min(target, v->Size);
    return v->Pos;
}

la_int64_t SkipVolume(archive*, void* data, la_int64_t request) {
    auto* v = static_cast<Volume*>(data);
    const std::int64_t step = std::clamp<std::int64_t>(request, 0, v->Size - v->Pos);
    v->Pos += step;
    return step;
}

int SwitchVolume(archive*, void*, void* next) {
    if (next != nullptr) static_cast<Volume*>(next)->Pos = 0;
    return ARCHIVE_OK;
}

int NoOp(archive*, void*) {
    return ARCHIVE_OK;
}

int Deliver(Handle& h, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const std::size_t n = std::min(size, kDeliverBlock);
        if (h.Callback == nullptr ||
            h.Callback(UCM_PROCESSDATA, h.UserData, reinterpret_cast<std::intptr_t>(data),
                       static_cast<std::intptr_t>(n)) < 0)
            return ERAR_UNKNOWN;
        data += n;
        size -= n;
    }
    return ERAR_SUCCESS;
}

int ProcessData(Handle& h) {
    static const std::array<unsigned char, 4096> zeros{};
    std::int64_t delivered = 0;
    for (;;) {
        const void* buffer = nullptr;
        std::size_t size = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(h.Reader, &buffer, &size, &offset);
        if (r == ARCHIVE_EOF) return ERAR_SUCCESS;
        if (r < ARCHIVE_WARN) return ERAR_BAD_DATA;
        // A gap before the block reads as zeros.
        while (offset > delivered) {
            const auto n = static_cast<std::size_t>(std::min<std::int64_t>(
                offset - delivered, static_cast<std::int64_t>(zeros.size())));
            if (Deliver(h, zeros.data(), n) != ERAR_SUCCESS) return ERAR_UNKNOWN;
            delivered += static_cast<std::int64_t>(n);
        }
        if (Deliver(h, static_cast<const unsigned char*>(buffer), size) != ERAR_SUCCESS)
            return ERAR_UNKNOWN;
        delivered += static_cast<std::int64_t>(size);
    }
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) void* RAROpenArchiveEx(RAROpenArchiveDataEx* Data) {
    if (Data == nullptr) return nullptr;
    Data->OpenResult = ERAR_BAD_ARCHIVE;
    if (Data->Volumes == nullptr || Data->VolumeCount == 0 || Data->OpenMode != RAR_OM_EXTRACT)
        return nullptr;
    auto h = std::unique_ptr<Handle>(new (std::nothrow) Handle);
    if (!h) {
        Data->OpenResult = ERAR_NO_MEMORY;
        return nullptr;
    }
    h->Volumes.resize(Data->VolumeCount);
    for (unsigned i = 0; i < Data->VolumeCount; ++i) {
        Volume& v = h->Volumes[i];
        v.Fd = Data->Volumes[i] != nullptr ? open(Data->Volumes[i], O_RDONLY | O_CLOEXEC) : -1;
        struct stat st {};
        if (v.Fd < 0 || fstat(v.Fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            Data->OpenResult = ERAR_EOPEN;
            return nullptr;
        }
        v.Base = i == 0 ? std::clamp<std::int64_t>(Data->StartOffset, 0, st.st_size) : 0;
        v.Size = st.st_size - v.Base;
    }
    if (!ScanVolumes(*h)) return nullptr;

    h->Reader = archive_read_new();
    if (h->Reader == nullptr) {
        Data->OpenResult = ERAR_NO_MEMORY;
        return nullptr;
    }
    archive_read_support_format_rar(h->Reader);
    archive_read_set_open_callback(h->Reader, NoOp);
    archive_read_set_read_callback(h->Reader, ReadVolume);
    archive_read_set_seek_callback(h->Reader, SeekVolume);
    archive_read_set_skip_callback(h->Reader, SkipVolume);
    archive_read_set_switch_callback(h->Reader, SwitchVolume);
    archive_read_set_close_callback(h->Reader, NoOp);
    archive_read_set_callback_data2(h->Reader, &h->Volumes[0], 0);
    for (unsigned i = 1; i < Data->VolumeCount; ++i)
        archive_read_append_callback_data(h->Reader, &h->Volumes[i]);
    if (archive_read_open1(h->Reader) != ARCHIVE_OK) return nullptr;
    Data->OpenResult = ERAR_SUCCESS;
    return h.release();
}

__attribute__((visibility("default"))) int RARCloseArchive(void* HandlePtr) {
    delete static_cast<Handle*>(HandlePtr);
    return ERAR_SUCCESS;
}

__attribute__((visibility("default"))) void RARSetCallback(void* HandlePtr, UNRARCALLBACK Callback,
                                                           std::intptr_t UserData) {
    auto* h = static_cast<Handle*>(HandlePtr);
    if (h == nullptr) return;
    h->Callback = Callback;
    h->UserData = UserData;
}

__attribute__((visibility("default"))) int RARReadHeaderEx(void* HandlePtr,
                                                           RARHeaderDataEx* Header) {
    auto* h = static_cast<Handle*>(HandlePtr);
    if (h == nullptr || Header == nullptr) return ERAR_BAD_DATA;
    archive_entry* entry = nullptr;
    const int r = archive_read_next_header(h->Reader, &entry);
    h->HaveEntry = false;
    if (r == ARCHIVE_EOF) return ERAR_END_ARCHIVE;
    if (r < ARCHIVE_FAILED || entry == nullptr) return ERAR_BAD_DATA;
    if (h->NextMember >= h->Members.size()) return ERAR_BAD_DATA;
    const Member& m = h->Members[h->NextMember++];
    std::memset(Header, 0, sizeof *Header);
    const char* name = archive_entry_pathname(entry);
    if (name != nullptr) std::strncpy(Header->FileName, name, kRarFileNameSize - 1);
    Header->Flags = m.Flags;
    Header->PackSize = static_cast<unsigned>(m.Packed & 0xFFFFFFFFu);
    Header->PackSizeHigh = static_cast<unsigned>(m.Packed >> 32);
    Header->UnpSize = static_cast<unsigned>(m.Unpacked & 0xFFFFFFFFu);
    Header->UnpSizeHigh = static_cast<unsigned>(m.Unpacked >> 32);
    Header->HostOS = m.HostOS;
    Header->FileCRC = m.Crc;
    Header->FileTime = m.Time;
    Header->UnpVer = m.UnpVer;
    Header->Method = m.Method;
    Header->FileAttr = m.Attr;
    h->HaveEntry = true;
    return ERAR_SUCCESS;
}

__attribute__((visibility("default"))) int RARProcessFile(void* HandlePtr, int Operation,
                                                          const char*, const char*) {
    auto* h = static_cast<Handle*>(HandlePtr);
    if (h == nullptr || !h->HaveEntry || h->NextMember == 0) return ERAR_BAD_DATA;
    h->HaveEntry = false;
    if (Operation == RAR_SKIP) return ERAR_SUCCESS; // the next header read passes it over
    if (Operation != RAR_TEST && Operation != RAR_EXTRACT) return ERAR_UNKNOWN_FORMAT;
    const Member& m = h->Members[h->NextMember - 1];
    if ((m.Flags & kFlagEncrypted) != 0) {
        // libarchive cannot decipher RAR data: with a password the member is
        // still one this module cannot decode.
        std::array<char, kPasswordSize> password{};
        const int r =
            h->Callback == nullptr
                ? -1
                : h->Callback(UCM_NEEDPASSWORD, h->UserData,
                              reinterpret_cast<std::intptr_t>(password.data()), kPasswordSize);
        if (r < 0 || password[0] == '\0') return ERAR_MISSING_PASSWORD;
        return ERAR_UNKNOWN_FORMAT;
    }
    if (m.Method < kMethodStore || m.Method > kMethodBest ||
        (m.Method != kMethodStore && m.UnpVer != kDecodedVersion))
        return ERAR_UNKNOWN_FORMAT;
    return ProcessData(*h);
}

} // extern "C"
