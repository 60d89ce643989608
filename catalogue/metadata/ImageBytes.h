// Bounded reading of untrusted image files: an open file whose every read is a
// range checked against the file's size, and header fields read byte by byte
// from the bytes such a read returns. Both go through CheckImageRange.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace sorvane {

// A file that does not hold what its header says: a read past its end, a length
// or count it cannot hold, a value its format does not allow.
class EImageRead : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The one range check of the image readers: raises EImageRead unless the
// `count` bytes at `offset` lie inside `size` bytes. Never overflows.
void CheckImageRange(std::uint64_t offset, std::uint64_t count, std::uint64_t size);

// Header bytes read from a file, addressed by their offset in the file.
class ImageFields {
public:
    ImageFields() = default;
    ImageFields(std::uint64_t base, std::vector<std::uint8_t> bytes)
        : base_(base), bytes_(std::move(bytes)) {}

    std::uint8_t U8(std::uint64_t offset) const;
    std::uint16_t U16LE(std::uint64_t offset) const;
    std::uint16_t U16BE(std::uint64_t offset) const;
    std::uint32_t U32LE(std::uint64_t offset) const;
    std::uint32_t U32BE(std::uint64_t offset) const;
    std::int32_t S32LE(std::uint64_t offset) const {
        return static_cast<std::int32_t>(U32LE(offset));
    }

    // The `count` bytes at file offset `offset`, after the range check.
    const std::uint8_t* At(std::uint64_t offset, std::uint64_t count) const;

private:
    std::uint64_t base_ = 0;
    std::vector<std::uint8_t> bytes_;
};

// A regular file open for reading. Reads are positioned, so readers never share
// a file position; the size is taken once, when the file is opened.
class ImageFile {
public:
    // Raises EImageRead naming the file and the system's reason when it cannot
    // be opened or is not a regular file (a FIFO or device is never read).
    explicit ImageFile(const std::string& path);
    ~ImageFile();
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    std::uint64_t Size() const { return size_; }

    // Exactly `count` bytes at `offset`; EImageRead when the range is not inside
    // the file or the system cannot read it (also when the file shrank).
    void ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const;
    // The same, into a buffer sized only after the check.
    std::vector<std::uint8_t> ReadBytes(std::uint64_t offset, std::size_t count) const;
    // Header fields: the `count` bytes at `offset`.
    ImageFields Fields(std::uint64_t offset, std::size_t count) const {
        return ImageFields(offset, ReadBytes(offset, count));
    }
    // Up to `count` bytes at `offset`, fewer at the end of the file (0 there).
    std::size_t ReadSome(std::uint64_t offset, std::uint8_t* out, std::size_t count) const;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

} // namespace sorvane
