// The range check, the read-only file over POSIX positioned reads, the field
// reader, the cursor and the text conversions of the metadata readers.
#include "catalogue/metadata/ByteReader.h"

#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {

namespace {

std::string ReadError(int error) {
    return std::string("read error: ") + std::strerror(error);
}

std::uint64_t LittleEndian(const std::uint8_t* p, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = count; i-- > 0;)
        value = value << 8 | p[i];
    return value;
}

std::uint64_t BigEndian(const std::uint8_t* p, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = value << 8 | p[i];
    return value;
}

} // namespace

void CheckRange(std::uint64_t offset, std::uint64_t count, std::uint64_t size, const char* what) {
    if (!RangeInside(offset, count, size))
        throw EMediaRead(std::string("read beyond the end of the ") + what + ": " +
                         std::to_string(count) + " bytes at offset " + std::to_string(offset) +
                         " of a " + what + " of " + std::to_string(size) + " bytes");
}

// ---- ByteFields ----

ByteFields ByteFields::InFile(std::uint64_t offset, std::string bytes) {
    ByteFields fields(std::move(bytes));
    fields.base_ = offset;
    fields.what_ = "file";
    return fields;
}

bool ByteFields::Holds(std::uint64_t offset, std::uint64_t count) const {
    return offset >= base_ && RangeInside(offset - base_, count, bytes_.size());
}

bool ByteFields::Matches(std::uint64_t offset, std::string_view signature) const {
    return Holds(offset, signature.size()) && View(offset, signature.size()) == signature;
}

const std::uint8_t* ByteFields::At(std::uint64_t offset, std::uint64_t count) const {
    if (offset < base_)
        throw EMediaRead("read before the first byte read: offset " + std::to_string(offset));
    CheckRange(offset, count, base_ + bytes_.size(), what_);
    return reinterpret_cast<const std::uint8_t*>(bytes_.data()) + (offset - base_);
}

std::string_view ByteFields::View(std::uint64_t offset, std::uint64_t count) const {
    return {reinterpret_cast<const char*>(At(offset, count)), static_cast<std::size_t>(count)};
}

std::uint16_t ByteFields::U16LE(std::uint64_t offset) const {
    return static_cast<std::uint16_t>(LittleEndian(At(offset, 2), 2));
}
std::uint16_t ByteFields::U16BE(std::uint64_t offset) const {
    return static_cast<std::uint16_t>(BigEndian(At(offset, 2), 2));
}
std::uint32_t ByteFields::U24BE(std::uint64_t offset) const {
    return static_cast<std::uint32_t>(BigEndian(At(offset, 3), 3));
}
std::uint32_t ByteFields::U32LE(std::uint64_t offset) const {
    return static_cast<std::uint32_t>(LittleEndian(At(offset, 4), 4));
}
std::uint32_t ByteFields::U32BE(std::uint64_t offset) const {
    return static_cast<std::uint32_t>(BigEndian(At(offset, 4), 4));
}
std::uint64_t ByteFields::U64LE(std::uint64_t offset) const {
    return LittleEndian(At(offset, 8), 8);
}
std::uint64_t ByteFields::U64BE(std::uint64_t offset) const {
    return BigEndian(At(offset, 8), 8);
}

// ---- ReadOnlyFile ----

ReadOnlyFile::ReadOnlyFile(const std::string& path) {
    if (Open(path) != OpenResult::Opened) throw EMediaRead(openError_);
}

ReadOnlyFile::~ReadOnlyFile() {
    Close();
}

ReadOnlyFile::OpenResult ReadOnlyFile::Open(const std::string& path) {
    Close();
    openError_.clear();
    auto notRegular = [&] { return path + " is not a regular file"; };
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        openError_ = "cannot open " + path + ": " + std::strerror(error);
        return error == ENOENT || error == ENOTDIR ? OpenResult::Missing : OpenResult::CannotOpen;
    }
    if (!S_ISREG(info.st_mode)) {
        openError_ = notRegular();
        return S_ISDIR(info.st_mode) ? OpenResult::Directory : OpenResult::CannotOpen;
    }
    // Non-blocking, so that a FIFO put in the file's place since never makes
    // open() wait for a writer; a regular file ignores the flag.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        openError_ = "cannot open " + path + ": " + std::strerror(error);
        return OpenResult::CannotOpen;
    }
    struct stat opened {};
    const bool statted = ::fstat(fd, &opened) == 0;
    const int error = errno;
    if (!statted || !S_ISREG(opened.st_mode) || opened.st_size < 0) {
        openError_ = statted ? notRegular()
                             : "cannot read the size of " + path + ": " + std::strerror(error);
        ::close(fd);
        return OpenResult::CannotOpen;
    }
    fd_ = fd;
    size_ = static_cast<std::uint64_t>(opened.st_size);
    return OpenResult::Opened;
}

void ReadOnlyFile::CheckOpen(std::uint64_t count) const {
    if (fd_ < 0) throw EMediaRead("read from a closed file");
    if (count > kMaxRead) throw EMediaRead("read of " + std::to_string(count) + " bytes refused");
}

