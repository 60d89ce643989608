// Reading the benchmarks' "--name=value" options.
#pragma once

#include <functional>
#include <string>

namespace sorvane::bench {

// The value after `prefix` ("--files=") when `arg` starts with it, else nullptr.
const char* OptionValue(const char* arg, const char* prefix);
// The number in `value`, at least `least`.
int AtLeast(const char* value, int least);
// Throws std::invalid_argument "unknown option ARG (use USAGE)".
[[noreturn]] void UnknownOption(const std::string& arg, const std::string& usage);

// run(); an exception is printed as "<program>: <what>" and gives 1.
int RunReportingErrors(const char* program, const std::function<int()>& run);

} // namespace sorvane::bench
