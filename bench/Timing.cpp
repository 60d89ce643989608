// Timing for the side-by-side benchmarks.
#include "bench/Timing.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace sorvane::bench {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Best(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

void PrintTimesHeader(int labelWidth, const std::string& extra) {
    std::printf("%-*s %9s %9s%s\n", labelWidth, "", "median s", "best s", extra.c_str());
}

void PrintTimesRow(int labelWidth, const std::string& label, const std::vector<double>& times,
                   const std::string& extra) {
    std::printf("%-*s %9.3f %9.3f%s\n", labelWidth, label.c_str(), Median(times), Best(times),
                extra.c_str());
}

void ClearOutput(const std::filesystem::path& path, bool makeFolder) {
    std::filesystem::remove_all(path);
    if (makeFolder) std::filesystem::create_directories(path);
    ::sync();
}

void PrintRatio(const char* name, double ratio) {
    std::printf("%s: ratio %.2f\n", name, ratio);
}

} // namespace sorvane::bench
