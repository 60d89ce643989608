// Bounds-checked byte views and the read-only file of the document readers.
#include "catalogue/metadata/DocumentBytes.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {

const unsigned char* ByteView::At(std::uint64_t offset, std::uint64_t length) const {
    if (!RangeInside(offset, length, size_))
        throw EDamagedFile("read past the end of the data (offset " + std::to_string(offset) +
                           ", " + std::to_string(length) + " bytes of " + std::to_string(size_) +
                           ")");
    return data_ + offset;
}

std::uint16_t ByteView::U16LE(std::uint64_t offset) const {
    const unsigned char* p = At(offset, 2);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ByteView::U32LE(std::uint64_t offset) const {
    const unsigned char* p = At(offset, 4);
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint32_t ByteView::U32BE(std::uint64_t offset) const {
    const unsigned char* p = At(offset, 4);
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

std::uint64_t ByteView::U64LE(std::uint64_t offset) const {
    At(offset, 8);
    return static_cast<std::uint64_t>(U32LE(offset)) |
           (static_cast<std::uint64_t>(U32LE(offset + 4)) << 32);
}

std::string_view ByteView::Bytes(std::uint64_t offset, std::uint64_t length) const {
    return {reinterpret_cast<const char*>(At(offset, length)), static_cast<std::size_t>(length)};
}

bool ByteView::Matches(std::uint64_t offset, std::string_view tag) const {
    return Holds(offset, tag.size()) && Bytes(offset, tag.size()) == tag;
}

ReadOnlyFile::~ReadOnlyFile() {
    Close();
}

ReadOnlyFile::OpenResult ReadOnlyFile::Open(const std::string& path) {
    Close();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? OpenResult::Missing : OpenResult::CannotOpen;
    if (S_ISDIR(info.st_mode)) return OpenResult::Directory;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return OpenResult::CannotOpen;
    struct stat opened {};
    // Only regular files: a fifo or a device named like a document could block or never end.
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_size < 0) {
        ::close(fd);
        return OpenResult::CannotOpen;
    }
    fd_ = fd;
    size_ = static_cast<std::uint64_t>(opened.st_size);
    return OpenResult::Opened;
}

std::string ReadOnlyFile::ReadAt(std::uint64_t offset, std::uint64_t length) const {
    if (fd_ < 0) throw EDamagedFile("read from a closed file");
    if (!RangeInside(offset, length, size_))
        throw EDamagedFile("read past the end of the file (offset " + std::to_string(offset) +
                           ", " + std::to_string(length) + " bytes of " + std::to_string(size_) +
                           ")");
    std::string bytes(static_cast<std::size_t>(length), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(fd_, bytes.data() + done, bytes.size() - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw EInOutError(std::string("read failed: ") + std::strerror(errno));
        if (got == 0) throw EDamagedFile("read past the end of the file (it shrank while read)");
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

bool ReadOnlyFile::Close() {
    if (fd_ < 0) return true;
    const int fd = fd_;
    fd_ = -1;
    size_ = 0;
    return ::close(fd) == 0;
}

} // namespace sorvane
