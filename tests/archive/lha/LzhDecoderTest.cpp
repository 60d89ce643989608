// The static-Huffman decoder and the -lh1- decoder on hand-made streams:
// hostile length lists and tables end the member as corrupt without reading
// or writing outside the decoder's tables; the output stops at the declared
// size and a few bytes past the end of the packed data.
#include "archive/codecs/arxLh1.h"
#include "archive/codecs/arxLzhStatic.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane {
namespace {

// Most-significant-bit-first bit writer.
struct BitWriter {
    std::vector<int> bits;
    BitWriter& Put(int n, std::uint32_t v) {
        for (int i = n - 1; i >= 0; --i)
            bits.push_back(static_cast<int>((v >> i) & 1u));
        return *this;
    }
    // A block header with single-symbol pre-tree, literal/length and position lists.
    BitWriter& Block(std::uint32_t size, std::uint32_t c, int pbit, std::uint32_t p = 0) {
        return Put(16, size).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, c).Put(pbit, 0).Put(pbit, p);
    }
    std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint8_t> out((bits.size() + 7) / 8, 0);
        for (std::size_t i = 0; i < bits.size(); ++i)
            if (bits[i]) out[i / 8] |= static_cast<std::uint8_t>(0x80u >> (i % 8));
        return out;
    }
};

struct Decoded {
    TLzhResult result;
    std::string out;
    int writes = 0;
    int emptyWrites = 0;
};

// Runs the decoder over `packed` declaring `unpacked` bytes; on `reused`
// when given (a decoder that has decoded other members before), else on a
// fresh one.
Decoded Decode(const TLzhParams& params, const std::vector<std::uint8_t>& packed,
               std::int64_t unpacked, bool lh1 = false, LzhStaticDecoder* reused = nullptr,
               TLh1Decoder* reusedLh1 = nullptr) {
    Decoded d{TLzhResult::Done, {}, 0, 0};
    std::size_t pos = 0;
    TMemberIo io;
    io.PackedSize = static_cast<std::int64_t>(packed.size());
    io.UnpackedSize = unpacked;
    io.Read = [&](std::uint8_t* buf, std::int64_t count) -> std::int64_t {
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(count), packed.size() - pos);
        std::copy_n(packed.begin() + static_cast<std::ptrdiff_t>(pos), n, buf);
        pos += n;
        return static_cast<std::int64_t>(n);
    };
    io.Write = [&](const std::uint8_t* buf, std::int64_t count) -> std::int64_t {
        ++d.writes;
        if (count <= 0) ++d.emptyWrites;
        d.out.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(count));
        return count;
    };
    if (lh1) {
        d.result = reusedLh1 != nullptr ? reusedLh1->Decode(io) : Lh1Decode(io);
    } else {
        LzhStaticDecoder fresh;
        LzhStaticDecoder& decoder = reused != nullptr ? *reused : fresh;
        decoder.Setup(params);
        d.result = decoder.Run(io);
    }
    return d;
}

// One decoder for a run of members: each decodes as on a fresh decoder,
// whatever the members before it left in the window and tables (a corrupt
// one, another window size).
TEST(LzhStatic, ReusedDecoderDecodesAsAFreshOne) {
    BitWriter single;
    single.Block(5, 'A', 4).Block(2, 256 + 7, 4);
    BitWriter before;
    before.Block(1, 256 + 5, 4, 5).Put(4, 3).Block(3, 'B', 4);
    BitWriter hostile;
    hostile.Put(16, 10).Put(5, 31);
    // Two whole 65,536-byte windows of 'C': the output moves into the history.
    BitWriter windows;
    windows.Block(65535, 'C', 5).Block(1, 'C', 5);
    for (int i = 0; i < 256; ++i)
        windows.Block(1, 256 + 253, 5);
    struct Member {
        TLzhParams params;
        std::vector<std::uint8_t> packed;
        std::int64_t unpacked;
    };
    const std::vector<Member> run{
        {kLzhLh7, single.Bytes(), 25},      {kLzhLh5, before.Bytes(), 11},
        {kLzhLh5, hostile.Bytes(), 40},     {kLzhLh5, before.Bytes(), 11},
        {kLzhLh4, single.Bytes(), 12},      {kLzhArj, before.Bytes(), 11},
        {kLzhLh5, single.Bytes(), 25},      {kLzhLh7, before.Bytes(), 11},
        {kLzhLh7, windows.Bytes(), 131072}, {kLzhLh7, before.Bytes(), 11}};
    LzhStaticDecoder reused;
    for (std::size_t i = 0; i < run.size(); ++i) {
        SCOPED_TRACE(i);
        const Decoded fresh = Decode(run[i].params, run[i].packed, run[i].unpacked);
        const Decoded again = Decode(run[i].params, run[i].packed, run[i].unpacked, false, &reused);
        EXPECT_EQ(again.result, fresh.result);
        EXPECT_EQ(again.out, fresh.out);
    }
    EXPECT_EQ(Decode(kLzhLh5, before.Bytes(), 11, false, &reused).out, "        BBB");
}

