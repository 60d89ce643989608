// The monotonic clock over clock_gettime.
#include "platform/Clock.h"

#include <ctime>

namespace sorvane {

std::uint64_t MonotonicMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
}

} // namespace sorvane
