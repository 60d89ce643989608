// The ARJ method-4 decoder.
#include "archive/codecs/arxArjMethod4.h"

#include "archive/codecs/arxLzhStatic.h"

#include <algorithm>

namespace sorvane {
namespace {

constexpr std::int64_t kWindow = 32768;
constexpr std::int64_t kInputBuffer = 32768;
constexpr int kMaxLengthOnes = 7;
constexpr int kDistanceStart = 9;
constexpr int kDistanceStop = 13;
constexpr int kMatchBase = 2;

} // namespace

TDecodeResult TArjMethod4Decoder::Decode(TMemberIo& io) {
    // Made once, on the first member; never cleared, since no distance
    // reaches before the member's own first byte.
    if (window_.size() != static_cast<std::size_t>(kWindow))
        window_.resize(static_cast<std::size_t>(kWindow));
    if (input_.size() < static_cast<std::size_t>(kInputBuffer))
        input_.resize(static_cast<std::size_t>(kInputBuffer));
    TLzhBitReader bits(io, input_);
    bits.Start(io.PackedSize);
    std::uint8_t* const window = window_.data();
    std::int64_t left = std::max<std::int64_t>(io.UnpackedSize, 0);
    std::int64_t pos = 0;      // in the window
    std::int64_t flushed = 0;  // window bytes written out
    std::int64_t produced = 0; // bytes of the member decoded so far
    auto flush = [&] {
        const std::int64_t count = pos - flushed;
        flushed = pos;
        return count == 0 || (io.Write && io.Write(window + pos - count, count) == count);
    };
    auto put = [&](std::uint8_t byte) {
        window[pos] = byte;
        --left;
        ++produced;
        if (++pos < kWindow) return true;
        const bool written = flush();
        pos = flushed = 0;
        return written;
    };
    while (left > 0) {
        if (io.Canceled()) return TDecodeResult::Canceled;
        if (bits.Overrun()) return flush() ? TDecodeResult::InputEnded : TDecodeResult::WriteFailed;
        int ones = 0;
        std::uint32_t value = 0;
        while (ones < kMaxLengthOnes && bits.Get(1) != 0)
            ++ones;
        value = (1u << ones) - 1;
        if (ones > 0) value += bits.Get(ones);
        if (value == 0) {
            if (!put(static_cast<std::uint8_t>(bits.Get(8)))) return TDecodeResult::WriteFailed;
            continue;
        }
        std::int64_t length = value + kMatchBase;
        int width = kDistanceStart;
        while (width < kDistanceStop && bits.Get(1) != 0)
            ++width;
        const std::int64_t distance =
            512 * ((std::int64_t{1} << (width - kDistanceStart)) - 1) + bits.Get(width);
        if (distance >= produced) return TDecodeResult::Corrupt;
        std::int64_t from = pos - distance - 1;
        if (from < 0) from += kWindow;
        while (length-- > 0 && left > 0) {
            if (!put(window[from])) return TDecodeResult::WriteFailed;
            if (++from == kWindow) from = 0;
        }
    }
    return flush() ? TDecodeResult::Done : TDecodeResult::WriteFailed;
}

} // namespace sorvane
