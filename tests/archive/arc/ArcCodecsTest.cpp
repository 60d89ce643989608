// The ARC decoders on hand-made streams: run lengths, squeeze trees, the
// crunch string table, dynamic LZW codes, and the declared size as a bound
// for every decoder.
#include "archive/arxMessages.h"
#include "archive/codecs/arxArcMember.h"
#include "archive/codecs/arxUncrunch.h"
#include "archive/codecs/arxUnsquash.h"
#include "archive/codecs/arxUnsqueeze.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <vector>

namespace sorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Decoded {
    Bytes out;
    int error = 0; // the E_RAISE code, 0 when none
    TDecodeResult result = TDecodeResult::Corrupt;
};

// The decoders in one form: the member's I/O, its method and the buffers.
using Decoder = std::function<TDecodeResult(TMemberIo&, std::uint8_t, TArcBuffers&)>;
const Decoder kUnpack = [](TMemberIo& io, std::uint8_t, TArcBuffers& b) {
    return ArcUnpack(io, b);
};
const Decoder kUnsqueeze = [](TMemberIo& io, std::uint8_t, TArcBuffers& b) {
    return Unsqueeze(io, b);
};
const Decoder kUncrunch = [](TMemberIo& io, std::uint8_t method, TArcBuffers& b) {
    return Uncrunch(io, method, b);
};
const Decoder kUnsquash = [](TMemberIo& io, std::uint8_t method, TArcBuffers& b) {
    return Unsquash(io, method, b);
};

