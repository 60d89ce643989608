// The ARJ method-4 decoder.
#include "archive/codecs/arxArjMethod4.h"

#include <vector>

namespace sorvane {
namespace {

constexpr std::int64_t kWindow = 32768;
constexpr int kMaxLengthOnes = 7;
constexpr int kDistanceStart = 9;
constexpr int kDistanceStop = 13;
constexpr int kMatchBase = 2;

} // namespace

TMsbBitReader::TMsbBitReader(TZipMemberContext& context) : in_(context) {}

void TMsbBitReader::Fill() {
    while (count_ <= 24) {
        int byte = in_.Byte();
        if (byte < 0) {
            byte = 0;
            ++pastEnd_;
        }
        buffer_ |= static_cast<std::uint32_t>(byte) << (24 - count_);
        count_ += 8;
    }
}

std::uint32_t TMsbBitReader::Get(int n) {
    if (count_ < n) Fill();
    const std::uint32_t value = buffer_ >> (32 - n);
    buffer_ <<= n;
    count_ -= n;
    return value;
}

int ArjMethod4Decode(TZipMemberContext& context) {
    TMsbBitReader bits(context);
    TZipMemberOutput out(context);
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
        if (bits.Canceled()) return kZipDecodeCanceled;
        if (bits.Overrun()) return out.Flush() ? kZipDecodeInputExhausted : kZipDecodeWriteFailed;
        int ones = 0;
        std::uint32_t value = 0;
        while (ones < kMaxLengthOnes && bits.Bit())
            ++ones;
        value = (1u << ones) - 1;
        if (ones > 0) value += bits.Get(ones);
        if (value == 0) {
            if (!put(static_cast<std::uint8_t>(bits.Get(8)))) return kZipDecodeWriteFailed;
            continue;
        }
        std::int64_t length = value + kMatchBase;
        int width = kDistanceStart;
        while (width < kDistanceStop && bits.Bit())
            ++width;
        const std::int64_t distance =
            512 * ((std::int64_t{1} << (width - kDistanceStart)) - 1) + bits.Get(width);
        if (distance >= produced) return kZipDecodeInvalid;
        std::int64_t from = pos - distance - 1;
        if (from < 0) from += kWindow;
        while (length-- > 0 && out.Room()) {
            if (!put(window[static_cast<std::size_t>(from)])) return kZipDecodeWriteFailed;
            if (++from == kWindow) from = 0;
        }
    }
    return out.Flush() ? kZipDecodeDone : kZipDecodeWriteFailed;
}

} // namespace sorvane
