// What every member decoder reports when it stops, whatever its format.
#pragma once

#include <cstdint>

namespace sorvane {

// How the decoding of one member ended.
enum class TDecodeResult : std::uint8_t {
    Done,        // the decoder reached the member's end (the checks then decide)
    InputEnded,  // the packed data ended before the member did
    Corrupt,     // the packed data cannot occur (reported by the decoder's caller)
    WriteFailed, // the output took fewer bytes than given (reported by the writer)
    Canceled,    // the user stopped the run
};

} // namespace sorvane
