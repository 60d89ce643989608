// A file written piece by piece and published whole: the pieces go to a new
// temporary file beside the target, and only Commit() puts it in the target's
// place, so a failure at any point leaves an existing target as it was.
#pragma once

#include <string>
#include <string_view>

namespace sorvane {

class TAtomicFile {
public:
    // Creates the temporary file "<target>.XXXXXX" in the target's folder
    // (mkstemp); raises EInOutError with the system's reason when it cannot.
    explicit TAtomicFile(std::string target);
    // Removes the temporary file unless Commit() succeeded.
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Appends bytes; raises EInOutError on a failed or short write.
    void Write(std::string_view bytes);
    // Flushes the file to the disk, gives it the usual mode (0666 less the
    // umask) and renames it over the target; raises EInOutError on failure,
    // after which the target is untouched and the temporary file is removed.
    void Commit();

    const std::string& TempPath() const { return temp_; }

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;
};

} // namespace sorvane
