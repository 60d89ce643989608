// ARC dynamic LZW. Codes start 9 bits wide and are read least significant
// bit first in groups of as many bytes as the code width (eight codes); when
// the next free code passes the width's largest code, the rest of the group
// is dropped and the width grows. Code 256 clears the table: the next free
// code becomes 256, the width 9, and a new group starts. The first free code
// is 257; a code equal to the next free one stands for the previous string
// plus its own first byte.
#include "archive/codecs/arxUnsquash.h"

#include "archive/arxMessages.h"

#include <array>
#include <vector>

namespace sorvane {

namespace {

constexpr int kInitBits = 9;
constexpr int kClear = 256;
constexpr int kFirstFree = 257;
constexpr int kMethod8Bits = 12;
constexpr int kMethod9Bits = 13;
constexpr std::size_t kStackSize = 8192;

class CodeReader {
public:
    CodeReader(TArcInput& input, int maxBits)
        : input_(input), maxBits_(maxBits), maxMaxCode_(1 << maxBits) {}

    // The next code, or -1 at the end of the packed data. `nextFree` decides
    // when the width grows.
    int Next(int nextFree) {
        if (clear_ || offset_ >= size_ || nextFree > maxCode_) {
            if (nextFree > maxCode_) {
                ++bits_;
                maxCode_ = bits_ == maxBits_ ? maxMaxCode_ : (1 << bits_) - 1;
            }
            if (clear_) {
                bits_ = kInitBits;
                maxCode_ = (1 << bits_) - 1;
                clear_ = false;
            }
            int got = 0;
            while (got < bits_) {
                const int b = input_.Byte();
                if (b < 0) break;
                group_[static_cast<std::size_t>(got++)] = static_cast<std::uint8_t>(b);
            }
            if (got <= 0) return -1;
            offset_ = 0;
            // Whole codes only.
            size_ = got * 8 - (bits_ - 1);
        }
        int code = 0;
        for (int i = 0; i < bits_; ++i) {
            const int bit = offset_ + i;
            code |= ((group_[static_cast<std::size_t>(bit >> 3)] >> (bit & 7)) & 1) << i;
        }
        offset_ += bits_;
        return code;
    }
    void Clear() { clear_ = true; }
    int MaxMaxCode() const { return maxMaxCode_; }

private:
    TArcInput& input_;
    const int maxBits_;
    const int maxMaxCode_;
    int bits_ = kInitBits;
    int maxCode_ = (1 << kInitBits) - 1;
    int offset_ = 0, size_ = 0;
    bool clear_ = false;
    std::array<std::uint8_t, kMethod9Bits> group_{};
};

} // namespace

TDecodeResult Unsquash(TMemberIo& io, std::uint8_t method, TArcBuffers& buffers) {
    TArcInput input(io, buffers);
    TArcOutput output(io, buffers);
    const bool method8 = method == 8;
    if (method8) {
        const int width = input.Byte();
        if (width < 0) return input.End();
        if (width != kMethod8Bits) throw E_RAISE(kMsgIncorrectBits);
    }
    TArcSink sink(output, method8);
    CodeReader codes(input, method8 ? kMethod8Bits : kMethod9Bits);
    const int tableSize = codes.MaxMaxCode();
    std::vector<std::uint16_t>& prefix = buffers.prefix;
    std::vector<std::uint8_t>& suffix = buffers.suffix;
    prefix.assign(static_cast<std::size_t>(tableSize), 0);
    suffix.assign(static_cast<std::size_t>(tableSize), 0);
    for (int c = 0; c < 256; ++c)
        suffix[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c);
    std::vector<std::uint8_t>& stack = buffers.stack;
    if (stack.size() < kStackSize) stack.resize(kStackSize);
    int nextFree = kFirstFree;

    int previous = codes.Next(nextFree);
    if (previous < 0) return input.End();
    if (previous > 255) throw E_RAISE(kMsgCorruptInput);
    std::uint8_t finalChar = static_cast<std::uint8_t>(previous);
    sink.Put(finalChar);

    for (int code = codes.Next(nextFree); code >= 0; code = codes.Next(nextFree)) {
        if (code == kClear) {
            codes.Clear();
            nextFree = kClear;
            code = codes.Next(nextFree);
            if (code < 0) break;
        }
        const int incoming = code;
        std::size_t depth = 0;
        if (code >= nextFree) {
            if (code > nextFree) throw E_RAISE(kMsgCorruptInput);
            stack[depth++] = finalChar;
            code = previous;
        }
        while (code > 255) {
            if (depth >= kStackSize - 1) throw E_RAISE(kMsgStackOverflow);
            stack[depth++] = suffix[static_cast<std::size_t>(code)];
            code = prefix[static_cast<std::size_t>(code)];
        }
        finalChar = static_cast<std::uint8_t>(code);
        stack[depth++] = finalChar;
        while (depth > 0)
            sink.Put(stack[--depth]);
        if (nextFree < tableSize) {
            prefix[static_cast<std::size_t>(nextFree)] = static_cast<std::uint16_t>(previous);
            suffix[static_cast<std::size_t>(nextFree)] = finalChar;
            ++nextFree;
        }
        previous = incoming;
    }
    output.Flush();
    return input.End();
}

} // namespace sorvane