// The same for -lh1-: after members that grew its tree to its limit and one
// cut short, each member decodes as on a fresh decoder.
TEST(Lh1, ReusedDecoderDecodesAsAFreshOne) {
    std::vector<std::vector<std::uint8_t>> streams;
    std::uint32_t seed = 12345;
    for (const std::size_t size : {40000, 300, 5000, 5000}) {
        std::vector<std::uint8_t> bytes(size);
        for (std::uint8_t& b : bytes) {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<std::uint8_t>(seed >> 16);
        }
        streams.push_back(bytes);
    }
    const std::vector<std::int64_t> unpacked = {100000, 100000, 7000, 9000};
    TLh1Decoder reused;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        SCOPED_TRACE(i);
        const Decoded fresh = Decode(kLzhLh5, streams[i], unpacked[i], true);
        const Decoded again = Decode(kLzhLh5, streams[i], unpacked[i], true, nullptr, &reused);
        EXPECT_EQ(again.result, fresh.result);
        EXPECT_EQ(again.out, fresh.out);
        if (i == 1) {
            EXPECT_EQ(fresh.result, TLzhResult::InputEnded);
        }
    }
}

TEST(LzhStatic, EdgeStreams) {
    // Literal count 0: every symbol of the block is the single stored one.
    BitWriter single;
    single.Block(5, 'A', 4).Block(2, 256 + 7, 4);
    auto d = Decode(kLzhLh5, single.Bytes(), 25);
    EXPECT_EQ(d.result, TLzhResult::Done);
    EXPECT_EQ(d.out, std::string(25, 'A')); // distance 0 repeats the byte before

    // A match before the first byte copies the window's initial spaces.
    BitWriter before;
    before.Block(1, 256 + 5, 4, 5).Put(4, 3).Block(3, 'B', 4);
    d = Decode(kLzhLh5, before.Bytes(), 11);
    EXPECT_EQ(d.out, "        BBB");

    // Exactly two 65,536-byte windows: two full writes, no empty one.
    BitWriter windows;
    windows.Block(65535, 'C', 5).Block(1, 'C', 5);
    for (int i = 0; i < 256; ++i)
        windows.Block(1, 256 + 253, 5);
    d = Decode(kLzhLh7, windows.Bytes(), 131072);
    EXPECT_EQ(d.result, TLzhResult::Done);
    EXPECT_EQ(d.out, std::string(131072, 'C'));
    EXPECT_EQ(d.writes, 2);
    EXPECT_EQ(d.emptyWrites, 0);

    // The last match is cut at the declared size.
    d = Decode(kLzhLh5, single.Bytes(), 12);
    EXPECT_EQ(d.out, std::string(12, 'A'));
}

