// The ZIP member decoders (shrink, reduce, implode, Deflate64) on the
// fixtures of tests/data/archive/codecs, whose headers carry the CRC-32 and
// size of the known plaintext, and on damaged and hostile members.
#include "archive/arxMessages.h"
#include "archive/codecs/arxExplode.h"
#include "archive/codecs/arxInflate.h"
#include "archive/codecs/arxInflate64.h"
#include "archive/codecs/arxUnreduce.h"
#include "archive/codecs/arxUnshrink.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/codecs/CodecTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <zlib.h>

namespace sorvane::test {
namespace {

struct Member {
    std::string name;
    std::uint16_t flags = 0, method = 0;
    std::uint32_t crc = 0;
    Bytes packed;
    std::int64_t unpacked = 0;
};

std::uint32_t Le(const Bytes& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

// The members of a fixture, walked through their local headers.
std::vector<Member> Members(const std::string& fixture) {
    const Bytes zip = FixtureBytes("codecs/" + fixture);
    std::vector<Member> out;
    std::size_t pos = 0;
    while (pos + 30 <= zip.size() && Le(zip, pos, 4) == 0x04034B50) {
        Member m;
        m.flags = static_cast<std::uint16_t>(Le(zip, pos + 6, 2));
        m.method = static_cast<std::uint16_t>(Le(zip, pos + 8, 2));
        m.crc = Le(zip, pos + 14, 4);
        const std::size_t packed = Le(zip, pos + 18, 4);
        m.unpacked = Le(zip, pos + 22, 4);
        const std::size_t nameLen = Le(zip, pos + 26, 2), extraLen = Le(zip, pos + 28, 2);
        m.name.assign(zip.begin() + static_cast<std::ptrdiff_t>(pos + 30),
                      zip.begin() + static_cast<std::ptrdiff_t>(pos + 30 + nameLen));
        const std::size_t start = pos + 30 + nameLen + extraLen;
        m.packed.assign(zip.begin() + static_cast<std::ptrdiff_t>(start),
                        zip.begin() + static_cast<std::ptrdiff_t>(start + packed));
        out.push_back(m);
        pos = start + packed;
    }
    return out;
}

// A context over a packed buffer that records the output, the writes and
// the reads, and fails the test on a read beyond the packed data.
struct Rig {
    Bytes packed, out;
    std::size_t readPos = 0;
    int writes = 0, emptyWrites = 0;
    std::uint8_t cancel = 0;
    std::int64_t failAfter = -1; // a write fails once this many bytes were written
    std::uint16_t flags = 0;
    TMemberIo io;

    Rig(const Bytes& data, std::int64_t unpacked, std::uint16_t memberFlags = 0)
        : packed(data), flags(memberFlags) {
        io.PackedSize = static_cast<std::int64_t>(packed.size());
        io.UnpackedSize = unpacked;
        io.Cancel = &cancel;
        io.Read = [this](std::uint8_t* buf, std::int64_t count) -> std::int64_t {
            EXPECT_LE(readPos + static_cast<std::size_t>(count), packed.size());
            const std::size_t n =
                std::min(static_cast<std::size_t>(count), packed.size() - readPos);
            std::memcpy(buf, packed.data() + readPos, n);
            readPos += n;
            return static_cast<std::int64_t>(n);
        };
        io.Write = [this](const std::uint8_t* buf, std::int64_t count) -> std::int64_t {
            ++writes;
            if (count <= 0) ++emptyWrites;
            if (failAfter >= 0 && static_cast<std::int64_t>(out.size()) + count > failAfter)
                return 0;
            out.insert(out.end(), buf, buf + count);
            return count;
        };
    }
    std::uint32_t Crc() const {
        return static_cast<std::uint32_t>(crc32(0, out.data(), static_cast<uInt>(out.size())));
    }
};

TDecodeResult Decode(const Member& m, Rig& rig) {
    switch (m.method) {
    case 1:
        return Unshrink(rig.io);
    case 2:
    case 3:
    case 4:
    case 5:
        return Unreduce(rig.io, m.method - 1);
    case 6:
        return ExplodeMember(rig.io, rig.flags);
    case 9:
        return Inflate64Member(rig.io);
    }
    return TDecodeResult::Corrupt;
}

// The fixed forms on the member record give the same results as codes.
TEST(ZipMethods, FixedFormsOfExplodeAndInflate64) {
    for (const char* fixture : {"implode.zip", "deflate64-7z.zip"})
        for (const Member& m : Members(fixture)) {
            SCOPED_TRACE(std::string(fixture) + ": " + m.name);
            for (const bool cut : {false, true}) {
                const Bytes packed(
                    m.packed.begin(),
                    m.packed.end() - (cut ? static_cast<std::ptrdiff_t>(m.packed.size() / 2) : 0));
                Rig rig(packed, m.unpacked, m.flags);
                TZipMemberContext context;
                context.Flags = m.flags;
                context.Method = static_cast<std::uint16_t>(m.method);
                context.Io = rig.io;
                if (m.method == 6) {
                    EXPECT_EQ(Explode(context), cut ? kZipDecodeInputExhausted : kZipDecodeDone);
                } else {
                    EXPECT_EQ(Inflate64(context), !cut);
                }
                EXPECT_EQ(static_cast<std::int64_t>(rig.out.size()) == m.unpacked, !cut);
            }
        }
}

TEST(ZipMethods, FixturesDecodeToTheirCrcAndSize) {
    int count = 0;
    for (const char* fixture :
         {"shrink.zip", "reduce.zip", "implode.zip", "deflate64-hand.zip", "deflate64-7z.zip"})
        for (const Member& m : Members(fixture)) {
            SCOPED_TRACE(std::string(fixture) + ": " + m.name);
            Rig rig(m.packed, m.unpacked, m.flags);
            EXPECT_EQ(Decode(m, rig), TDecodeResult::Done);
            EXPECT_EQ(static_cast<std::int64_t>(rig.out.size()), m.unpacked);
            EXPECT_EQ(rig.Crc(), m.crc);
            EXPECT_EQ(rig.emptyWrites, 0);
            ++count;
        }
    EXPECT_EQ(count, 4 + 4 + 5 + 2 + 1);
}

// A member declaring fewer bytes than its data holds gets exactly that many.
TEST(ZipMethods, NoDecoderWritesPastTheDeclaredSize) {
    for (const char* fixture : {"shrink.zip", "reduce.zip", "implode.zip", "deflate64-hand.zip"})
        for (const Member& m : Members(fixture)) {
            SCOPED_TRACE(std::string(fixture) + ": " + m.name);
            for (std::int64_t declared : {std::int64_t{0}, std::int64_t{1}, m.unpacked / 3}) {
                Rig rig(m.packed, declared, m.flags);
                Decode(m, rig);
                EXPECT_EQ(static_cast<std::int64_t>(rig.out.size()), declared);
                EXPECT_EQ(rig.emptyWrites, 0);
            }
        }
}

// A cut member: nothing read past its end, the output stops short (the CRC
// check then fails it); implode and Deflate64 say the input ran out.
TEST(ZipMethods, TruncatedMembersStopAtTheirEnd) {
    for (const char* fixture :
         {"shrink.zip", "reduce.zip", "implode.zip", "deflate64-hand.zip", "deflate64-7z.zip"})
        for (const Member& m : Members(fixture)) {
            SCOPED_TRACE(std::string(fixture) + ": " + m.name);
            Bytes cut(m.packed.begin(),
                      m.packed.begin() + static_cast<std::ptrdiff_t>(m.packed.size() / 2));
            Rig rig(cut, m.unpacked, m.flags);
            const TDecodeResult rc = Decode(m, rig);
            EXPECT_LT(static_cast<std::int64_t>(rig.out.size()), m.unpacked);
            if (m.method == 6 || m.method == 9) {
                EXPECT_EQ(rc, TDecodeResult::InputEnded);
            }
        }
}

// A reduced member whose data ends inside its last byte still decodes whole:
// the loop ends on the declared size, not when the input buffer was filled.
TEST(ZipMethods, UnreduceRunsToTheDeclaredSizeWithinOneBuffer) {
    for (const Member& m : Members("reduce.zip")) {
        ASSERT_LT(m.packed.size(), 32768u);
        Rig rig(m.packed, m.unpacked);
        EXPECT_EQ(Unreduce(rig.io, m.method - 1), TDecodeResult::Done) << m.name;
        EXPECT_EQ(static_cast<std::int64_t>(rig.out.size()), m.unpacked) << m.name;
    }
}

int ShrinkError(const Bytes& packed) {
    Rig rig(packed, 100000);
    try {
        Unshrink(rig.io);
    } catch (const E_RAISE& e) {
        return e.Code();
    }
    return 0;
}

Bytes Codes(std::initializer_list<std::pair<unsigned, unsigned>> fields) {
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

TEST(ZipMethods, UnshrinkRefusesBadControlCodesAndCodeSizes) {
    // Widening five times passes 13 bits: refused at once.
    EXPECT_EQ(ShrinkError(Codes({{'a', 9},
                                 {256, 9},
                                 {1, 9},
                                 {256, 10},
                                 {1, 10},
                                 {256, 11},
                                 {1, 11},
                                 {256, 12},
                                 {1, 12},
                                 {256, 13},
                                 {1, 13},
                                 {'b', 14}})),
              kMsgBadBlock);
    EXPECT_EQ(ShrinkError(Codes({{'a', 9}, {256, 9}, {3, 9}})), kMsgBadBlock);
    EXPECT_EQ(ShrinkError(Codes({{300, 9}})), kMsgBadBlock);
    // Four widenings reach 13 bits and are fine.
    EXPECT_EQ(ShrinkError(Codes({{'a', 9},
                                 {256, 9},
                                 {1, 9},
                                 {256, 10},
                                 {1, 10},
                                 {256, 11},
                                 {1, 11},
                                 {256, 12},
                                 {1, 12},
                                 {'b', 13}})),
              0);
}

TEST(ZipMethods, WriteFailuresAreReportedOnce) {
    for (const char* fixture : {"shrink.zip", "reduce.zip", "implode.zip", "deflate64-7z.zip"})
        for (const Member& m : Members(fixture)) {
            if (m.unpacked < 40000) continue;
            SCOPED_TRACE(std::string(fixture) + ": " + m.name);
            Rig rig(m.packed, m.unpacked, m.flags);
            rig.failAfter = 100;
            EXPECT_EQ(Decode(m, rig), TDecodeResult::WriteFailed);
            EXPECT_EQ(rig.writes, 1);
        }
}

TEST(ZipMethods, ExplodeRefusesTreesThatAreNotCompleteCodes) {
    // Two trees: a length tree of 64 codes of 6 bits is complete; 64 of 5
    // bits is over-subscribed, 64 of 7 incomplete; 63 entries miscounted.
    const Bytes good = {3, 0xF5, 0xF5, 0xF5, 0xF5};
    const Bytes over = {3, 0xF4, 0xF4, 0xF4, 0xF4};
    const Bytes under = {3, 0xF6, 0xF6, 0xF6, 0xF6};
    const Bytes miscounted = {3, 0xF5, 0xF5, 0xF5, 0xE5};
    auto run = [](const Bytes& lengthTree, const Bytes& distanceTree) {
        Bytes packed = lengthTree;
        packed.insert(packed.end(), distanceTree.begin(), distanceTree.end());
        packed.insert(packed.end(), {0xFF, 0xFF, 0xFF});
        Rig rig(packed, 3);
        return ExplodeMember(rig.io, rig.flags);
    };
    EXPECT_EQ(run(good, good), TDecodeResult::Done);
    EXPECT_EQ(run(over, good), TDecodeResult::Corrupt);
    EXPECT_EQ(run(good, under), TDecodeResult::Corrupt);
    EXPECT_EQ(run(miscounted, good), TDecodeResult::Corrupt);
}

TEST(ZipMethods, CancelStopsEveryDecoder) {
    for (const char* fixture : {"shrink.zip", "reduce.zip", "implode.zip", "deflate64-7z.zip"})
        for (const Member& m : Members(fixture)) {
            Rig rig(m.packed, m.unpacked, m.flags);
            rig.cancel = 1;
            EXPECT_EQ(Decode(m, rig), TDecodeResult::Canceled) << m.name;
            EXPECT_TRUE(rig.out.empty()) << m.name;
        }
}

// The stream engine in Deflate64 mode decodes the same members; a Deflate
// stream after it, or a Deflate engine with the process switch set after it
// started, still decodes as Deflate (length 258 is code 285 there).
TEST(ZipMethods, Deflate64ModeBelongsToEachStream) {
    for (const char* fixture : {"deflate64-hand.zip", "deflate64-7z.zip"})
        for (const Member& m : Members(fixture)) {
            Bytes out;
            ASSERT_EQ(OurInflate(m.packed, -15, true, static_cast<std::size_t>(m.unpacked) + 10,
                                 out, 1000, 5000),
                      kInflateStreamEnd);
            EXPECT_EQ(crc32(0, out.data(), static_cast<uInt>(out.size())), m.crc) << m.name;
            // Read as plain Deflate the member fails or decodes to other bytes.
            Bytes other;
            const int rc =
                OurInflate(m.packed, -15, false, static_cast<std::size_t>(m.unpacked) + 10, other);
            EXPECT_TRUE(rc != kInflateStreamEnd ||
                        crc32(0, other.data(), static_cast<uInt>(other.size())) != m.crc)
                << m.name;
        }
    const Bytes zeros(100000, 0);
    const Bytes fixedDeflate = ZlibCompress(zeros, 9, Z_FIXED, -15);
    SetInflateDeflate64(true);
    TInflate fromSwitch(TInflateMode::FromSwitch);
    TInflateRecord wide;
    ASSERT_EQ(fromSwitch.InflateInit(wide, -15, kInflateRecordCheck), kInflateOk);
    SetInflateDeflate64(false);
    TInflate plain(TInflateMode::FromSwitch);
    TInflateRecord narrow;
    ASSERT_EQ(plain.InflateInit(narrow, -15, kInflateRecordCheck), kInflateOk);
    SetInflateDeflate64(true);
    Bytes out(zeros.size() + 10);
    narrow.NextIn = fixedDeflate.data();
    narrow.AvailIn = static_cast<std::int64_t>(fixedDeflate.size());
    narrow.NextOut = out.data();
    narrow.AvailOut = static_cast<std::int64_t>(out.size());
    EXPECT_EQ(plain.Inflate(narrow, kInflateNoFlush), kInflateStreamEnd);
    out.resize(static_cast<std::size_t>(narrow.TotalOut));
    EXPECT_EQ(out, zeros);
    SetInflateDeflate64(false);
    const Member longest = Members("deflate64-hand.zip").front();
    Bytes wideOut(200000);
    wide.NextIn = longest.packed.data();
    wide.AvailIn = static_cast<std::int64_t>(longest.packed.size());
    wide.NextOut = wideOut.data();
    wide.AvailOut = static_cast<std::int64_t>(wideOut.size());
    EXPECT_EQ(fromSwitch.Inflate(wide, kInflateNoFlush), kInflateStreamEnd);
    EXPECT_EQ(wide.TotalOut, longest.unpacked);
    fromSwitch.InflateEnd(wide);
    plain.InflateEnd(narrow);
}

} // namespace
} // namespace sorvane::test
