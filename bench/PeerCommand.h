// Running a peer command (find, wc, grep) and waiting for it.
#pragma once

#include <string>
#include <vector>

namespace sorvane::bench {

struct CommandResult {
    int exitStatus = -1; // -1 when it did not exit normally
    std::string output;  // its standard output, unless discarded
};

enum class CommandOutput { Captured, Discarded };

// Runs `args` (args[0] looked up in PATH), its standard output captured or
// sent to /dev/null, and waits for it. Throws when it cannot be started.
CommandResult RunCommand(const std::vector<std::string>& args,
                         CommandOutput output = CommandOutput::Captured);

} // namespace sorvane::bench
