// Bounds-checked file and record access and the tag text conversions of the
// audio readers.
#include "catalogue/metadata/AudioBytes.h"

#include "platform/Text.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {

void CheckInside(std::uint64_t at, std::uint64_t count, std::uint64_t size) {
    if (at > size || count > size - at)
        throw EAudioRead("Read beyond the end of the data (" + std::to_string(count) +
                         " bytes at " + std::to_string(at) + " of " + std::to_string(size) + ")");
}

AudioFile::AudioFile(const std::string& path) {
    // O_NONBLOCK keeps open() from waiting on a FIFO; a regular file ignores it.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0) throw EAudioRead("Cannot open file \"" + path + "\". " + std::strerror(errno));
    struct stat info {};
    const bool statted = ::fstat(fd_, &info) == 0;
    const int error = errno;
    if (!statted || !S_ISREG(info.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw EAudioRead("Cannot open file \"" + path + "\". " +
                         (statted ? "Not a regular file" : std::strerror(error)));
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
}

AudioFile::~AudioFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::string AudioFile::Read(std::uint64_t offset, std::size_t count) const {
    if (count > kAudioMaxRead)
        throw EAudioRead("Read of " + std::to_string(count) + " bytes refused");
    CheckInside(offset, count, size_);
    std::string bytes(count, '\0');
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(fd_, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw EAudioRead(std::string("Read error. ") + std::strerror(errno));
        if (got == 0) throw EAudioRead("Read beyond end of file");
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

bool AudioBytes::Has(std::size_t at, std::size_t count) const {
    return at <= bytes_.size() && count <= bytes_.size() - at;
}

bool AudioBytes::Matches(std::size_t at, std::string_view signature) const {
    return Has(at, signature.size()) &&
           std::string_view(bytes_).substr(at, signature.size()) == signature;
}

std::string_view AudioBytes::View(std::size_t at, std::size_t count) const {
    CheckInside(at, count, bytes_.size());
    return std::string_view(bytes_).substr(at, count);
}

std::uint8_t AudioBytes::U8(std::size_t at) const {
    return static_cast<std::uint8_t>(View(at, 1)[0]);
}

namespace {

std::uint64_t LittleEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        value = value << 8 | static_cast<std::uint8_t>(bytes[i]);
    return value;
}

std::uint64_t BigEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (char byte : bytes)
        value = value << 8 | static_cast<std::uint8_t>(byte);
    return value;
}

} // namespace

std::uint16_t AudioBytes::U16LE(std::size_t at) const {
    return static_cast<std::uint16_t>(LittleEndian(View(at, 2)));
}
std::uint32_t AudioBytes::U24BE(std::size_t at) const {
    return static_cast<std::uint32_t>(BigEndian(View(at, 3)));
}
std::uint32_t AudioBytes::U32LE(std::size_t at) const {
    return static_cast<std::uint32_t>(LittleEndian(View(at, 4)));
}
std::uint32_t AudioBytes::U32BE(std::size_t at) const {
    return static_cast<std::uint32_t>(BigEndian(View(at, 4)));
}
std::uint64_t AudioBytes::U64LE(std::size_t at) const {
    return LittleEndian(View(at, 8));
}

std::uint32_t AudioBytes::Synchsafe32(std::size_t at) const {
    std::uint32_t value = 0;
    for (char byte : View(at, 4))
        value = value << 7 | (static_cast<std::uint8_t>(byte) & 0x7F);
    return value;
}

AudioCursor::AudioCursor(const AudioFile& file, std::uint64_t begin, std::uint64_t end)
    : file_(file), pos_(begin), end_(end < file.Size() ? end : file.Size()) {
    if (pos_ > end_) pos_ = end_;
}

std::string AudioCursor::Read(std::size_t count) {
    CheckInside(pos_, count, end_);
    std::string bytes = file_.Read(pos_, count);
    pos_ += count;
    return bytes;
}

void AudioCursor::Skip(std::uint64_t count) {
    CheckInside(pos_, count, end_);
    pos_ += count;
}

std::uint16_t AudioCursor::U16LE() {
    return AudioBytes(Read(2)).U16LE(0);
}
std::uint32_t AudioCursor::U32LE() {
    return AudioBytes(Read(4)).U32LE(0);
}

std::uint64_t Id3v2TagSize(const AudioBytes& header) {
    constexpr std::size_t kFlags = 5, kSize = 6;
    constexpr std::uint8_t kFooterFlag = 0x10;
    if (!header.Matches(0, "ID3") || !header.Has(kSize, 4)) return 0;
    // The size bytes carry 7 bits each; a damaged byte keeps its eighth bit, as
    // b6 x 2^21 + b7 x 2^14 + b8 x 2^7 + b9.
    std::uint64_t size = 0;
    for (std::size_t i = 0; i < 4; ++i)
        size = size * 128 + header.U8(kSize + i);
    return size + ((header.U8(kFlags) & kFooterFlag) != 0 ? 20 : 10);
}

std::string Windows1252Text(std::string_view bytes) {
    return text::Windows1252ToUtf8(bytes);
}

std::string Utf16Text(std::string_view bytes, bool bigEndian) {
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
        // A high surrogate in the last unit is a character cut by a length limit.
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 == units) break;
        text::AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u);
    }
    return out;
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

std::string UndeclaredText(std::string_view bytes, bool cut) {
    if (text::IsValidUtf8(bytes)) return std::string(bytes);
    if (cut) {
        const std::size_t length = LengthBeforeSplitCharacter(bytes);
        if (length != std::string_view::npos && !text::IsAscii(bytes.substr(0, length)))
            return std::string(bytes.substr(0, length));
    }
    return text::Windows1252ToUtf8(bytes);
}

std::string Utf8Text(std::string_view bytes, bool cut) {
    if (text::IsValidUtf8(bytes)) return std::string(bytes);
    if (cut) {
        const std::size_t length = LengthBeforeSplitCharacter(bytes);
        if (length != std::string_view::npos) return std::string(bytes.substr(0, length));
    }
    return text::Windows1252ToUtf8(bytes);
}

std::string TrimAudioText(std::string_view text) {
    auto blank = [](char c) { return static_cast<std::uint8_t>(c) <= ' '; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

bool ParseAudioNumber(std::string_view text, std::int32_t& value) {
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
