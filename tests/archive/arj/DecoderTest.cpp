// The ARJ method-4 and ZOO LZW decoders on hand-made streams: their main
// paths, window and table edges, and streams that are cut, run on, or hold
// codes that cannot occur.
#include "archive/codecs/arxArjMethod4.h"
#include "archive/codecs/arxZooLzw.h"

#include <gtest/gtest.h>
#include <map>
#include <random>
#include <vector>

namespace sorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Runs a decoder over `packed`, failing the test on a read past the packed
// data, an empty write or a write past `unpacked`.
struct Rig {
    Bytes packed, output;
    std::size_t readPos = 0;
    std::vector<std::int64_t> writes;
    TMemberIo io;
    Rig(Bytes data, std::int64_t unpacked) : packed(std::move(data)) {
        io.PackedSize = static_cast<std::int64_t>(packed.size());
        io.UnpackedSize = unpacked;
        io.Read = [this](std::uint8_t* buf, std::int64_t count) -> std::int64_t {
            EXPECT_LE(readPos + static_cast<std::size_t>(count), packed.size());
            const std::size_t n =
                std::min<std::size_t>(static_cast<std::size_t>(count), packed.size() - readPos);
            std::copy_n(packed.begin() + static_cast<std::ptrdiff_t>(readPos), n, buf);
            readPos += n;
            return static_cast<std::int64_t>(n);
        };
        io.Write = [this](const std::uint8_t* buf, std::int64_t count) -> std::int64_t {
            EXPECT_GT(count, 0);
            writes.push_back(count);
            output.insert(output.end(), buf, buf + count);
            EXPECT_LE(static_cast<std::int64_t>(output.size()), io.UnpackedSize);
            return count;
        };
    }
};

// ---------------------------------------------------------------------------
// ARJ method 4

class MsbWriter {
public:
    void Put(std::uint32_t value, int n) {
        for (int i = n - 1; i >= 0; --i) {
            acc_ = static_cast<std::uint8_t>(acc_ << 1 | ((value >> i) & 1));
            if (++count_ == 8) {
                bytes.push_back(acc_);
                acc_ = 0;
                count_ = 0;
            }
        }
    }
    Bytes Finish() {
        if (count_ > 0) Put(0, 8 - count_);
        return bytes;
    }
    Bytes bytes;

private:
    std::uint8_t acc_ = 0;
    int count_ = 0;
};

void Literal(MsbWriter& w, std::uint8_t c) {
    w.Put(0, 1);
    w.Put(c, 8);
}

// A match of `length` (3..256) bytes from `distance` + 1 bytes back.
void Match(MsbWriter& w, int length, int distance) {
    const int value = length - 2;
    int k = 0;
    while (k < 7 && value >= (1 << (k + 1)) - 1)
        ++k;
    w.Put((1u << k) - 1, k);
    if (k < 7) w.Put(0, 1);
    if (k > 0) w.Put(static_cast<std::uint32_t>(value - ((1 << k) - 1)), k);
    int width = 9;
    while (width < 13 && distance >= 512 * ((1 << (width - 8)) - 1))
        ++width;
    w.Put((1u << (width - 9)) - 1, width - 9);
    if (width < 13) w.Put(0, 1);
    w.Put(static_cast<std::uint32_t>(distance - 512 * ((1 << (width - 9)) - 1)), width);
}

