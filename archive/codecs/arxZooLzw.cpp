// The ZOO LZW decoder.
#include "archive/codecs/arxZooLzw.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sorvane {
namespace {

constexpr int kClear = 256;
constexpr int kEnd = 257;
constexpr int kFirstFree = 258;
constexpr int kStartBits = 9;
constexpr int kMaxBits = 13;
constexpr int kTableSize = 1 << kMaxBits;
// The longest string: one character per table entry beyond the first free
// code, plus the character itself and the KwKwK character.
constexpr int kStackSize = kTableSize;

struct Entry {
    std::uint16_t prefix = 0;
    std::uint8_t suffix = 0;
};

} // namespace

TDecodeResult ZooLzwDecode(TMemberIo& io) {
    TZipMemberInput in(io);
    TZipMemberOutput out(io);
    std::vector<Entry> table(kTableSize);
    std::vector<std::uint8_t> stack(kStackSize);
    int bits = kStartBits;
    int limit = 1 << kStartBits;
    int nextFree = kFirstFree;
    int previous = -1; // -1: the next code is the first after a start or clear
    std::uint8_t lastChar = 0;

    while (out.Room()) {
        if (in.Canceled()) return TDecodeResult::Canceled;
        const std::int32_t code = in.Bits(bits);
        if (code < 0) return out.Flush() ? TDecodeResult::InputEnded : TDecodeResult::WriteFailed;
        if (code == kEnd) break;
        if (code == kClear) {
            bits = kStartBits;
            limit = 1 << kStartBits;
            nextFree = kFirstFree;
            previous = -1;
            continue;
        }
        if (previous < 0) {
            // The first code after a clear is a character.
            if (code > 255) return TDecodeResult::Corrupt;
            lastChar = static_cast<std::uint8_t>(code);
            previous = code;
            if (!out.Put(lastChar)) return TDecodeResult::WriteFailed;
            continue;
        }
        int current = code;
        int depth = 0;
        if (current >= nextFree) {
            // Only the code being defined may follow: the previous string
            // and its own first character.
            if (current > nextFree || nextFree >= kTableSize) return TDecodeResult::Corrupt;
            stack[depth++] = lastChar;
            current = previous;
        }
        while (current > 255) {
            if (depth >= kStackSize - 1) return TDecodeResult::Corrupt;
            const Entry& entry = table[static_cast<std::size_t>(current)];
            stack[depth++] = entry.suffix;
            current = entry.prefix;
        }
        lastChar = static_cast<std::uint8_t>(current);
        stack[depth++] = lastChar;
        while (depth > 0 && out.Room())
            if (!out.Put(stack[--depth])) return TDecodeResult::WriteFailed;
        if (nextFree < kTableSize) {
            table[static_cast<std::size_t>(nextFree)] = {static_cast<std::uint16_t>(previous),
                                                         lastChar};
            ++nextFree;
            if (nextFree >= limit && bits < kMaxBits) {
                ++bits;
                limit <<= 1;
            }
        }
        previous = code;
    }
    return out.Flush() ? TDecodeResult::Done : TDecodeResult::WriteFailed;
}

} // namespace sorvane
