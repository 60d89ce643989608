// A file written piece by piece and published whole: the pieces go to a new
// temporary file beside the target, and only Commit() puts it in the target's
// place, so a failure at any point leaves an existing target as it was. Every
// catalogue, settings, collector and report file is written through it.
#pragma once

#include <string>
#include <string_view>

namespace sorvane {

class TAtomicFile {
public:
    // Creates the temporary file ".<name>.sorvane-XXXXXX" (hidden, named for
    // the target "<folder>/<name>") in the target's folder, after removing any
    // such file left for the same target by a save that never finished. Raises
    // EInOutError naming the target, with the system's reason, when it cannot.
    explicit TAtomicFile(std::string target);
    // Removes the temporary file unless a commit succeeded.
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Appends bytes; raises EInOutError on a failed or short write.
    void Write(std::string_view bytes);
    // Flushes the file to the disk, gives it the usual mode (0666 less the
    // umask), renames it over the target and flushes the folder, so the new
    // name is on the disk too; raises EInOutError on failure, after which the
    // target is untouched and the temporary file is removed.
    void Commit();
    // The same, but the target must not exist: raises EInOutError (EEXIST)
    // rather than replace anything.
    void CommitNew();

    const std::string& TempPath() const { return temp_; }

    // The temporary name's form for `target`, without its six random characters.
    static std::string TemporaryPrefix(const std::string& target);

private:
    void Finish();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;
};

// The system calls the publishing goes through, which a test replaces to make
// one of them fail or to watch the order they come in.
struct AtomicFileCalls {
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
};
AtomicFileCalls& AtomicFileSystemCalls();

} // namespace sorvane
