// Side-by-side benchmark runner.
#include "bench/SideBySide.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

namespace sorvane::bench {
namespace {

class SummingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const std::string name = run.benchmark_name();
            const double seconds =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            if (name.rfind("ours/", 0) == 0) ours += seconds;
            if (name.rfind("peer/", 0) == 0) peer += seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double ours = 0;
    double peer = 0;
};

} // namespace

int RunSideBySide(const char* name, int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (reporter.peer <= 0) {
        std::printf("%s: ratio unavailable (no peer time)\n", name);
        return 1;
    }
    std::printf("%s: ratio %.2f\n", name, reporter.ours / reporter.peer);
    return 0;
}

} // namespace sorvane::bench
