// A monotonic clock, for throttling screen updates of long loops.
#pragma once

#include <cstdint>

namespace sorvane {

// Milliseconds since an unspecified start; never goes back, whatever happens
// to the wall clock.
std::uint64_t MonotonicMilliseconds();

} // namespace sorvane
