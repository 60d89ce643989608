// The .Z decoder on streams built code by code: the width growth and its
// group padding, block mode's CLEAR, the non-block form where 256 is a
// string, strings longer than the output buffer, and the failures (header,
// width, first code, codes beyond the table, a refused write).
#include "archive/codecs/arxUnLzw.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane {
namespace {

// Writes codes as the decoder reads them: LSB first, `bits` wide, the width
// growing (after the rest of the group is padded) when the decoder's next
// free code passes its limit.
struct ZWriter {
    int maxBits;
    int bits = 9;
    std::int32_t maxCode = 511;
    std::int32_t decoderFree;
    bool first = true;
    int inGroup = 0;
    std::uint64_t acc = 0;
    int pending = 0;
    std::string out;

    ZWriter(int maxBitsArg, bool block, std::uint8_t extraFlags = 0)
        : maxBits(maxBitsArg), decoderFree(block ? 257 : 256) {
        out = {'\x1f', '\x9d',
               static_cast<char>((block ? 0x80 : 0) | extraFlags | static_cast<unsigned>(maxBits))};
    }
    void Raw(std::uint32_t code) {
        acc |= std::uint64_t{code} << pending;
        pending += bits;
        while (pending >= 8) {
            out.push_back(static_cast<char>(acc & 0xFF));
            acc >>= 8;
            pending -= 8;
        }
        ++inGroup;
    }
    void Pad() {
        while (inGroup % 8 != 0)
            Raw(0);
        inGroup = 0;
    }
    void Grow() {
        if (decoderFree <= maxCode) return;
        Pad();
        ++bits;
        maxCode = bits == maxBits ? (std::int32_t{1} << maxBits) : (std::int32_t{1} << bits) - 1;
    }
    void Code(std::uint32_t code) {
        Grow();
        Raw(code);
        if (first)
            first = false;
        else if (decoderFree < (std::int32_t{1} << maxBits))
            ++decoderFree;
    }
    void Clear() {
        Grow();
        Raw(256);
        Pad();
        bits = 9;
        maxCode = 511;
        decoderFree = 256;
    }
    std::string Finish() {
        if (pending > 0) out.push_back(static_cast<char>(acc & 0xFF));
        pending = 0;
        return out;
    }
};

struct Decoded {
    TDecodeResult result;
    std::string output;
    std::uint64_t total = 0;
    std::int64_t largestWrite = 0;
};

// Decodes `stream`; with `keep` false only counts (and checks) the bytes.
Decoded Decode(const std::string& stream, bool keep = true, std::int64_t failAfter = -1) {
    Decoded d{};
    std::size_t pos = 0;
    TMemberIo io;
    io.Read = [&](std::uint8_t* buf, std::int64_t count) -> std::int64_t {
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(count), stream.size() - pos);
        std::copy_n(stream.data() + pos, n, reinterpret_cast<char*>(buf));
        pos += n;
        return static_cast<std::int64_t>(n);
    };
    io.Write = [&](const std::uint8_t* buf, std::int64_t count) {
        EXPECT_GT(count, 0);
        if (failAfter >= 0 && static_cast<std::int64_t>(d.total) + count > failAfter)
            return std::int64_t{0};
        d.total += static_cast<std::uint64_t>(count);
        d.largestWrite = std::max(d.largestWrite, count);
        if (keep)
            d.output.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(count));
        return count;
    };
    d.result = UncompressZ(io);
    return d;
}

TEST(UnLzw, HeadersOutsideTheFormatAreRefused) {
    struct Case {
        std::string header;
        TZHeaderVerdict expected;
    };
    const std::vector<Case> cases = {
        {"\x1f\x9d\x90", TZHeaderVerdict::Usable},    {"\x1f\x9d\x89", TZHeaderVerdict::Usable},
        {"\x1f\x9d\x91", TZHeaderVerdict::BadWidth},  {"\x1f\x9d\x9f", TZHeaderVerdict::BadWidth},
        {"\x1f\x9d\x88", TZHeaderVerdict::BadWidth},  {"\x1f\x9d\x80", TZHeaderVerdict::BadWidth},
        {"\x1f\x9d\xd0", TZHeaderVerdict::BadHeader}, {"\x1f\x9d\xb0", TZHeaderVerdict::BadHeader},
        {"\x1f\x8b\x90", TZHeaderVerdict::BadHeader},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckZHeader(reinterpret_cast<const std::uint8_t*>(c.header.data())), c.expected)
            << static_cast<int>(static_cast<std::uint8_t>(c.header[2]));
        const Decoded d = Decode(c.header + "a");
        EXPECT_EQ(d.result, c.expected == TZHeaderVerdict::Usable ? TDecodeResult::Done
                                                                  : TDecodeResult::Corrupt);
        EXPECT_EQ(d.total, 0u);
    }
    EXPECT_EQ(Decode("\x1f\x9d").result, TDecodeResult::Corrupt);
}

