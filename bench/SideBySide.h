// Runs the registered benchmarks and prints our time over the peer's.
#pragma once

namespace sorvane::bench {

// Runs every registered benchmark. Benchmarks named "ours/..." are summed as our
// time, "peer/..." as the peer's; the last line printed is "<name>: ratio X.XX".
int RunSideBySide(const char* name, int argc, char** argv);

} // namespace sorvane::bench
