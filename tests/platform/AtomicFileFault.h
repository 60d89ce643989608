// A fault injected into the publishing of files: while a FailedPublish lives,
// every rename of a finished temporary onto a file of the given name fails
// with the given error, as a full or failing disk would make it fail. The
// earlier file must then be left as it was.
#pragma once

#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <string>

namespace sorvane::test {

class FailedPublish {
public:
    FailedPublish(std::string fileName, int error) : saved_(AtomicFileSystemCalls()) {
        State() = {std::move(fileName), error, 0};
        AtomicFileSystemCalls().rename = Rename;
    }
    ~FailedPublish() { AtomicFileSystemCalls() = saved_; }
    FailedPublish(const FailedPublish&) = delete;
    FailedPublish& operator=(const FailedPublish&) = delete;

    // How many publishing renames onto the file were refused.
    int Refused() const { return State().refused; }

private:
    struct Fault {
        std::string fileName;
        int error = 0;
        int refused = 0;
    };
    static Fault& State() {
        static Fault fault;
        return fault;
    }
    static int Rename(const char* from, const char* to) {
        const std::string target = to;
        const std::size_t slash = target.rfind('/');
        if (target.substr(slash == std::string::npos ? 0 : slash + 1) == State().fileName) {
            ++State().refused;
            errno = State().error;
            return -1;
        }
        return std::rename(from, to);
    }

    AtomicFileCalls saved_;
};

} // namespace sorvane::test