// Code 256 is CLEAR in block mode and the first string of the table
// otherwise; after a CLEAR the codes start again at 9 bits, behind the
// padding of their group.
TEST(UnLzw, ClearInBlockModeAndCode256AsAStringWithout) {
    ZWriter plain(9, false);
    for (const std::uint32_t code : std::initializer_list<std::uint32_t>{'a', 'b', 256})
        plain.Code(code);
    EXPECT_EQ(Decode(plain.Finish()).output, "abab");

    ZWriter block(12, true);
    for (const std::uint32_t code : std::initializer_list<std::uint32_t>{'a', 'b', 257})
        block.Code(code);
    block.Clear();
    for (const std::uint32_t code : std::initializer_list<std::uint32_t>{'c', 257, 'd'})
        block.Code(code);
    const Decoded d = Decode(block.Finish());
    EXPECT_EQ(d.result, TDecodeResult::Done);
    EXPECT_EQ(d.output, "abab"
                        "c"
                        "cc"
                        "d");
}

// The width grows from 9 to the maximum, each step after a padded group;
// at the maximum the table stops filling and the codes stay that wide.
TEST(UnLzw, WidthsGrowToTheMaximumAndStay) {
    for (const int maxBits : {10, 12, 16}) {
        ZWriter w(maxBits, true);
        std::string expected;
        // Every code a byte: each one makes a new entry.
        const int codes = (1 << maxBits) + 3000;
        for (int i = 0; i < codes; ++i) {
            const auto byte = static_cast<std::uint32_t>((i * 7 + i / 251) & 0xFF);
            w.Code(byte);
            expected.push_back(static_cast<char>(byte));
        }
        EXPECT_EQ(w.bits, maxBits);
        const Decoded d = Decode(w.Finish());
        EXPECT_EQ(d.result, TDecodeResult::Done) << maxBits;
        EXPECT_EQ(d.output, expected) << maxBits;
    }
}

// KwKwK codes make strings one byte longer each: the last ones are longer
// than the 16,384-byte output buffer and its 2,048 bytes of slack.
TEST(UnLzw, StringsLongerThanTheOutputBufferGoOutInPieces) {
    ZWriter w(16, true);
    w.Code('a');
    const std::uint32_t n = 20000;
    for (std::uint32_t i = 0; i < n; ++i)
        w.Code(257 + i);
    const Decoded d = Decode(w.Finish(), false);
    EXPECT_EQ(d.result, TDecodeResult::Done);
    EXPECT_EQ(d.total, std::uint64_t{n + 1} * (n + 2) / 2);
    EXPECT_LE(d.largestWrite, 16384);
}

TEST(UnLzw, BadCodesFailAfterThePendingOutput) {
    ZWriter firstTooHigh(12, true);
    firstTooHigh.Code(300);
    const Decoded a = Decode(firstTooHigh.Finish());
    EXPECT_EQ(a.result, TDecodeResult::Corrupt);
    EXPECT_EQ(a.total, 0u);

    ZWriter beyond(12, true);
    for (const std::uint32_t code : std::initializer_list<std::uint32_t>{'x', 'y', 400})
        beyond.Code(code);
    const Decoded b = Decode(beyond.Finish());
    EXPECT_EQ(b.result, TDecodeResult::Corrupt);
    EXPECT_EQ(b.output, "xy");

    ZWriter refused(12, true);
    for (int i = 0; i < 40000; ++i)
        refused.Code(static_cast<std::uint32_t>(i % 200));
    EXPECT_EQ(Decode(refused.Finish(), false, 20000).result, TDecodeResult::WriteFailed);
}

// A stream cut anywhere ends as what it holds: no failure, no overrun.
TEST(UnLzw, CutStreamsEndQuietly) {
    ZWriter w(16, true);
    for (int i = 0; i < 5000; ++i)
        w.Code(static_cast<std::uint32_t>((i * 13) & 0xFF));
    const std::string whole = w.Finish();
    const std::string full = Decode(whole).output;
    for (std::size_t cut = 3; cut < whole.size(); cut += 997) {
        const Decoded d = Decode(whole.substr(0, cut));
        EXPECT_EQ(d.result, TDecodeResult::Done) << cut;
        EXPECT_EQ(d.output, full.substr(0, d.output.size())) << cut;
    }
}

} // namespace
} // namespace sorvane
