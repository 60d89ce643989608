// Timing for the side-by-side benchmarks: one timed call, repetitions taken in
// turn for our side and the peer's, and the median/best table they print.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace sorvane::bench {

using Clock = std::chrono::steady_clock;

// The wall-clock seconds `work()` takes.
template <typename Work> double Seconds(Work&& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values);
double Best(const std::vector<double>& values);

struct SideTimes {
    std::vector<double> ours, peer;
};

// `repetitions` rounds of ours() and peer(), each returning the seconds it
// timed; the side that goes first changes every round (ours, peer, peer,
// ours, ...), so neither always runs right after the other. Warm-up runs,
// where a benchmark wants them, come before.
template <typename Ours, typename Peer>
SideTimes Alternate(int repetitions, Ours&& ours, Peer&& peer) {
    SideTimes times;
    for (int i = 0; i < repetitions; ++i) {
        if (i % 2 == 0) {
            times.ours.push_back(ours());
            times.peer.push_back(peer());
        } else {
            times.peer.push_back(peer());
            times.ours.push_back(ours());
        }
    }
    return times;
}

// Removes `path` (a file or a folder with everything in it), makes it again
// as an empty folder when `makeFolder`, and waits until the system has
// written back every file of earlier rounds and the removal: the timed round
// that follows pays for its own files only, whichever side wrote before.
void ClearOutput(const std::filesystem::path& path, bool makeFolder = true);

// "<label padded to width> median s best s<extra>", the table's title line.
void PrintTimesHeader(int labelWidth, const std::string& extra = {});
// One row of that table: the label, the median and the best of `times`, then `extra`.
void PrintTimesRow(int labelWidth, const std::string& label, const std::vector<double>& times,
                   const std::string& extra = {});
// The last line of every benchmark: "<name>: ratio X.XX".
void PrintRatio(const char* name, double ratio);

} // namespace sorvane::bench
