// POSIX implementation of the file published whole.
#include "platform/AtomicFile.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {
namespace {

[[noreturn]] void Fail(std::string_view what, const std::string& path, int error) {
    throw EInOutError(std::string(what) + " \"" + path + "\": " + std::strerror(error));
}

} // namespace

TAtomicFile::TAtomicFile(std::string target) : target_(std::move(target)) {
    temp_ = target_ + ".XXXXXX";
    fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) Fail("Cannot create a temporary file beside", target_, errno);
}

TAtomicFile::~TAtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temp_.c_str());
}

void TAtomicFile::Write(std::string_view bytes) {
    if (fd_ < 0) Fail("Cannot write", temp_, EBADF);
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot write", temp_, errno);
        }
        if (written == 0) Fail("Cannot write", temp_, ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void TAtomicFile::Commit() {
    if (fd_ < 0) Fail("Cannot write", temp_, EBADF);
    if (::fsync(fd_) != 0) Fail("Cannot flush", temp_, errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail("Cannot close", temp_, errno);
    // mkstemp creates the file private to the owner; give it the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temp_.c_str(), 0666 & ~mask);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail("Cannot replace", target_, errno);
    committed_ = true;
}

} // namespace sorvane
