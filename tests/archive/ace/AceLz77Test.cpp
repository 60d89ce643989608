// The ACE 1.0 LZ77 decoder on its own: the packed stream of large.ace (made
// by our encoder, checked with unace), cut, bounded and read in small pieces,
// and hand-built streams for what a valid stream never holds.
#include "archive/codecs/arxAceLz77.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace sorvane::test {
namespace {

using TResult = TDecodeResult;

struct Member {
    std::vector<std::uint8_t> packed;
    std::uint32_t size = 0;
};

// The first member of an ACE archive: its packed data and unpacked size.
Member FirstMember(const std::vector<std::uint8_t>& archive) {
    Member m;
    const std::size_t at = 4 + (archive[2] | archive[3] << 8);
    const std::size_t headerSize = archive[at + 2] | archive[at + 3] << 8;
    std::uint32_t packed = 0;
    std::memcpy(&packed, &archive[at + 7], 4);
    std::memcpy(&m.size, &archive[at + 11], 4);
    const std::size_t data = at + 4 + headerSize;
    m.packed.assign(archive.begin() + static_cast<std::ptrdiff_t>(data),
                    archive.begin() + static_cast<std::ptrdiff_t>(data + packed));
    return m;
}

struct Decoded {
    TResult result;
    std::vector<std::uint8_t> out;
};

// One member through `decoder` (its dictionary reset, as for a member that
// is not solid).
Decoded DecodeWith(TAceLz77& decoder, const std::vector<std::uint8_t>& packed, std::uint64_t size,
                   std::int64_t piece = 1 << 20) {
    decoder.ResetDictionary();
    std::size_t at = 0;
    Decoded d;
    TMemberIo io;
    io.UnpackedSize = static_cast<std::int64_t>(size);
    io.Read = [&](std::uint8_t* buf, std::int64_t count) {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>({count, piece, static_cast<std::int64_t>(packed.size() - at)}));
        if (n > 0) std::memcpy(buf, packed.data() + at, n);
        at += n;
        return static_cast<std::int64_t>(n);
    };
    io.Write = [&](const std::uint8_t* buf, std::int64_t count) {
        d.out.insert(d.out.end(), buf, buf + count);
        return count;
    };
    d.result = decoder.Decode(io);
    return d;
}

Decoded Decode(const std::vector<std::uint8_t>& packed, std::uint64_t size,
               std::int64_t piece = 1 << 20) {
    TAceLz77 decoder;
    return DecodeWith(decoder, packed, size, piece);
}

TEST(AceLz77, DecodesWholeInPiecesAndWithinItsBound) {
    const Member m = FirstMember(FixtureBytes("ace/large.ace"));
    const Decoded whole = Decode(m.packed, m.size);
    ASSERT_EQ(whole.result, TResult::Done);
    ASSERT_EQ(whole.out.size(), m.size);
    // The reference: what unace extracted from the same archive.
    const std::string tsv = FixtureText("ace/expected.tsv");
    EXPECT_NE(tsv.find(Sha256Hex(whole.out)), std::string::npos);

    for (const std::int64_t piece : {1, 3, 4, 7, 4096}) {
        const Decoded pieces = Decode(m.packed, m.size, piece);
        EXPECT_EQ(pieces.result, TResult::Done) << piece;
        EXPECT_TRUE(pieces.out == whole.out) << piece;
    }
    // A smaller size is a bound: exactly that much, the same bytes.
    for (const std::uint64_t size :
         {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{m.size - 1000}}) {
        const Decoded part = Decode(m.packed, size);
        EXPECT_EQ(part.result, TResult::Done);
        ASSERT_EQ(part.out.size(), size);
        EXPECT_TRUE(std::equal(part.out.begin(), part.out.end(), whole.out.begin()));
    }
    // A larger one runs out of input.
    EXPECT_EQ(Decode(m.packed, std::uint64_t{m.size} + 100000).result, TResult::InputEnded);
}

TEST(AceLz77, CutStreamsEndWithinTheBound) {
    const Member m = FirstMember(FixtureBytes("ace/large.ace"));
    const Decoded whole = Decode(m.packed, m.size);
    for (std::size_t keep = 0; keep + 8 < m.packed.size(); keep += m.packed.size() / 23 + 1) {
        const std::vector<std::uint8_t> cut(m.packed.begin(),
                                            m.packed.begin() + static_cast<std::ptrdiff_t>(keep));
        const Decoded d = Decode(cut, m.size);
        EXPECT_LE(d.out.size(), m.size);
        EXPECT_TRUE(d.result != TResult::Done || d.out != whole.out) << keep;
    }
}

TEST(AceLz77, InvalidStreamsAreCorrupt) {
    for (const std::string name : {"codec-distance-before-start.bin", "codec-width-too-long.bin"}) {
        const Decoded d = Decode(FixtureBytes("ace/" + name), 10);
        EXPECT_EQ(d.result, TResult::Corrupt) << name;
        EXPECT_LE(d.out.size(), 1u) << name;
    }
}

// One decoder serves the members of a run: after a corrupt member and a cut
// one, two whole members in a row decode as a fresh decoder decodes them.
TEST(AceLz77, OneDecoderStartsEveryMemberAfresh) {
    const Member m = FirstMember(FixtureBytes("ace/large.ace"));
    const Decoded whole = Decode(m.packed, m.size);
    ASSERT_EQ(whole.result, TResult::Done);
    TAceLz77 decoder;
    EXPECT_EQ(DecodeWith(decoder, FixtureBytes("ace/codec-distance-before-start.bin"), 10).result,
              TResult::Corrupt);
    const std::vector<std::uint8_t> cut(
        m.packed.begin(), m.packed.begin() + static_cast<std::ptrdiff_t>(m.packed.size() / 2 + 3));
    EXPECT_NE(DecodeWith(decoder, cut, m.size).result, TResult::Done);
    for (int member = 0; member < 2; ++member) {
        const Decoded next = DecodeWith(decoder, m.packed, m.size, 4093);
        EXPECT_EQ(next.result, TResult::Done) << member;
        EXPECT_TRUE(next.out == whole.out) << member;
    }
}

} // namespace
} // namespace sorvane::test
