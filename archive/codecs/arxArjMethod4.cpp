// The ARJ method-4 decoder.
#include "archive/codecs/arxArjMethod4.h"

#include "archive/codecs/arxLzhStatic.h"
#include "archive/codecs/arxZipMember.h"

#include <vector>

namespace sorvane {
namespace {

constexpr std::int64_t kWindow = 32768;
constexpr std::int64_t kInputBuffer = 32768;
constexpr int kMaxLengthOnes = 7;
constexpr int kDistanceStart = 9;
constexpr int kDistanceStop = 13;
constexpr int kMatchBase = 2;

} // namespace

TDecodeResult ArjMethod4Decode(TMemberIo& io) {
    std::vector<std::uint8_t> input(static_cast<std::size_t>(kInputBuffer));
    TLzhBitReader bits(io, input);
    bits.Start(io.PackedSize);
    TZipMemberOutput out(io);
    std::vector<std::uint8_t> window(static_cast<std::size_t>(kWindow));
    std::int64_t pos = 0;      // in the window
    std::int64_t produced = 0; // bytes of the member decoded so far
    auto put = [&](std::uint8_t byte) {
        window[static_cast<std::size_t>(pos)] = byte;
        if (++pos == kWindow) pos = 0;
        ++produced;
        return out.Put(byte);
    };
    while (out.Room()) {
        if (io.Canceled()) return TDecodeResult::Canceled;
        if (bits.Overrun())
            return out.Flush() ? TDecodeResult::InputEnded : TDecodeResult::WriteFailed;
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
        while (length-- > 0 && out.Room()) {
            if (!put(window[static_cast<std::size_t>(from)])) return TDecodeResult::WriteFailed;
            if (++from == kWindow) from = 0;
        }
    }
    return out.Flush() ? TDecodeResult::Done : TDecodeResult::WriteFailed;
}

} // namespace sorvane
