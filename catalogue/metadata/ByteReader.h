// Bounds-checked reading of untrusted files, shared by every metadata reader:
// the one range check, a read-only file, fields read from the bytes it gives,
// a forward cursor, the failure of damaged input, and the conversions of the
// texts such bytes hold. A length, count or offset taken from a file is
// checked against what is really there before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace sorvane {

// A file that does not hold what its structure says (a read past the end of
// the file or of the bytes read from it, a length or count it cannot hold, a
// value its format does not allow, a chain that loops), or one the system
// cannot open or read. The message says what was asked for.
class EMediaRead : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The names the image, audio and document readers know it by.
using EImageRead = EMediaRead;
using EAudioRead = EMediaRead;
using EDamagedFile = EMediaRead;

// A value read from a file that does not fit the reader's field. Kept apart
// from EMediaRead: the readers that swallow damaged input let it through.
class EFieldRange : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
using EAudioRange = EFieldRange;

// `value` as a `Field`; EFieldRange "Range check error: <what> <value>" when
// it does not fit.
template <typename Field> Field FitField(std::int64_t value, const char* what) {
    static_assert(sizeof(Field) < sizeof(std::int64_t), "a field narrower than the value");
    if (value < std::numeric_limits<Field>::min() || value > std::numeric_limits<Field>::max())
        throw EFieldRange(std::string("Range check error: ") + what + " " + std::to_string(value));
    return static_cast<Field>(value);
}

// The one range check: true when the `count` bytes at `offset` lie inside
// `size` bytes. Written so that no sum can overflow.
constexpr bool RangeInside(std::uint64_t offset, std::uint64_t count, std::uint64_t size) {
    return offset <= size && count <= size - offset;
}

// RangeInside, or EMediaRead "read beyond the end of the <what>: <count> bytes
// at offset <offset> of a <what> of <size> bytes".
void CheckRange(std::uint64_t offset, std::uint64_t count, std::uint64_t size,
                const char* what = "file");

// The largest single read from a file; a larger request is a reader fault.
// Every read of the readers is far below it: the largest is a TIFF image
// directory of 65,535 entries (786,420 bytes).
constexpr std::size_t kMaxRead = 1 << 20;

// Fields read one by one from bytes taken from a file. Offsets count from the
// first byte (a record), or, for fields made by InFile or ReadOnlyFile::Fields,
// they are the bytes' offsets in the file. Every read goes through CheckRange,
// so a read outside the bytes raises EMediaRead and never touches memory
// beside them.
class ByteFields {
public:
    ByteFields() = default;
    explicit ByteFields(std::string bytes) : bytes_(std::move(bytes)) {}
    // The bytes that lie at `offset` in a file, addressed by file offset.
    static ByteFields InFile(std::uint64_t offset, std::string bytes);

    std::size_t Size() const { return bytes_.size(); }
    const std::string& Bytes() const { return bytes_; }

    bool Holds(std::uint64_t offset, std::uint64_t count) const;
    // True when the bytes at `offset` are `signature`; false when they lie outside.
    bool Matches(std::uint64_t offset, std::string_view signature) const;

    std::uint8_t U8(std::uint64_t offset) const { return *At(offset, 1); }
    std::uint16_t U16LE(std::uint64_t offset) const;
    std::uint16_t U16BE(std::uint64_t offset) const;
    std::uint32_t U24BE(std::uint64_t offset) const;
    std::uint32_t U32LE(std::uint64_t offset) const;
    std::uint32_t U32BE(std::uint64_t offset) const;
    std::uint64_t U64LE(std::uint64_t offset) const;
    std::uint64_t U64BE(std::uint64_t offset) const;

    // The `count` bytes at `offset`, after the range check.
    std::string_view View(std::uint64_t offset, std::uint64_t count) const;
    const std::uint8_t* At(std::uint64_t offset, std::uint64_t count) const;

private:
    std::uint64_t base_ = 0; // the offset of the first byte
    std::string bytes_;
    const char* what_ = "record"; // what the messages call the bytes
};

// A regular file open for reading only, its size taken once at opening. Reads
// are positioned, so readers never share a file position, and each is checked
// against that size before anything is allocated.
class ReadOnlyFile {
public:
    enum class OpenResult { Opened, Missing, Directory, CannotOpen };