TEST(ArjMethod4, LiteralsAndMatchesOfEveryWidth) {
    MsbWriter w;
    Bytes expected;
    std::mt19937 random(4);
    for (int i = 0; i < 16000; ++i) {
        const auto c = static_cast<std::uint8_t>(random());
        Literal(w, c);
        expected.push_back(c);
    }
    // Distances of each width (9 to 13 bits) and lengths of each prefix size.
    for (const auto& [length, distance] : std::vector<std::pair<int, int>>{{3, 0},
                                                                           {4, 511},
                                                                           {10, 512},
                                                                           {40, 1535},
                                                                           {100, 3583},
                                                                           {256, 7679},
                                                                           {200, 15871},
                                                                           {5, 2}}) {
        Match(w, length, distance);
        for (int i = 0; i < length; ++i)
            expected.push_back(expected[expected.size() - 1 - static_cast<std::size_t>(distance)]);
    }
    Rig rig(w.Finish(), static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(TArjMethod4Decoder().Decode(rig.io), TDecodeResult::Done);
    EXPECT_EQ(rig.output, expected);
}

TEST(ArjMethod4, AFullWindowOfLiteralsIsOneWrite) {
    MsbWriter w;
    for (int i = 0; i < 32768; ++i)
        Literal(w, static_cast<std::uint8_t>(i * 7));
    Rig rig(w.Finish(), 32768);
    EXPECT_EQ(TArjMethod4Decoder().Decode(rig.io), TDecodeResult::Done);
    EXPECT_EQ(rig.writes, std::vector<std::int64_t>{32768});
    EXPECT_EQ(rig.output[32767], static_cast<std::uint8_t>(32767 * 7));
}

// The output goes out 64 KB at a time: matches that reach back across a
// block's end, or run over it, come out as from one window.
TEST(ArjMethod4, MatchesAcrossTheOutputBlocks) {
    MsbWriter w;
    Bytes expected;
    std::mt19937 random(9);
    const auto literals = [&](int count) {
        for (int i = 0; i < count; ++i) {
            const auto c = static_cast<std::uint8_t>(random());
            Literal(w, c);
            expected.push_back(c);
        }
    };
    const auto match = [&](int length, int distance) {
        Match(w, length, distance);
        for (int i = 0; i < length; ++i)
            expected.push_back(expected[expected.size() - 1 - static_cast<std::size_t>(distance)]);
    };
    literals(65500);
    match(200, 15871); // runs over the first block's end
    literals(100);
    match(256, 15871); // reaches back into the block before
    literals(65536 - 100 - 256 - 200 + 36 - 3);
    match(7, 2); // overlapping, over the second block's end
    Rig rig(w.Finish(), static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(TArjMethod4Decoder().Decode(rig.io), TDecodeResult::Done);
    EXPECT_EQ(rig.output, expected);
    EXPECT_EQ(rig.writes, (std::vector<std::int64_t>{65536, 65536, 4}));
}

TEST(ArjMethod4, AMatchStopsAtTheDeclaredSize) {
    MsbWriter w;
    Literal(w, 'a');
    Match(w, 256, 0);
    Rig rig(w.Finish(), 100);
    EXPECT_EQ(TArjMethod4Decoder().Decode(rig.io), TDecodeResult::Done);
    EXPECT_EQ(rig.output, Bytes(100, 'a'));
}

TEST(ArjMethod4, HostileStreams) {
    {
        SCOPED_TRACE("a distance before the first byte");
        MsbWriter w;
        Literal(w, 'a');
        Match(w, 3, 1);
        Rig rig(w.Finish(), 10);
        EXPECT_EQ(TArjMethod4Decoder().Decode(rig.io), TDecodeResult::Corrupt);
    }
    {
        SCOPED_TRACE("a stream that ends long before its size: stops a few bytes past its end");
        MsbWriter w;
        for (int i = 0; i < 10; ++i)
            Literal(w, 'z');
        Rig rig(w.Finish(), std::int64_t{1} << 40);
        EXPECT_EQ(TArjMethod4Decoder().Decode(rig.io), TDecodeResult::InputEnded);
        EXPECT_LT(rig.output.size(), 20u);
        EXPECT_EQ(Bytes(rig.output.begin(), rig.output.begin() + 10), Bytes(10, 'z'));
    }
    {
        SCOPED_TRACE("nothing at all");
        Rig rig({}, 1000);
        EXPECT_EQ(TArjMethod4Decoder().Decode(rig.io), TDecodeResult::InputEnded);
    }
}

// One decoder over the members of a run: after a member that ended corrupt or
// cut, the next ones decode whole, and none reaches into the bytes of the
// member before it.
TEST(ArjMethod4, OneDecoderStartsEveryMemberAfresh) {
    TArjMethod4Decoder decoder;
    {
        SCOPED_TRACE("a corrupt member a third into the window");
        MsbWriter w;
        for (int i = 0; i < 10000; ++i)
            Literal(w, static_cast<std::uint8_t>(i * 13));
        Match(w, 3, 10000);
        Rig rig(w.Finish(), 30000);
        EXPECT_EQ(decoder.Decode(rig.io), TDecodeResult::Corrupt);
    }
    {
        SCOPED_TRACE("a cut member");
        MsbWriter w;
        for (int i = 0; i < 100; ++i)
            Literal(w, 'q');
        Rig rig(w.Finish(), 5000);
        EXPECT_EQ(decoder.Decode(rig.io), TDecodeResult::InputEnded);
    }
    for (int member = 0; member < 2; ++member) {
        SCOPED_TRACE(member);
        MsbWriter w;
        Bytes expected;
        for (int i = 0; i < 600; ++i) {
            const auto c = static_cast<std::uint8_t>('a' + (i + member) % 26);
            Literal(w, c);
            expected.push_back(c);
        }
        Match(w, 200, 599);
        expected.insert(expected.end(), expected.begin(), expected.begin() + 200);
        Rig rig(w.Finish(), static_cast<std::int64_t>(expected.size()));
        EXPECT_EQ(decoder.Decode(rig.io), TDecodeResult::Done);
        EXPECT_EQ(rig.output, expected);
    }
    {
        SCOPED_TRACE("a distance into the member before is still before the first byte");
        MsbWriter w;
        Literal(w, 'a');
        Match(w, 3, 5);
        Rig rig(w.Finish(), 10);
        EXPECT_EQ(decoder.Decode(rig.io), TDecodeResult::Corrupt);
    }
}

// ---------------------------------------------------------------------------
// ZOO LZW

class LsbWriter {
public:
    void Put(std::uint32_t value, int n) {
        acc_ |= static_cast<std::uint64_t>(value) << count_;
        count_ += n;
        while (count_ >= 8) {
            bytes.push_back(static_cast<std::uint8_t>(acc_));
            acc_ >>= 8;
            count_ -= 8;
        }
    }
    Bytes Finish() {
        if (count_ > 0) bytes.push_back(static_cast<std::uint8_t>(acc_));
        return bytes;
    }
    Bytes bytes;

private:
    std::uint64_t acc_ = 0;
    int count_ = 0;
};

// An encoder keeping the decoder's code width: after each code but the
// first after a clear the table gains an entry, and the width grows when
// the next free code reaches 512, 1,024, ... while below 13 bits.
struct LzwEncoder {
    LsbWriter out;
    int bits = 9, limit = 512, decoderFree = 258;
    bool first = true;
    void Code(int code) {
        out.Put(static_cast<std::uint32_t>(code), bits);
        if (first) {
            first = false;
        } else if (decoderFree < 8192 && ++decoderFree >= limit && bits < 13) {
            ++bits;
            limit <<= 1;
        }
    }
    void Clear() {
        out.Put(256, bits);
        bits = 9;
        limit = 512;
        decoderFree = 258;
        first = true;
    }
};

Bytes LzwEncode(const Bytes& data, bool clearWhenFull, bool endCode = true) {
    LzwEncoder e;
    std::map<std::pair<int, int>, int> table;
    int next = 258;
    e.Clear();
    int prefix = data.empty() ? -1 : data[0];
    for (std::size_t i = 1; i < data.size(); ++i) {
        const auto found = table.find({prefix, data[i]});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        e.Code(prefix);
        if (next < 8192) {
            table[{prefix, data[i]}] = next++;
        } else if (clearWhenFull) {
            e.Clear();
            table.clear();
            next = 258;
        }
        prefix = data[i];
    }
    if (prefix >= 0) e.Code(prefix);
    if (endCode) e.Code(257);
    return e.out.Finish();
}

Bytes Words(std::size_t size, unsigned seed) {
    static const char* const words[] = {"disk ", "folder ", "ledger ", "zoo ", "archive ",
                                        "\n",    "volume ", "the ",    "of ",  "catalogue "};
    std::mt19937 random(seed);
    Bytes text;
    while (text.size() < size)
        for (const char* c = words[random() % 10]; *c; ++c)
            text.push_back(static_cast<std::uint8_t>(*c));
    text.resize(size);
    return text;
}

TEST(ZooLzw, DecodesWithAndWithoutClearsAndAFullTable) {
    for (const bool clear : {true, false}) {
        SCOPED_TRACE(clear ? "clears when full" : "keeps the full table");
        const Bytes text = Words(300000, 7);
        const Bytes packed = LzwEncode(text, clear);
        Rig rig(packed, static_cast<std::int64_t>(text.size()));
        EXPECT_EQ(ZooLzwDecode(rig.io), TDecodeResult::Done);
        EXPECT_EQ(rig.output, text);
    }
}

TEST(ZooLzw, StringsLongerThanTheOldStack) {
    // A run of one byte: each code one byte longer than the last, up to 2,100.
    const Bytes run(2100 * 2101 / 2, 'a');
    Rig rig(LzwEncode(run, false), static_cast<std::int64_t>(run.size()));
    EXPECT_EQ(ZooLzwDecode(rig.io), TDecodeResult::Done);
    EXPECT_EQ(rig.output, run);
}

TEST(ZooLzw, HostileStreams) {
    {
        SCOPED_TRACE("a first code that is no character");
        LzwEncoder e;
        e.Code(300);
        Rig rig(e.out.Finish(), 100);
        EXPECT_EQ(ZooLzwDecode(rig.io), TDecodeResult::Corrupt);
    }
    {
        SCOPED_TRACE("a code beyond the next free one");
        LzwEncoder e;
        e.Code('a');
        e.Code(259);
        Rig rig(e.out.Finish(), 100);
        EXPECT_EQ(ZooLzwDecode(rig.io), TDecodeResult::Corrupt);
    }
    {
        SCOPED_TRACE("no end code: the input's end ends the member");
        const Bytes text = Words(5000, 3);
        Rig rig(LzwEncode(text, true, false), 1 << 30);
        EXPECT_EQ(ZooLzwDecode(rig.io), TDecodeResult::InputEnded);
        EXPECT_EQ(rig.output, text);
    }
    {
        SCOPED_TRACE("more output than declared is dropped");
        const Bytes text = Words(5000, 5);
        Rig rig(LzwEncode(text, true), 1234);
        EXPECT_EQ(ZooLzwDecode(rig.io), TDecodeResult::Done);
        EXPECT_EQ(rig.output, Bytes(text.begin(), text.begin() + 1234));
    }
    {
        SCOPED_TRACE("a KwKwK code");
        LzwEncoder e;
        e.Code('a');
        e.Code(258); // "aa", defined by this very code
        e.Code(257);
        Rig rig(e.out.Finish(), 3);
        EXPECT_EQ(ZooLzwDecode(rig.io), TDecodeResult::Done);
        EXPECT_EQ(rig.output, Bytes(3, 'a'));
    }
}

} // namespace
} // namespace sorvane
