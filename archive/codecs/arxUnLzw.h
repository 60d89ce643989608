// The Unix "compress" (.Z) decoder: LZW with codes of 9 up to 16 bits, read
// least significant bit first in groups of eight codes, in block mode (code
// 256 clears the table) or in the older non-block form.
#pragma once

#include <cstdint>
#include <functional>

namespace sorvane {

enum class TLzwZResult {
    Done,        // the input ended; every decoded byte was written
    BadHeader,   // no 1F 9D signature, or reserved flag bits set
    BadWidth,    // a maximum code width outside 9..16
    Corrupt,     // a first code above 255 or a code beyond the next free one
    WriteFailed, // the output took fewer bytes than given
    Canceled,
};

struct TLzwZIo {
    // Reads up to Count bytes of the file (header included) into Buf; the
    // bytes read, 0 (or less) at the end.
    std::function<std::int64_t(std::uint8_t* Buf, std::int64_t Count)> Read;
    // Takes Count (> 0) decoded bytes; false when they could not be written.
    std::function<bool(const std::uint8_t* Buf, std::int64_t Count)> Write;
    // Told the bytes of input consumed so far after each refill (may be empty).
    std::function<void(std::int64_t Consumed)> Progress;
    // Non-zero stops the decoder before its next refill (may be null).
    const std::uint8_t* Cancel = nullptr;
};

// The header's verdict: Done when the three bytes start a .Z stream this
// decoder reads, else BadHeader or BadWidth.
TLzwZResult CheckZHeader(const std::uint8_t* header3);

// Decodes a whole .Z stream. The output written before a Corrupt code stays
// written.
TLzwZResult UncompressZ(const TLzwZIo& io);

} // namespace sorvane
