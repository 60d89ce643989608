// Bounds-checked access to the bytes of sound files, shared by the WAV, ID3,
// Ogg Vorbis and WMA readers: the file, fixed records read from it, a cursor
// over a byte range, and the text conversions of their tags. Every read from a
// file's bytes goes through CheckInside, so a length, count or offset taken
// from a file is checked against what is really there before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace sorvane {

// A read outside a file, a record or a range: the damaged-input failure of the
// audio readers. Its message says what was asked for.
class EAudioRead : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value read from a file that does not fit the reader's field.
class EAudioRange : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The one check of every read: `count` bytes at `at` must lie inside `size`.
// Raises EAudioRead otherwise (also when at + count overflows).
void CheckInside(std::uint64_t at, std::uint64_t count, std::uint64_t size);

// The largest single read of the readers; a larger request is a reader fault.
constexpr std::size_t kAudioMaxRead = 1 << 20;

// A file opened for reading only. Opening does not wait on a FIFO or a device:
// anything but a regular file is refused.
class AudioFile {
public:
    // Raises EAudioRead "Cannot open file "<path>". <reason>" on failure.
    explicit AudioFile(const std::string& path);
    ~AudioFile();
    AudioFile(const AudioFile&) = delete;
    AudioFile& operator=(const AudioFile&) = delete;

    std::uint64_t Size() const { return size_; }

    // Exactly `count` bytes at `offset` (count at most kAudioMaxRead).
    std::string Read(std::uint64_t offset, std::size_t count) const;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// A record read from a file: fields are taken one by one at their offsets.
class AudioBytes {
public:
    AudioBytes() = default;
    explicit AudioBytes(std::string bytes) : bytes_(std::move(bytes)) {}

    std::size_t Size() const { return bytes_.size(); }
    const std::string& Bytes() const { return bytes_; }

    bool Has(std::size_t at, std::size_t count) const;
    // True when the bytes at `at` are `signature`; false when they lie outside.
    bool Matches(std::size_t at, std::string_view signature) const;

    std::uint8_t U8(std::size_t at) const;
    std::uint16_t U16LE(std::size_t at) const;
    std::uint32_t U24BE(std::size_t at) const;
    std::uint32_t U32LE(std::size_t at) const;
    std::uint32_t U32BE(std::size_t at) const;
    std::uint64_t U64LE(std::size_t at) const;
    // Four 7-bit bytes, most significant first, as ID3v2 keeps its sizes.
    std::uint32_t Synchsafe32(std::size_t at) const;
    std::string_view View(std::size_t at, std::size_t count) const;

private:
    std::string bytes_;
};

// Reads forward through the byte range [begin, end) of a file; `end` is cut to
// the file's size. Reads and skips past `end` raise EAudioRead.
class AudioCursor {
public:
    AudioCursor(const AudioFile& file, std::uint64_t begin, std::uint64_t end);

    std::uint64_t Position() const { return pos_; }
    std::uint64_t Remaining() const { return end_ - pos_; }

    std::string Read(std::size_t count);
    void Skip(std::uint64_t count);
    std::uint16_t U16LE();
    std::uint32_t U32LE();

private:
    const AudioFile& file_;
    std::uint64_t pos_;
    std::uint64_t end_;
};

// The whole size of an ID3v2 tag from its 10 header bytes ("ID3", version,
// revision, flags, synchsafe size): the size, plus 20 with a footer (flag 0x10)
// or 10 without. Zero when the bytes are no ID3v2 header.
std::uint64_t Id3v2TagSize(const AudioBytes& header);

// Text conversions; every result is UTF-8.
std::string Windows1252Text(std::string_view bytes);
// UTF-16 units up to the first unit 0; an unpaired surrogate becomes U+FFFD.
std::string Utf16Text(std::string_view bytes, bool bigEndian);
// Bytes of no declared encoding (ID3v1 fields): kept when they are UTF-8, else
// read as Windows-1252. When `cut` says the bytes were cut at a field's width,
// a UTF-8 character split by the cut is dropped, provided the rest is UTF-8
// holding at least one character beyond ASCII.
std::string UndeclaredText(std::string_view bytes, bool cut);
// Bytes that should be UTF-8 (Vorbis comments, ID3v2 encoding 3): kept when
// they are; a character split by a cut (`cut`) is dropped; bytes that are not
// UTF-8 at all are read as Windows-1252.
std::string Utf8Text(std::string_view bytes, bool cut);

// The text without the blanks and control characters at its two ends.
std::string TrimAudioText(std::string_view text);

// A whole text as a decimal number (leading blanks and a sign allowed, nothing
// after the digits); false when it is not one or does not fit 32 bits.
bool ParseAudioNumber(std::string_view text, std::int32_t& value);

} // namespace sorvane
