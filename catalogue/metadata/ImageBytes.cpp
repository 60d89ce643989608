// Bounded reading of untrusted image files over POSIX positioned reads.
#include "catalogue/metadata/ImageBytes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {

void CheckImageRange(std::uint64_t offset, std::uint64_t count, std::uint64_t size) {
    if (offset > size || count > size - offset)
        throw EImageRead("read beyond the end of the file: " + std::to_string(count) +
                         " bytes at offset " + std::to_string(offset) + " of a file of " +
                         std::to_string(size) + " bytes");
}

const std::uint8_t* ImageFields::At(std::uint64_t offset, std::uint64_t count) const {
    // The fields are addressed by file offset; outside the bytes read is a fault
    // of the reader, never a read of memory beside them.
    if (offset < base_)
        throw EImageRead("read before the header bytes: offset " + std::to_string(offset));
    CheckImageRange(offset, count, base_ + bytes_.size());
    return bytes_.data() + (offset - base_);
}

std::uint8_t ImageFields::U8(std::uint64_t offset) const {
    return *At(offset, 1);
}

std::uint16_t ImageFields::U16LE(std::uint64_t offset) const {
    const std::uint8_t* p = At(offset, 2);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint16_t ImageFields::U16BE(std::uint64_t offset) const {
    const std::uint8_t* p = At(offset, 2);
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t ImageFields::U32LE(std::uint64_t offset) const {
    const std::uint8_t* p = At(offset, 4);
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint32_t ImageFields::U32BE(std::uint64_t offset) const {
    const std::uint8_t* p = At(offset, 4);
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

ImageFile::ImageFile(const std::string& path) {
    // Non-blocking, so that opening a FIFO that slipped through never waits for a writer.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throw EImageRead("cannot open " + path + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const int error = errno;
        ::close(fd_);
        throw EImageRead("cannot read the size of " + path + ": " + std::strerror(error));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw EImageRead(path + " is not a regular file");
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
}

ImageFile::~ImageFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t ImageFile::ReadSome(std::uint64_t offset, std::uint8_t* out, std::size_t count) const {
    if (offset >= size_) return 0;
    if (count > size_ - offset) count = static_cast<std::size_t>(size_ - offset);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            throw EImageRead(std::string("read error: ") + std::strerror(errno));
        }
        if (got == 0) break; // the file shrank since it was opened
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void ImageFile::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const {
    CheckImageRange(offset, count, size_);
    if (ReadSome(offset, out, count) != count)
        throw EImageRead("read beyond the end of the file: it shrank while it was read");
}

std::vector<std::uint8_t> ImageFile::ReadBytes(std::uint64_t offset, std::size_t count) const {
    CheckImageRange(offset, count, size_);
    std::vector<std::uint8_t> bytes(count);
    ReadAt(offset, bytes.data(), count);
    return bytes;
}

} // namespace sorvane
