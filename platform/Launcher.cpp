// Starting programs over fork and execve (detached) and posix_spawn (with
// output), never through a shell; the desktop's programs through xdg-utils.
#include "platform/Launcher.h"

#include "platform/DesktopApps.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sorvane {
namespace {

// How long xdg-mime may take to name the text editor.
constexpr int kQueryTimeoutMs = 3000;

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string CannotStart(const std::string& program, const std::string& reason) {
    return "Cannot start \"" + program + "\": " + reason;
}

// argv for execve: the program, then the arguments, then the null pointer. The
// pointers point into the strings, which must outlive the vector.
std::vector<char*> ArgumentVector(const std::string& program,
                                  const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

pid_t WaitFor(pid_t pid, int* status) {
    pid_t done;
    do {
        done = ::waitpid(pid, status, 0);
    } while (done < 0 && errno == EINTR);
    return done;
}

// Writes all of a small buffer in a child after fork (async-signal-safe).
void WriteErrno(int fd, int error) {
    const char* bytes = reinterpret_cast<const char*>(&error);
    std::size_t left = sizeof error;
    while (left > 0) {
        const ssize_t n = ::write(fd, bytes, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes += n;
        left -= static_cast<std::size_t>(n);
    }
}

} // namespace

std::optional<std::string> FindProgram(const std::string& program) {
    if (program.empty()) return std::nullopt;
    if (program.find('/') != std::string::npos) {
        if (IsExecutableFile(program)) return program;
        return std::nullopt;
    }
    const char* path = std::getenv("PATH");
    const std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        // An empty entry of PATH stands for the current folder.
        const std::string folder =
            end == start ? std::string(".") : folders.substr(start, end - start);
        const std::string candidate = folder + "/" + program;
        if (IsExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

// The program is started by a grandchild: the child makes a new session, forks
// and exits at once, so the grandchild is adopted by init (or the session's
// subreaper) and reaped there, and this process waits only for the short-lived
// child. A pipe closed on exec carries the errno of a failed execve back; an
// empty read means the program runs. Between fork and execve only
// async-signal-safe calls are made, since other threads of the program may
// hold locks (the allocator's among them) at the moment of the fork.
LaunchResult StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
    const std::optional<std::string> file = FindProgram(program);
    if (!file) return {false, CannotStart(program, "no such program")};
    std::vector<char*> argv = ArgumentVector(program, arguments);
    const std::string& executable = *file;

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return {false, CannotStart(program, std::strerror(errno))};
    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return {false, CannotStart(program, std::strerror(error))};
    }
    if (child == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::_Fork(); // unlike fork, async-signal-safe
        if (grandchild < 0) {
            WriteErrno(report[1], errno);
            ::_exit(1);
        }
        if (grandchild > 0) ::_exit(0);
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0 && devNull != STDIN_FILENO) {
            ::dup2(devNull, STDIN_FILENO);
            ::close(devNull);
        }
        // The program starts with the signal state of a fresh process.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::execve(executable.c_str(), argv.data(), environ);
        WriteErrno(report[1], errno);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    WaitFor(child, &status);
    int error = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == static_cast<ssize_t>(sizeof error))
        return {false, CannotStart(program, std::strerror(error))};
    if (got != 0) return {false, CannotStart(program, "the start could not be confirmed")};
    return {true, {}};
}

std::optional<std::string> RunForOutput(const std::string& program,
                                        const std::vector<std::string>& arguments, int timeoutMs) {
    const std::optional<std::string> file = FindProgram(program);
    if (!file) return std::nullopt;
    std::vector<char*> argv = ArgumentVector(program, arguments);

    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, file->c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    if (failed != 0) {
        ::close(output[0]);
        return std::nullopt;
    }

    std::string text;
    bool timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd wait{output[0], POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            timedOut = true; // out of time, or poll failed: the program is stopped either way
            break;
        }
        char buffer[4096];
        const ssize_t got = ::read(output[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(output[0]);
    if (timedOut) ::kill(pid, SIGKILL);
    int status = 0;
    if (WaitFor(pid, &status) != pid || timedOut) return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return text;
}

LaunchResult OpenWithDefaultProgram(const std::string& path) {
    return StartDetached("xdg-open", {path});
}

LaunchResult OpenInTextEditor(const std::string& path) {
    if (const auto answer =
            RunForOutput("xdg-mime", {"query", "default", "text/plain"}, kQueryTimeoutMs)) {
        std::string id = answer->substr(0, answer->find('\n'));
        while (!id.empty() && (id.back() == ' ' || id.back() == '\r' || id.back() == '\t'))
            id.pop_back();
        // xdg-mime may name several entries separated by ";": the first is the default.
        id = id.substr(0, id.find(';'));
        if (!id.empty()) {
            const std::optional<DesktopApp> editor = FindDesktopApp(id);
            if (editor && !editor->terminal) {
                LaunchResult started = StartDesktopApp(*editor, path);
                if (started) return started;
            }
        }
    }
    return OpenWithDefaultProgram(path);
}

LaunchResult OpenFileManager(const std::string& folder) {
    return StartDetached("xdg-open", {folder});
}

} // namespace sorvane