    ReadOnlyFile() = default;
    // Opens `path`; raises EMediaRead "cannot open <path>: <reason>" (or
    // "<path> is not a regular file") when Open would not give Opened.
    explicit ReadOnlyFile(const std::string& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens `path`, closing the file open before. Missing when no such path
    // exists; Directory for a folder; CannotOpen when the system refuses or
    // the path is no regular file. A FIFO or a device is refused before it is
    // opened, so opening never waits and never touches a device. On any
    // result but Opened the object stays closed.
    OpenResult Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    std::uint64_t Size() const { return size_; }
    bool Holds(std::uint64_t offset, std::uint64_t count) const {
        return RangeInside(offset, count, size_);
    }

    // Exactly `count` bytes at `offset`. EMediaRead when the file is closed,
    // `count` is above kMaxRead, the range is not inside the file, the system
    // cannot read it or the file shrank since it was opened.
    std::string ReadAt(std::uint64_t offset, std::uint64_t count) const;
    // The same bytes as fields addressed by their file offsets.
    ByteFields Fields(std::uint64_t offset, std::uint64_t count) const {
        return ByteFields::InFile(offset, ReadAt(offset, count));
    }
    // Up to `count` bytes at `offset` into `out`: fewer at the end of the file,
    // 0 past it. EMediaRead when the file is closed, `count` is above kMaxRead
    // or the system cannot read it.
    std::size_t ReadSome(std::uint64_t offset, std::uint8_t* out, std::size_t count) const;

    // Closes the file; false when the system reports a failure.
    bool Close();

private:
    void CheckOpen(std::uint64_t count) const;

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::string openError_; // why Open failed, naming the path
};

// Reads forward through the bytes [begin, end) of a file; `end` is cut to the
// file's size. A read or skip past `end` raises EMediaRead.
class FileCursor {
public:
    FileCursor(const ReadOnlyFile& file, std::uint64_t begin, std::uint64_t end);

    std::uint64_t Position() const { return pos_; }
    std::uint64_t Remaining() const { return end_ - pos_; }

    std::string Read(std::size_t count);
    void Skip(std::uint64_t count);
    std::uint16_t U16LE();
    std::uint32_t U32LE();

private:
    void CheckAhead(std::uint64_t count) const;

    const ReadOnlyFile& file_;
    std::uint64_t pos_;
    std::uint64_t end_;
};

// Text conversions of the readers; every result is UTF-8.
std::string Windows1252Text(std::string_view bytes);
std::string Latin1Text(std::string_view bytes);

// What becomes of a high surrogate in the last unit: a character cut by a
// length limit (dropped), or an unpaired surrogate like any other (U+FFFD).
enum class FinalHighSurrogate { Dropped, Replaced };
// UTF-16 units up to the first unit 0; an unpaired surrogate becomes U+FFFD.
std::string Utf16Text(std::string_view bytes, bool bigEndian,
                      FinalHighSurrogate final = FinalHighSurrogate::Dropped);
// The same after a byte-order mark (FE FF big-endian, FF FE little-endian);
// little-endian without one.
std::string Utf16TextWithBom(std::string_view bytes);

// Bytes that should be UTF-8 (Vorbis comments, ID3v2 encoding 3): kept when
// they are; a character split by a cut (`cut`) is dropped; bytes that are not
// UTF-8 at all are read as Windows-1252.
std::string Utf8Text(std::string_view bytes, bool cut);
// Bytes of no declared encoding (ID3v1 fields): kept when they are UTF-8, else
// read as Windows-1252. When `cut` says the bytes were cut at a field's width,
// a UTF-8 character split by the cut is dropped, provided the rest is UTF-8
// holding at least one character beyond ASCII.
std::string UndeclaredText(std::string_view bytes, bool cut);

// The text without the blanks and control characters at its two ends.
std::string TrimBlanks(std::string_view text);
// ASCII letters upper-cased, every other byte kept (tag and comment names).
std::string AsciiUpper(std::string_view text);
// A whole text as a decimal number (leading blanks and a sign allowed, nothing
// after the digits); false when it is not one or does not fit 32 bits.
bool ParseWholeNumber(std::string_view text, std::int32_t& value);

} // namespace sorvane
