// Reading the benchmarks' "--name=value" options.
#include "bench/Options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>

namespace sorvane::bench {

const char* OptionValue(const char* arg, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    return std::strncmp(arg, prefix, n) == 0 ? arg + n : nullptr;
}

int AtLeast(const char* value, int least) {
    return std::max(least, std::atoi(value));
}

void UnknownOption(const std::string& arg, const std::string& usage) {
    throw std::invalid_argument("unknown option " + arg + " (use " + usage + ")");
}

int RunReportingErrors(const char* program, const std::function<int()>& run) {
    try {
        return run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        return 1;
    }
}

} // namespace sorvane::bench
