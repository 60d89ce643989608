// The one I/O contract of every member decoder, whatever its format: the
// bounded input and output the reader binds for a member, the cancel flag,
// and what the decoder reports when it stops.
#pragma once

#include <cstdint>
#include <functional>

namespace sorvane {

// How the decoding of one member ended.
enum class TDecodeResult : std::uint8_t {
    Done,        // the decoder reached the member's end (the checks then decide)
    InputEnded,  // the packed data ended before the member did
    Corrupt,     // the packed data cannot occur (reported by the decoder's caller)
    WriteFailed, // the output took fewer bytes than given (reported by the writer)
    Canceled,    // the user stopped the run
};

// The input and output of one member, bound by the reader.
struct TMemberIo {
    // Packed bytes of the member: no decoder asks Read for more in all.
    std::int64_t PackedSize = 0;
    // The declared size: no decoder hands Write more in all.
    std::int64_t UnpackedSize = 0;
    // Reads up to Count packed bytes into Buf (deciphered where the member
    // is); the bytes read, 0 (or less) when nothing more comes.
    std::function<std::int64_t(std::uint8_t* Buf, std::int64_t Count)> Read;
    // Takes Count (> 0) decoded bytes; the bytes taken, fewer on failure.
    std::function<std::int64_t(const std::uint8_t* Buf, std::int64_t Count)> Write;
    // Set by the user to stop; read before each refill and block (may be null).
    const std::uint8_t* Cancel = nullptr;

    bool Canceled() const { return Cancel != nullptr && *Cancel != 0; }
};

} // namespace sorvane