std::string ReadOnlyFile::ReadAt(std::uint64_t offset, std::uint64_t count) const {
    CheckOpen(count);
    CheckRange(offset, count, size_);
    std::string bytes(static_cast<std::size_t>(count), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(fd_, bytes.data() + done, bytes.size() - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw EMediaRead(ReadError(errno));
        if (got == 0)
            throw EMediaRead("read beyond the end of the file: it shrank while it was read");
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

std::size_t ReadOnlyFile::ReadSome(std::uint64_t offset, std::uint8_t* out,
                                   std::size_t count) const {
    CheckOpen(count);
    if (offset >= size_) return 0;
    if (count > size_ - offset) count = static_cast<std::size_t>(size_ - offset);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw EMediaRead(ReadError(errno));
        if (got == 0) break; // the file shrank since it was opened
        done += static_cast<std::size_t>(got);
    }
    return done;
}

bool ReadOnlyFile::Close() {
    if (fd_ < 0) return true;
    const int fd = fd_;
    fd_ = -1;
    size_ = 0;
    return ::close(fd) == 0;
}

// ---- FileCursor ----

FileCursor::FileCursor(const ReadOnlyFile& file, std::uint64_t begin, std::uint64_t end)
    : file_(file), pos_(begin), end_(std::min(end, file.Size())) {
    if (pos_ > end_) pos_ = end_;
}

std::string FileCursor::Read(std::size_t count) {
    CheckAhead(count);
    std::string bytes = file_.ReadAt(pos_, count);
    pos_ += count;
    return bytes;
}

void FileCursor::Skip(std::uint64_t count) {
    CheckAhead(count);
    pos_ += count;
}

void FileCursor::CheckAhead(std::uint64_t count) const {
    if (!RangeInside(pos_, count, end_))
        throw EMediaRead("read beyond the end of the range: " + std::to_string(count) +
                         " bytes at offset " + std::to_string(pos_) + ", the range ends at " +
                         std::to_string(end_));
}

std::uint16_t FileCursor::U16LE() {
    return ByteFields(Read(2)).U16LE(0);
}

std::uint32_t FileCursor::U32LE() {
    return ByteFields(Read(4)).U32LE(0);
}

// ---- Text ----

std::string Windows1252Text(std::string_view bytes) {
    return text::Windows1252ToUtf8(bytes);
}

std::string Latin1Text(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes)
        text::AppendUtf8(out, c);
    return out;
}

std::string Utf16Text(std::string_view bytes, bool bigEndian, FinalHighSurrogate final) {
    std::string out;
    const std::size_t units = bytes.size() / 2;
    auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<std::uint8_t>(bytes[2 * i]);
        const auto b = static_cast<std::uint8_t>(bytes[2 * i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t u = unit(i);
        if (u == 0) break;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char32_t low = unit(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                text::AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 == units && final == FinalHighSurrogate::Dropped)
            break;
        text::AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u);
    }
    return out;
}

std::string Utf16TextWithBom(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF')
        return Utf16Text(bytes.substr(2), true);
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
        return Utf16Text(bytes.substr(2), false);
    return Utf16Text(bytes, false);
}

namespace {

// When the bytes end inside a UTF-8 character and everything before it is
// UTF-8, the length of that part; npos otherwise.
std::size_t LengthBeforeSplitCharacter(std::string_view bytes) {
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto byte = static_cast<std::uint8_t>(bytes[bytes.size() - back]);
        if (byte >= 0xC0) {
            const std::string_view before = bytes.substr(0, bytes.size() - back);
            return text::IsValidUtf8(before) ? before.size() : std::string_view::npos;
        }
        if ((byte & 0xC0) != 0x80) break;
    }
    return std::string_view::npos;
}

} // namespace

std::string Utf8Text(std::string_view bytes, bool cut) {
    if (text::IsValidUtf8(bytes)) return std::string(bytes);
    if (cut) {
        const std::size_t length = LengthBeforeSplitCharacter(bytes);
        if (length != std::string_view::npos) return std::string(bytes.substr(0, length));
    }
    return text::Windows1252ToUtf8(bytes);
}

std::string UndeclaredText(std::string_view bytes, bool cut) {
    if (text::IsValidUtf8(bytes)) return std::string(bytes);
    if (cut) {
        const std::size_t length = LengthBeforeSplitCharacter(bytes);
        if (length != std::string_view::npos && !text::IsAscii(bytes.substr(0, length)))
            return std::string(bytes.substr(0, length));
    }
    return text::Windows1252ToUtf8(bytes);
}

std::string TrimBlanks(std::string_view text) {
    auto blank = [](char c) { return static_cast<std::uint8_t>(c) <= ' '; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool ParseWholeNumber(std::string_view text, std::int32_t& value) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;
    std::int64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    const std::int64_t signed_ = negative ? -magnitude : magnitude;
    if (signed_ < std::numeric_limits<std::int32_t>::min() ||
        signed_ > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(signed_);
    return true;
}

} // namespace sorvane
