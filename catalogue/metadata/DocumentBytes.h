// Bounds-checked access to untrusted bytes for the document, MPEG audio and AVI
// readers: a view whose every read goes through one range check, and a
// read-only file that never reads or allocates past its own size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sorvane {

// A file whose bytes break the structure their reader expects (a field out of
// range, a read past the end of the data, a chain that loops).
class EDamagedFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The one range check: true when [offset, offset + length) lies inside `size`
// bytes. Written so that no sum can overflow.
constexpr bool RangeInside(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return offset <= size && length <= size - offset;
}

// A view over bytes read from a file. Reads outside the view raise EDamagedFile.
class ByteView {
public:
    ByteView() = default;
    explicit ByteView(std::string_view bytes)
        : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()) {}

    std::size_t Size() const { return size_; }
    bool Holds(std::uint64_t offset, std::uint64_t length) const {
        return RangeInside(offset, length, size_);
    }

    std::uint8_t U8(std::uint64_t offset) const { return *At(offset, 1); }
    std::uint16_t U16LE(std::uint64_t offset) const;
    std::uint32_t U32LE(std::uint64_t offset) const;
    std::uint32_t U32BE(std::uint64_t offset) const;
    std::uint64_t U64LE(std::uint64_t offset) const;
    std::string_view Bytes(std::uint64_t offset, std::uint64_t length) const;

    // True when the bytes at `offset` are `tag`; false also when they run past the end.
    bool Matches(std::uint64_t offset, std::string_view tag) const;

private:
    const unsigned char* At(std::uint64_t offset, std::uint64_t length) const;

    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

// A file opened for reading only, with its size taken once at opening.
class ReadOnlyFile {
public:
    enum class OpenResult { Opened, Missing, Directory, CannotOpen };

    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens `path`; on any result but Opened the object stays closed.
    OpenResult Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    std::uint64_t Size() const { return size_; }

    // Exactly `length` bytes at `offset`. Raises EDamagedFile when the range runs
    // past the end of the file (checked before anything is allocated) and
    // EInOutError with the system's reason when the read fails.
    std::string ReadAt(std::uint64_t offset, std::uint64_t length) const;

    // Closes the file; false when the system reports a failure.
    bool Close();

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

} // namespace sorvane
