// The copy of an LZ77 match inside one output buffer.
#pragma once

#include <cstdint>
#include <cstring>

namespace sorvane {

// Copies a match's run from `from`, before `to`, as byte by byte from the
// first byte: eight bytes at a time where the source lies at least eight
// bytes before the target (the last eight bytes again, from where the
// earlier steps left them), one at a time otherwise.
inline void CopyRun(std::uint8_t* to, const std::uint8_t* from, std::int64_t run) {
    if (run >= 8 && from + 8 <= to) {
        std::int64_t k = 0;
        for (; k + 8 <= run; k += 8)
            std::memcpy(to + k, from + k, 8);
        if (k < run) std::memcpy(to + run - 8, from + run - 8, 8);
        return;
    }
    for (std::int64_t k = 0; k < run; ++k)
        to[k] = from[k];
}

} // namespace sorvane