TEST(LzhStatic, HostileListsAreCorrupt) {
    struct Case {
        const char* what;
        TLzhParams params;
        BitWriter stream;
    };
    std::vector<Case> cases;
    // Pre-tree count 31 > 19.
    cases.push_back({"pre-tree count", kLzhLh5, BitWriter().Put(16, 10).Put(5, 31)});
    // Pre-tree single symbol 25 >= 19.
    cases.push_back({"pre-tree single", kLzhLh5, BitWriter().Put(16, 10).Put(5, 0).Put(5, 25)});
    // Special run of zeros past 19 is impossible (index 3 + 3 <= 19), but a
    // length of 7 with ones up to bit 0 gives a length above 16.
    cases.push_back(
        {"length above 16", kLzhLh5, BitWriter().Put(16, 10).Put(5, 1).Put(3, 7).Put(13, 0x1FFF)});
    // Literal/length count 511 > 510 (pre-tree: single symbol 0).
    cases.push_back(
        {"literal count", kLzhLh5, BitWriter().Put(16, 10).Put(5, 0).Put(5, 0).Put(9, 511)});
    // Literal/length single symbol 511 >= 510.
    cases.push_back({"literal single", kLzhLh5,
                     BitWriter().Put(16, 10).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 511)});
    // A run of 20 + 511 zero lengths passes 510 (pre-tree single symbol 2).
    cases.push_back(
        {"zero run", kLzhLh5, BitWriter().Put(16, 10).Put(5, 0).Put(5, 2).Put(9, 5).Put(9, 511)});
    // Position count 15 > 14 (lh5).
    cases.push_back({"position count", kLzhLh5,
                     BitWriter().Put(16, 10).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 'a').Put(4, 15)});
    // Position single symbol 31 >= 17 (lh7).
    cases.push_back(
        {"position single", kLzhLh7,
         BitWriter().Put(16, 10).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 'a').Put(5, 0).Put(5, 31)});
    // An incomplete pre-tree (one code of length 1).
    cases.push_back({"incomplete", kLzhLh5, BitWriter().Put(16, 10).Put(5, 1).Put(3, 1)});
    // Block size 0.
    cases.push_back({"block size 0", kLzhLh5, BitWriter().Put(16, 0)});
    // ARJ: a distance of 32,768 + x in a 26,624-byte window.
    {
        BitWriter far;
        far.Block(1, 256, 5, 16).Put(15, 0x7FFF);
        cases.push_back({"distance beyond the window", kLzhArj, far});
    }
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto bytes = c.stream.Bytes();
        bytes.resize(bytes.size() + 64, 0x55); // not the end of the input
        const auto d = Decode(c.params, bytes, 1000);
        EXPECT_EQ(d.result, TLzhResult::Corrupt);
        EXPECT_EQ(d.out, ""); // nothing decoded before the fault
    }
}

// Out of packed data, the decoders stop within a few bytes instead of
// producing the declared size from zero bits.
TEST(LzhStatic, StopsSoonAfterTheInputEnds) {
    BitWriter literals;
    literals.Block(60000, 'x', 4);
    auto d = Decode(kLzhLh5, literals.Bytes(), 1 << 30);
    EXPECT_EQ(d.out.size(), 60000u);
    EXPECT_NE(d.result, TLzhResult::Done);

    // -lh1-: 20 bytes of a stream claiming a gigabyte.
    d = Decode(kLzhLh5, std::vector<std::uint8_t>(20, 0x00), 1 << 30, true);
    EXPECT_EQ(d.result, TLzhResult::InputEnded);
    // At most 25 bytes read, each bit at most one 60-byte match.
    EXPECT_LT(d.out.size(), 25u * 8u * 60u);
}

// Any bytes at all: the decoders end, within their bounds.
TEST(LzhStatic, RandomStreamsEndWithinBounds) {
    std::uint32_t seed = 19;
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(round % 97 + 1));
        for (auto& b : bytes) {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<std::uint8_t>(seed >> 16);
        }
        const TLzhParams params[] = {kLzhLh4, kLzhLh5, kLzhLh6, kLzhLh7, kLzhArj};
        const auto d = Decode(params[round % 5], bytes, 5000, round % 6 == 5);
        EXPECT_LE(d.out.size(), 5000u);
        EXPECT_EQ(d.emptyWrites, 0);
    }
}

} // namespace
} // namespace sorvane
