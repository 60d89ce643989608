// Running a peer command and waiting for it.
#include "bench/PeerCommand.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sorvane::bench {

CommandResult RunCommand(const std::vector<std::string>& args, CommandOutput output) {
    std::vector<std::string> copies = args;
    std::vector<char*> argv;
    for (std::string& arg : copies)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const bool capture = output == CommandOutput::Captured;
    int pipeFds[2] = {-1, -1};
    if (capture && ::pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (capture) {
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (capture) ::close(pipeFds[1]);
    if (spawned != 0) {
        if (capture) ::close(pipeFds[0]);
        throw std::runtime_error("cannot run " + args[0] + ": " + std::strerror(spawned));
    }
    CommandResult result;
    if (capture) {
        char chunk[4096];
        for (ssize_t got; (got = ::read(pipeFds[0], chunk, sizeof chunk)) != 0;) {
            if (got < 0) {
                if (errno == EINTR) continue;
                break;
            }
            result.output.append(chunk, static_cast<std::size_t>(got));
        }
        ::close(pipeFds[0]);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace sorvane::bench
