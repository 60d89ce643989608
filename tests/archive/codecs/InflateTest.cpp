// The inflate engine against zlib: every level and strategy, raw and wrapped,
// in one piece and in small steps; damaged streams; the engine's own rules.
#include "archive/arxStream.h"
#include "archive/codecs/arxInflate.h"
#include "tests/archive/codecs/CodecTestSupport.h"

#include <gtest/gtest.h>
#include <random>
#include <zlib.h>

namespace sorvane::test {
namespace {

struct Input {
    const char* name;
    Bytes data;
};

// Runs of short repeating patterns, every period from 1 to 20 at lengths from
// 3 to 700: the matches at distances under a word, which copy apart.
Bytes PeriodsInput() {
    std::mt19937 rng(77);
    Bytes out;
    for (int round = 0; round < 6; ++round)
        for (unsigned period = 1; period <= 20; ++period) {
            Bytes pattern(period);
            for (auto& b : pattern)
                b = static_cast<std::uint8_t>(rng());
            const std::size_t length = 3 + rng() % 700;
            for (std::size_t i = 0; i < length; ++i)
                out.push_back(pattern[i % period]);
            out.push_back(static_cast<std::uint8_t>(rng()));
        }
    return out;
}

std::vector<Input> Inputs() {
    return {{"text", TextInput(120000)},
            {"periods", PeriodsInput()},
            {"random", RandomInput(40000)},
            {"mixed", MixedInput(150000)},
            {"empty", {}},
            {"one", {'x'}},
            {"tiny", {'a', 'b', 'a', 'b', 'a'}},
            {"zeros", Bytes(70000, 0)}};
}

constexpr int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};

TEST(Inflate, DecodesWhatZlibMakesAtEveryLevelAndStrategy) {
    for (const Input& input : Inputs())
        for (int level = 0; level <= 9; ++level)
            for (int strategy : kStrategies)
                for (int windowBits : {-15, 15}) {
                    SCOPED_TRACE(std::string(input.name) + " level " + std::to_string(level) +
                                 " strategy " + std::to_string(strategy) + " bits " +
                                 std::to_string(windowBits));
                    const Bytes packed = ZlibCompress(input.data, level, strategy, windowBits);
                    Bytes out;
                    ASSERT_EQ(OurInflate(packed, windowBits, false, input.data.size() + 10, out),
                              kInflateStreamEnd);
                    ASSERT_EQ(out, input.data);
                }
}

TEST(Inflate, DecodesInSmallStepsOfInputAndOutput) {
    const Bytes data = MixedInput(300000, 9);
    const Bytes packed = ZlibCompress(data, 6, Z_DEFAULT_STRATEGY, 15);
    for (auto [inStep, outStep] : {std::pair<std::size_t, std::size_t>{1, 1 << 20},
                                   {1 << 20, 1},
                                   {7, 13},
                                   {4096, 4096},
                                   {100000, 333}}) {
        SCOPED_TRACE(std::to_string(inStep) + "/" + std::to_string(outStep));
        Bytes out;
        ASSERT_EQ(OurInflate(packed, 15, false, data.size(), out, inStep, outStep),
                  kInflateStreamEnd);
        ASSERT_EQ(out, data);
    }
}

TEST(Inflate, ReadsThroughTheDecompressingStream) {
    const Bytes data = TextInput(200000, 5);
    TMemoryStream32 source(ZlibCompress(data, 9, Z_DEFAULT_STRATEGY, -15));
    TInflate engine;
    TDecompressStream stream(source, -15, engine);
    Bytes out(data.size() + 100);
    std::size_t got = 0;
    while (true) {
        const std::int64_t n = stream.Read(out.data() + got, 777);
        ASSERT_GE(n, 0);
        got += static_cast<std::size_t>(n);
        if (stream.EndOfStream) break;
    }
    out.resize(got);
    EXPECT_EQ(out, data);
    EXPECT_EQ(stream.Record().TotalIn, source.Size());
}

// Damaged streams: bit flips, cut ends, overwritten and inserted bytes. Never a
// crash or an overrun; where zlib reaches the end we give its bytes, and we
// reach the end exactly where zlib does.
TEST(Inflate, DamagedStreamsAgreeWithZlib) {
    std::mt19937 rng(20240518);
    std::vector<std::pair<Bytes, int>> streams;
    for (const Input& input : Inputs())
        for (int level : {1, 6, 9})
            for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY})
                for (int windowBits : {-15, 15}) {
                    Bytes data = input.data;
                    if (data.size() > 20000) data.resize(20000);
                    streams.push_back(
                        {ZlibCompress(data, level, strategy, windowBits), windowBits});
                }
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        auto [packed, windowBits] = streams[rng() % streams.size()];
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && !packed.empty(); ++e) {
            const std::size_t at = rng() % packed.size();
            switch (rng() % 5) {
            case 0:
            case 1:
                packed[at] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
                break;
            case 2:
                packed[at] = static_cast<std::uint8_t>(rng());
                break;
            case 3:
                packed.resize(at);
                break;
            default:
                packed.insert(packed.begin() + static_cast<std::ptrdiff_t>(at),
                              static_cast<std::uint8_t>(rng()));
            }
        }
        Bytes theirs, ours;
        const bool zlibEnds = ZlibInflate(packed, windowBits, 40000, theirs);
        const int rc =
            OurInflate(packed, windowBits, false, 40000, ours, 1 + rng() % 5000, 1 + rng() % 5000);
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(rc == kInflateStreamEnd, zlibEnds);
        if (zlibEnds) {
            ++accepted;
            ASSERT_EQ(ours, theirs);
        }
    }
    EXPECT_GT(accepted, 100);
}

