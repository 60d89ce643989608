// ZIP reduce: each character is a literal or one of the followers of the
// previous character; the characters then pass a DLE (144) state machine
// that copies matches from a 4,096-byte ring of recent output.
#include "archive/codecs/arxUnreduce.h"

#include "archive/arxMessages.h"
#include "archive/codecs/arxZipMember.h"

#include <array>

namespace sorvane {

namespace {

constexpr std::uint8_t kDle = 144;

// Bits of a follower index for a set of `count` followers.
int IndexBits(int count) {
    if (count <= 2) return 1;
    if (count <= 4) return 2;
    if (count <= 8) return 3;
    if (count <= 16) return 4;
    if (count <= 32) return 5;
    return 6;
}

struct Ring {
    std::array<std::uint8_t, 4096> bytes{};
    std::size_t pos = 0;
    TZipMemberOutput& output;
    bool failed = false; // a write failed: nothing more is written
    void Put(std::uint8_t b) {
        bytes[pos++ & 4095] = b;
        if (!failed && !output.Put(b)) failed = true;
    }
};

} // namespace

TDecodeResult Unreduce(TMemberIo& io, int factor) {
    if (factor < 1 || factor > 4) throw E_RAISE(kMsgBadBlock);
    TZipMemberInput input(io);
    TZipMemberOutput output(io);
    // A 6-bit count holds up to 63: sets of 64, zero-filled, so an index past
    // the count reads a zero follower.
    std::array<std::array<std::uint8_t, 64>, 256> followers{};
    std::array<int, 256> counts{};
    for (int set = 255; set >= 0; --set) {
        const std::int32_t n = input.Bits(6);
        if (n < 0) return input.Canceled() ? TDecodeResult::Canceled : TDecodeResult::InputEnded;
        counts[static_cast<std::size_t>(set)] = n;
        for (int j = 0; j < n; ++j) {
            const std::int32_t f = input.Bits(8);
            if (f < 0)
                return input.Canceled() ? TDecodeResult::Canceled : TDecodeResult::InputEnded;
            followers[static_cast<std::size_t>(set)][static_cast<std::size_t>(j)] =
                static_cast<std::uint8_t>(f);
        }
    }
    const unsigned mask = 0xFFu >> factor;
    Ring ring{{}, 0, output, false};
    int last = 0;
    int state = 0;
    unsigned v = 0, length = 0;
    while (output.Room() && !input.Canceled() && !ring.failed) {
        std::int32_t c;
        const int count = counts[static_cast<std::size_t>(last)];
        if (count == 0) {
            c = input.Bits(8);
        } else {
            const std::int32_t flag = input.Bits(1);
            if (flag < 0) break;
            if (flag == 1) {
                c = input.Bits(8);
            } else {
                const std::int32_t index = input.Bits(IndexBits(count));
                c = index < 0 ? -1
                              : followers[static_cast<std::size_t>(last)]
                                         [static_cast<std::size_t>(index)];
            }
        }
        if (c < 0) break;
        last = c;
        switch (state) {
        case 0:
            if (c == kDle)
                state = 1;
            else
                ring.Put(static_cast<std::uint8_t>(c));
            break;
        case 1:
            if (c == 0) {
                ring.Put(kDle);
                state = 0;
            } else {
                v = static_cast<unsigned>(c);
                length = v & mask;
                state = length == mask ? 2 : 3;
            }
            break;
        case 2:
            length += static_cast<unsigned>(c);
            state = 3;
            break;
        default: {
            const std::size_t distance = ((v >> (8 - factor)) * 256) + static_cast<unsigned>(c) + 1;
            for (unsigned i = 0; i < length + 3 && output.Room() && !ring.failed; ++i)
                ring.Put(ring.bytes[(ring.pos - distance) & 4095]);
            state = 0;
        }
        }
    }
    if (ring.failed || !output.Flush()) return TDecodeResult::WriteFailed;
    return input.Canceled() ? TDecodeResult::Canceled : TDecodeResult::Done;
}

} // namespace sorvane
