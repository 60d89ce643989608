// The ARJ method-4 decoder.
#include "archive/codecs/arxArjMethod4.h"

#include "archive/codecs/arxLzhStatic.h"
#include "archive/codecs/arxMatchCopy.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace sorvane {
namespace {

// The bytes a distance may reach back (the longest is 512 * 15 + 8191 + 1),
// kept before the block being decoded.
constexpr std::int64_t kHistory = 16384;
// The output handed to the writer at a time, a whole number of pages.
constexpr std::int64_t kOutputBlock = 65536;
// Room behind the output block for a short match copied 16 bytes at once.
constexpr std::int64_t kCopySlack = 16;
constexpr std::int64_t kInputBuffer = 32768;
constexpr int kMaxLengthOnes = 7;
constexpr int kDistanceStart = 9;
constexpr int kDistanceStop = 13;
constexpr int kMatchBase = 2;

// The run of up to `most` one bits at the top of the 16-bit buffer `peek`,
// and the bits it takes: the terminating zero too, unless the run is full.
struct Prefix {
    int ones;
    int bits;
};
Prefix ReadPrefix(std::uint32_t peek, int most) {
    const int ones = std::min(std::countl_one(static_cast<std::uint16_t>(peek)), most);
    return {ones, ones < most ? ones + 1 : ones};
}

} // namespace

TDecodeResult TArjMethod4Decoder::Decode(TMemberIo& io) {
    // Made once, on the first member; never cleared, since no distance
    // reaches before the member's own first byte.
    if (window_.size() != static_cast<std::size_t>(kHistory + kOutputBlock + kCopySlack))
        window_.resize(static_cast<std::size_t>(kHistory + kOutputBlock + kCopySlack));
    if (input_.size() < static_cast<std::size_t>(kInputBuffer))
        input_.resize(static_cast<std::size_t>(kInputBuffer));
    if (io.Canceled()) return TDecodeResult::Canceled;
    TLzhBitReader reader(io, input_);
    reader.Start(io.PackedSize);
    TLzhBits bits = reader.Hold();
    // The output block follows its history; each full block is written out
    // and its last kHistory bytes moved in front of the next.
    std::uint8_t* const start = window_.data() + kHistory;
    std::uint8_t* const end = start + kOutputBlock;
    std::uint8_t* out = start;
    std::int64_t before = 0; // the member's bytes written out in full blocks
    std::int64_t left = std::max<std::int64_t>(io.UnpackedSize, 0);
    const auto flush = [&] {
        const std::int64_t count = out - start;
        return count == 0 || (io.Write && io.Write(start, count) == count);
    };
    const auto nextBlock = [&] {
        if (!flush()) return TDecodeResult::WriteFailed;
        std::memcpy(window_.data(), end - kHistory, static_cast<std::size_t>(kHistory));
        before += kOutputBlock;
        out = start;
        return io.Canceled() ? TDecodeResult::Canceled : TDecodeResult::Done;
    };
    while (left > 0) {
        if (bits.Overrun()) return flush() ? TDecodeResult::InputEnded : TDecodeResult::WriteFailed;
        // A length: ones, a zero unless there are seven, then as many bits.
        const std::uint32_t peek = bits.Bits();
        const Prefix length = ReadPrefix(peek, kMaxLengthOnes);
        if (length.ones == 0) {
            // A literal: the eight bits after the zero.
            *out++ = static_cast<std::uint8_t>(peek >> 7);
            bits.Fill(9);
            --left;
            if (out == end) {
                if (const TDecodeResult next = nextBlock(); next != TDecodeResult::Done)
                    return next;
            }
            continue;
        }
        const int lengthBits = length.bits + length.ones;
        const std::uint32_t extra = (peek >> (16 - lengthBits)) & ((1u << length.ones) - 1);
        bits.Fill(lengthBits);
        std::int64_t run =
            std::min<std::int64_t>((1 << length.ones) - 1 + extra + kMatchBase, left);
        // A distance: ones before its width, then that many bits.
        const Prefix width = ReadPrefix(bits.Bits(), kDistanceStop - kDistanceStart);
        bits.Fill(width.bits);
        const std::int64_t distance =
            512 * ((std::int64_t{1} << width.ones) - 1) + bits.Get(kDistanceStart + width.ones);
        if (distance >= before + (out - start)) return TDecodeResult::Corrupt;
        left -= run;
        const std::uint8_t* from = out - distance - 1;
        while (run > 0) {
            const std::int64_t part = std::min<std::int64_t>(run, end - out);
            // Most matches are short and reach back further than their
            // length: one 16-byte copy, its excess overwritten later.
            if (part <= kCopySlack && from + kCopySlack <= out)
                std::memcpy(out, from, kCopySlack);
            else
                CopyRun(out, from, part);
            out += part;
            from += part;
            run -= part;
            if (out == end) {
                if (const TDecodeResult next = nextBlock(); next != TDecodeResult::Done)
                    return next;
                from -= kOutputBlock;
            }
        }
    }
    return flush() ? TDecodeResult::Done : TDecodeResult::WriteFailed;
}

} // namespace sorvane