Bytes Bits(std::initializer_list<std::pair<unsigned, unsigned>> fields) {
    // (value, bit count) pairs written least significant bit first.
    Bytes out;
    std::uint64_t acc = 0;
    unsigned n = 0;
    for (auto [value, count] : fields) {
        acc |= static_cast<std::uint64_t>(value) << n;
        n += count;
        while (n >= 8) {
            out.push_back(static_cast<std::uint8_t>(acc));
            acc >>= 8;
            n -= 8;
        }
    }
    if (n > 0) out.push_back(static_cast<std::uint8_t>(acc));
    return out;
}

unsigned Rev(unsigned code, unsigned len) {
    unsigned r = 0;
    for (unsigned i = 0; i < len; ++i)
        r = (r << 1) | ((code >> i) & 1);
    return r;
}

// Huffman codes go most significant bit first: reversed for the LSB-first writer.
std::pair<unsigned, unsigned> Code(unsigned code, unsigned len) {
    return {Rev(code, len), len};
}

TEST(Inflate, HostileStreamsAreDataErrors) {
    struct Case {
        const char* name;
        Bytes packed;
    };
    const std::vector<Case> cases = {
        {"block type 3", Bits({{1, 1}, {3, 2}})},
        {"stored LEN/NLEN mismatch", Bits({{1, 1}, {0, 2}, {0, 5}, {5, 16}, {5, 16}})},
        // Fixed block, literal/length symbol 286 (8-bit code 11000110).
        {"symbol 286", Bits({{1, 1}, {1, 2}, Code(0xC6, 8)})},
        // Fixed block: 'a', then length 3 (code 257 = 0000001) at distance code 30.
        {"distance code 30", Bits({{1, 1}, {1, 2}, Code(0x30 + 'a', 8), Code(1, 7), Code(30, 5)})},
        // Fixed block: a match at distance 1 with nothing before it.
        {"distance before the output", Bits({{1, 1}, {1, 2}, Code(1, 7), Code(0, 5)})},
        // Dynamic: HLIT 30 (287 codes) in Deflate mode.
        {"HLIT 30", Bits({{1, 1}, {2, 2}, {30, 5}, {0, 5}, {15, 4}})},
        // Dynamic: code-length code over-subscribed: three lengths of 1.
        {"over-subscribed code lengths",
         Bits({{1, 1}, {2, 2}, {0, 5}, {0, 5}, {0, 4}, {1, 3}, {1, 3}, {1, 3}, {0, 3}})},
        // Dynamic: code-length code incomplete: one length of 2.
        {"incomplete code lengths",
         Bits({{1, 1}, {2, 2}, {0, 5}, {0, 5}, {0, 4}, {2, 3}, {0, 3}, {0, 3}, {0, 3}})},
        // Dynamic: code-length symbols 16 (len 1) and 0 (len 1); first symbol a repeat.
        {"repeat before the first length", Bits({{1, 1},
                                                 {2, 2},
                                                 {0, 5},
                                                 {0, 5},
                                                 {0, 4},
                                                 {1, 3},
                                                 {0, 3},
                                                 {0, 3},
                                                 {1, 3},
                                                 Code(1, 1),
                                                 {0, 2}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes out, theirs;
        Bytes padded = c.packed;
        padded.resize(padded.size() + 8, 0);
        EXPECT_EQ(OurInflate(padded, -15, false, 1000, out), kInflateDataError);
        EXPECT_FALSE(ZlibInflate(padded, -15, 1000, theirs));
    }
}

TEST(Inflate, InitChecksRecordWindowBitsAndAllocatesNothingOnRefusal) {
    static int allocations = 0;
    TInflateRecord record;
    record.Alloc = [](void* o, std::size_t n, std::size_t s) {
        ++allocations;
        return InflateZeroAlloc(o, n, s);
    };
    TInflate deflate;
    EXPECT_EQ(deflate.InflateInit(record, -15, 73), kInflateVersionError);
    EXPECT_EQ(allocations, 0);
    for (int bits : {7, -7, 16, -16, 17})
        EXPECT_EQ(deflate.InflateInit(record, bits, kInflateRecordCheck), kInflateStreamError)
            << bits;
    EXPECT_EQ(allocations, 0);
    TInflate wide(TInflateMode::Deflate64);
    ASSERT_EQ(wide.InflateInit(record, -15, kInflateRecordCheck), kInflateOk);
    EXPECT_GT(allocations, 0);
    EXPECT_EQ(wide.InflateEnd(record), kInflateOk);
    EXPECT_EQ(wide.InflateEnd(record), kInflateStreamError);
    EXPECT_EQ(wide.InflateInit(record, -16, kInflateRecordCheck), kInflateStreamError);
}

TEST(Inflate, WrongAdlerIsADataErrorOnlyWhenWrapped) {
    const Bytes data = TextInput(5000);
    Bytes wrapped = ZlibCompress(data, 6, Z_DEFAULT_STRATEGY, 15);
    wrapped.back() ^= 1;
    Bytes out;
    EXPECT_EQ(OurInflate(wrapped, 15, false, 10000, out), kInflateDataError);
    const Bytes raw(wrapped.begin() + 2, wrapped.end() - 4);
    EXPECT_EQ(OurInflate(raw, -15, false, 10000, out), kInflateStreamEnd);
    EXPECT_EQ(out, data);
}

TEST(Inflate, PresetDictionaryIsAskedForWithItsId) {
    const Bytes data = TextInput(3000);
    z_stream z{};
    deflateInit(&z, 6);
    const Bytes dict = TextInput(500, 77);
    deflateSetDictionary(&z, dict.data(), static_cast<uInt>(dict.size()));
    Bytes packed(10000);
    z.next_in = const_cast<Bytes::value_type*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    deflate(&z, Z_FINISH);
    packed.resize(z.total_out);
    deflateEnd(&z);
    TInflate engine;
    TInflateRecord record;
    ASSERT_EQ(engine.InflateInit(record, 15, kInflateRecordCheck), kInflateOk);
    Bytes out(5000);
    record.NextIn = packed.data();
    record.AvailIn = static_cast<std::int64_t>(packed.size());
    record.NextOut = out.data();
    record.AvailOut = 5000;
    EXPECT_EQ(engine.Inflate(record, kInflateNoFlush), kInflateNeedDict);
    EXPECT_EQ(record.CheckValue, adler32(1, dict.data(), static_cast<uInt>(dict.size())));
    EXPECT_EQ(engine.Inflate(record, kInflateNoFlush), kInflateStreamError);
    engine.InflateEnd(record);
}

} // namespace
} // namespace sorvane::test