// Decodes `packed` with `decoder` as method `method`, declared size `declared`.
// `promised`: the packed size the member claims (more than `packed` holds
// when its data are cut short). On the buffers of earlier members when
// `kept` is given, else on fresh ones.
Decoded Decode(const Decoder& decoder, std::uint8_t method, const Bytes& packed,
               std::int64_t declared = 1 << 20, std::int64_t promised = -1,
               TArcBuffers* kept = nullptr) {
    TArcBuffers fresh;
    Decoded result;
    std::size_t pos = 0;
    TMemberIo io;
    io.PackedSize = promised >= 0 ? promised : static_cast<std::int64_t>(packed.size());
    io.UnpackedSize = declared;
    io.Read = [&](std::uint8_t* buf, std::int64_t count) -> std::int64_t {
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(count), packed.size() - pos);
        std::memcpy(buf, packed.data() + pos, n);
        pos += n;
        return static_cast<std::int64_t>(n);
    };
    io.Write = [&](const std::uint8_t* data, std::int64_t count) -> std::int64_t {
        result.out.insert(result.out.end(), data, data + count);
        return count;
    };
    try {
        result.result = decoder(io, method, kept != nullptr ? *kept : fresh);
    } catch (const E_RAISE& error) {
        result.error = error.Code();
    }
    EXPECT_LE(static_cast<std::int64_t>(result.out.size()), declared);
    return result;
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Codes of `width` bits, least significant bit first, in one group.
Bytes PackCodes(const std::vector<int>& codes, int width) {
    Bytes out;
    std::uint32_t bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= static_cast<std::uint32_t>(code) << count;
        count += width;
        while (count >= 8) {
            out.push_back(static_cast<std::uint8_t>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0) out.push_back(static_cast<std::uint8_t>(bits));
    return out;
}

TEST(ArcRunLength, MarkerCountsAndLiteralMarker) {
    struct Case {
        Bytes in, out;
    };
    for (const Case& c : {
             Case{{0x41, 0x90, 0x05}, Bytes(5, 0x41)},
             Case{{0x90, 0x00}, {0x90}},
             // A literal marker is not remembered: the run repeats 0x41.
             Case{{0x41, 0x90, 0x00, 0x90, 0x03}, {0x41, 0x90, 0x41, 0x41}},
             Case{{0x42, 0x90, 0x01}, {0x42}},
             // A run at the very start repeats the cleared byte 0.
             Case{{0x90, 0x03}, {0, 0}},
             Case{{0x43, 0x90}, {0x43}},
         }) {
        const Decoded d = Decode(kUnpack, 3, c.in);
        EXPECT_EQ(d.error, 0);
        EXPECT_EQ(d.out, c.out);
    }
}

TEST(ArcSqueeze, TreesAndTheirChecks) {
    // One node: bit 0 is "A", bit 1 the end code. Bits 0, 0, 1: "AA".
    const Bytes tree{1, 0, 0xBE, 0xFF, 0xFF, 0xFE};
    struct Case {
        Bytes in;
        Bytes out;
        int error;
    };
    for (const Case& c : {
             Case{Bytes{0, 0, 0x55, 0x55}, {}, 0}, // no nodes: the end at once
             Case{[&] {
                      Bytes b = tree;
                      b.push_back(0x04);
                      return b;
                  }(),
                  Text("AA"), 0},
             // The data end before the end code: what was decoded stands.
             Case{[&] {
                      Bytes b = tree;
                      b.push_back(0x00);
                      return b;
                  }(),
                  Bytes(8, 'A'), 0},
             Case{{0x01, 0x01}, {}, kMsgInvalidDecodeTree},                   // 257 nodes
             Case{{0xFF, 0xFF}, {}, kMsgInvalidDecodeTree},                   // -1 nodes
             Case{{1, 0, 1, 0, 0xFF, 0xFE}, {}, kMsgInvalidDecodeTree},       // child 1 of 1 node
             Case{{1, 0, 0xFE, 0xFE, 0xFF, 0xFE}, {}, kMsgInvalidDecodeTree}, // leaf -258
         }) {
        const Decoded d = Decode(kUnsqueeze, 4, c.in);
        EXPECT_EQ(d.error, c.error);
        EXPECT_EQ(d.out, c.out);
    }
}

// Two 12-bit codes in three bytes; a lone code in two.
Bytes CrunchCodes(const std::vector<int>& codes) {
    Bytes out;
    for (std::size_t i = 0; i < codes.size(); i += 2) {
        const int a = codes[i];
        out.push_back(static_cast<std::uint8_t>(a >> 4));
        if (i + 1 < codes.size()) {
            const int b = codes[i + 1];
            out.push_back(static_cast<std::uint8_t>(((a & 0xF) << 4) | (b >> 8)));
            out.push_back(static_cast<std::uint8_t>(b & 0xFF));
        } else {
            out.push_back(static_cast<std::uint8_t>((a & 0xF) << 4));
        }
    }
    return out;
}

// The code of a single byte in the crunch table, found by decoding.
int CrunchCodeOf(std::uint8_t byte, std::uint8_t method);

// The table starts with each byte exactly once: of the 4,096 codes, 256
// decode alone to 256 different bytes; every other first code is refused.
TEST(ArcCrunch, TableStartsWithEachByteOnce) {
    for (std::uint8_t method : {5, 7}) {
        SCOPED_TRACE(int(method));
        std::set<std::uint8_t> bytes;
        std::vector<int> codeOf(256, -1);
        int refused = 0;
        for (int code = 0; code < 4096; ++code) {
            const Decoded d = Decode(kUncrunch, method, CrunchCodes({code}));
            if (d.error == kMsgCorruptInput) {
                ++refused;
                continue;
            }
            ASSERT_EQ(d.error, 0);
            // Method 7 decodes run lengths: 0x90 alone is an open repeat.
            const std::uint8_t byte = d.out.empty() && method == 7 ? 0x90 : d.out.at(0);
            ASSERT_LE(d.out.size(), 1u) << code;
            bytes.insert(byte);
            codeOf[byte] = code;
        }
        EXPECT_EQ(bytes.size(), 256u);
        EXPECT_EQ(refused, 4096 - 256);
        // A single byte sits at its hash when that slot was free.
        EXPECT_EQ(codeOf[0], CrunchHash(0xFFFF, 0, method == 7));
        // "AB", then the code of the entry "AB" the decoder just made, then
        // an unknown code: the previous string and its first byte.
        const int a = codeOf['A'], b = codeOf['B'];
        const Decoded d = Decode(kUncrunch, method, CrunchCodes({a, b, a}));
        EXPECT_EQ(d.out, Text("ABA"));
    }
}

int CrunchCodeOf(std::uint8_t byte, std::uint8_t method) {
    for (int code = 0; code < 4096; ++code) {
        const Decoded d = Decode(kUncrunch, method, CrunchCodes({code}));
        if (d.error == 0 && d.out == Bytes{byte}) return code;
    }
    return -1;
}

TEST(ArcCrunch, HashesAreSixteenBitSums) {
    // Old hash: middle bits of ((p + f) | 0x800) squared, the sum 16-bit.
    EXPECT_EQ(CrunchHash(0, 0, false), (0x800u * 0x800u >> 6) & 0xFFF);
    EXPECT_EQ(CrunchHash(0xFFFF, 1, false), CrunchHash(0, 0, false));
    EXPECT_EQ(CrunchHash(0x100, 0x20, true), (0x120u * 15073u) & 0xFFF);
    EXPECT_EQ(CrunchHash(0xFFFF, 0x21, true), (0x20u * 15073u) & 0xFFF);
}

Bytes Join8(const Bytes& codes) {
    Bytes out{12};
    out.insert(out.end(), codes.begin(), codes.end());
    return out;
}

// "A", "B", a clear, then `codes` in the group that follows (groups of nine
// bytes at 9 bits: the rest of the clear's group is dropped).
Bytes ClearThen(const std::vector<int>& codes) {
    Bytes out = PackCodes({'A', 'B', 256}, 9);
    out.resize(9, 0xFF);
    const Bytes rest = PackCodes(codes, 9);
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

TEST(ArcSquash, CodesAndTheirChecks) {
    struct Case {
        std::uint8_t method;
        Bytes in;
        Bytes out;
        int error;
    };
    const Bytes abab = PackCodes({'A', 'B', 257, 259}, 9);
    for (const Case& c : {
             // 257 is "AB"; 259 is the next free code: "AB" + "A".
             Case{9, abab, Text("ABABABA"), 0},
             Case{8, Join8(abab), Text("ABABABA"), 0},
             Case{8, {13, 0x41, 0}, {}, kMsgIncorrectBits},
             Case{9, PackCodes({300}, 9), {}, kMsgCorruptInput},      // first code no byte
             Case{9, PackCodes({'A', 300}, 9), {}, kMsgCorruptInput}, // beyond next free
             // After a clear the table starts again: 257 is the next free
             // code there ("A" + "A"), no longer "AB".
             Case{9, ClearThen({'A', 257}), Text("ABAAA"), 0},
         }) {
        const Decoded d = Decode(kUnsquash, c.method, c.in);
        EXPECT_EQ(d.error, c.error);
        EXPECT_EQ(d.out, c.out);
    }
}

// No decoder writes more than the declared size: one byte less than a
// stream gives is corrupt input, and exactly that many bytes come out. A
// stream ends Done, or InputEnded when its data end before its packed size.
TEST(ArcDecoders, DeclaredSizeBoundsEveryDecoder) {
    struct Case {
        const char* name;
        Decoder decoder;
        std::uint8_t method;
        Bytes in;
        bool endCode = false; // the stream ends on its own end code
    };
    const std::vector<Case> cases{
        {"packed", kUnpack, 3, {0x41, 0x90, 0xFF}},
        {"squeezed", kUnsqueeze, 4, {1, 0, 0xBE, 0xFF, 0xFF, 0xFE, 0x00, 0x04}, true},
        {"squashed", kUnsquash, 9, PackCodes({'A', 'B', 257, 259, 260, 261}, 9)},
        {"crunched 8", kUnsquash, 8, Join8(PackCodes({'A', 0x90, 200}, 9))},
        {"crunched 6", kUncrunch, 6,
         CrunchCodes({CrunchCodeOf('A', 5), CrunchCodeOf(0x90, 5), CrunchCodeOf(9, 5)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded whole = Decode(c.decoder, c.method, c.in);
        ASSERT_EQ(whole.error, 0);
        EXPECT_EQ(whole.result, TDecodeResult::Done);
        // The same data promising more bytes than they hold: cut short,
        // unless the end code came first.
        const Decoded promised =
            Decode(c.decoder, c.method, c.in, 1 << 20, static_cast<std::int64_t>(c.in.size()) + 9);
        EXPECT_EQ(promised.result, c.endCode ? TDecodeResult::Done : TDecodeResult::InputEnded);
        ASSERT_GT(whole.out.size(), 1u);
        const auto size = static_cast<std::int64_t>(whole.out.size());
        EXPECT_EQ(Decode(c.decoder, c.method, c.in, size).error, 0);
        const Decoded cut = Decode(c.decoder, c.method, c.in, size - 1);
        EXPECT_EQ(cut.error, kMsgCorruptInput);
        EXPECT_EQ(cut.out, Bytes(whole.out.begin(), whole.out.end() - 1));
    }

    // The buffers the reader keeps for the run: after a member cut at its
    // declared size and a member that cannot occur, two members in a row
    // decode as on fresh buffers.
    TArcBuffers kept;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded whole = Decode(c.decoder, c.method, c.in);
        const auto size = static_cast<std::int64_t>(whole.out.size());
        EXPECT_EQ(Decode(c.decoder, c.method, c.in, size - 1, -1, &kept).error, kMsgCorruptInput);
        Decode(c.decoder, c.method, Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 3, -1, &kept);
        for (int member = 0; member < 2; ++member) {
            const Decoded again = Decode(c.decoder, c.method, c.in, 1 << 20, -1, &kept);
            EXPECT_EQ(again.error, 0) << member;
            EXPECT_EQ(again.result, TDecodeResult::Done) << member;
            EXPECT_EQ(again.out, whole.out) << member;
        }
    }
}

} // namespace
} // namespace sorvane
