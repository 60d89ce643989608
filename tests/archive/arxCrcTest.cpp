// Tests of the checksum primitives: CRC-16/ARC and CRC-32 against their
// published check values and a bit-at-a-time reference, incremental updates,
// the library accumulators, and the tar header checksum on headers GNU tar
// wrote (tests/data/archive/checksum, made by its make.sh) and on built ones.
#include "archive/arxCrc.h"

#include "archive/arxBase.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace sorvane {
namespace {

using test::FixtureBytes;

std::uint32_t Crc32Of(const std::string& text) {
    std::uint32_t crc = 0xFFFFFFFFu;
    UpdateCrc32(text.data(), text.size(), crc);
    return crc ^ 0xFFFFFFFFu;
}

std::uint32_t Crc16Of(const std::string& text, std::uint32_t start = 0) {
    std::uint32_t crc = start;
    UpdateCrc16(text.data(), text.size(), crc);
    return crc;
}

// Bit-at-a-time reflected CRC, independent of the tables.
std::uint32_t BitwiseCrc(const std::string& text, std::uint32_t start, std::uint32_t poly) {
    std::uint32_t crc = start;
    for (unsigned char c : text) {
        crc ^= c;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? (crc >> 1) ^ poly : crc >> 1;
    }
    return crc;
}

std::string SampleBytes() {
    std::string bytes;
    std::uint32_t x = 12345;
    for (int i = 0; i < 1000; ++i) {
        x = x * 1103515245u + 12345u;
        bytes.push_back(static_cast<char>(x >> 16));
    }
    return bytes;
}

TEST(CrcTables, FirstEntriesArePublishedOnes) {
    EXPECT_EQ(Crc16Table()[0], 0x0000u);
    EXPECT_EQ(Crc16Table()[1], 0xC0C1u);
    EXPECT_EQ(Crc16Table()[2], 0xC181u);
    EXPECT_EQ(Crc16Table()[255], 0x4040u);
    EXPECT_EQ(Crc32Table()[1], 0x77073096u);
    EXPECT_EQ(Crc32Table()[2], 0xEE0E612Cu);
    EXPECT_EQ(Crc32Table()[255], 0x2D02EF8Du);
}

struct Crc32Case {
    std::string text;
    std::uint32_t crc;
};

TEST(Crc32, PublishedValues) {
    const Crc32Case cases[] = {
        {"123456789", 0xCBF43926u},
        {"", 0x00000000u},
        {"a", 0xE8B7BE43u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Crc32Of(c.text), c.crc) << '"' << c.text << '"';
}

TEST(Crc16, ArcCheckValue) {
    // CRC-16/ARC: reflected, polynomial 0x8005, start 0, no final inversion.
    EXPECT_EQ(Crc16Of("123456789"), 0xBB3Du);
    EXPECT_EQ(Crc16Of(""), 0x0000u);
}

TEST(Crc, TablesAgreeWithBitwiseReference) {
    const std::string bytes = SampleBytes();
    for (std::uint32_t start : {0x00000000u, 0xFFFFFFFFu, 0x1234ABCDu}) {
        std::uint32_t crc32 = start;
        UpdateCrc32(bytes.data(), bytes.size(), crc32);
        EXPECT_EQ(crc32, BitwiseCrc(bytes, start, 0xEDB88320u)) << start;
    }
    for (std::uint32_t start : {0x0000u, 0xFFFFu, 0x1D0Fu}) {
        EXPECT_EQ(Crc16Of(bytes, start), BitwiseCrc(bytes, start, 0xA001u)) << start;
        EXPECT_LE(Crc16Of(bytes, start), 0xFFFFu);
    }
}

// Every length around the 64-byte blocks and 16-byte steps the CRC-32 works
// in on processors with carry-less multiplication, from every alignment.
TEST(Crc, EveryLengthAndAlignmentAgreesWithBitwiseReference) {
    const std::string bytes = SampleBytes();
    for (std::size_t offset = 0; offset < 16; ++offset)
        for (std::size_t length = 0; length <= 300; ++length) {
            std::uint32_t crc32 = 0xFFFFFFFFu;
            UpdateCrc32(bytes.data() + offset, length, crc32);
            ASSERT_EQ(crc32, BitwiseCrc(bytes.substr(offset, length), 0xFFFFFFFFu, 0xEDB88320u))
                << "offset " << offset << ", length " << length;
        }
}

TEST(Crc, IncrementalUpdatesEqualOneShot) {
    const std::string text = "123456789";
    for (std::size_t split = 0; split <= text.size(); ++split) {
        std::uint32_t crc32 = 0xFFFFFFFFu, crc16 = 0;
        UpdateCrc32(text.data(), split, crc32);
        UpdateCrc32(text.data() + split, text.size() - split, crc32);
        UpdateCrc16(text.data(), split, crc16);
        UpdateCrc16(text.data() + split, text.size() - split, crc16);
        EXPECT_EQ(crc32 ^ 0xFFFFFFFFu, 0xCBF43926u) << split;
        EXPECT_EQ(crc16, 0xBB3Du) << split;
    }
    // Byte by byte through the accumulator classes.
    Crc32Accumulator a32(0xFFFFFFFFu);
    Crc16Accumulator a16;
    for (char c : text) {
        a32.Update(&c, 1);
        a16.Update(&c, 1);
    }
    EXPECT_EQ(a32.Value() ^ 0xFFFFFFFFu, 0xCBF43926u);
    EXPECT_EQ(a16.Low16(), 0xBB3Du);
}

// A component's accumulators keep their values until restarted, and another
// component's run in between leaves them alone.
TEST(Crc, EachComponentKeepsItsAccumulatorsUntilRestarted) {
    const std::string text = "123456789";
    TZipCommon one;
    TZipCommon other;
    one.Crc32.Start(0xFFFFFFFFu);
    one.Crc16.Start(0);
    UpdateCrc32(text.data(), 4, one.Crc32.Value());
    other.Crc32.Start(0);
    other.Crc16.Start(0);
    other.Crc32.Update("x", 1);
    other.Crc16.Update("x", 1);
    one.Crc32.Update(text.data() + 4, text.size() - 4);
    one.Crc16.Update(text.data(), text.size());
    EXPECT_EQ(one.Crc32.Value() ^ 0xFFFFFFFFu, 0xCBF43926u);
    EXPECT_EQ(one.Crc16.Value(), 0xBB3Du);
    one.Crc32.Start(0xFFFFFFFFu);
    EXPECT_EQ(one.Crc32.Value(), 0xFFFFFFFFu);
    EXPECT_EQ(one.Crc16.Value(), 0xBB3Du);
    std::uint32_t x32 = 0, x16 = 0;
    UpdateCrc32("x", 1, x32);
    UpdateCrc16("x", 1, x16);
    EXPECT_EQ(other.Crc32.Value(), x32);
    EXPECT_EQ(other.Crc16.Value(), x16);
}

// Tar header checksum.

TEST(TarChecksum, HeadersWrittenByTarPass) {
    for (const char* name : {"ustar.tar", "gnu.tar", "v7.tar"}) {
        const auto tar = FixtureBytes(std::string("checksum/") + name);
        ASSERT_GE(tar.size(), 2 * kTarHeaderSize) << name;
        EXPECT_TRUE(TarChecksumOk(tar.data())) << name;
        // The member's data block and the end blocks are no headers.
        EXPECT_FALSE(TarChecksumOk(tar.data() + kTarHeaderSize)) << name;
    }
}

TEST(TarChecksum, DamagedHeadersFail) {
    struct Damage {
        const char* what;
        std::size_t offset;
        std::uint8_t value;
    };
    const Damage damages[] = {
        {"first name byte", 0, 'X'},         {"last byte", 511, 1},
        {"byte before the field", 147, '9'}, {"byte after the field", 156, '5'},
        {"a checksum digit", 150, '7'},      {"blank counted as digit", 154, '0'},
    };
    const auto tar = FixtureBytes("checksum/ustar.tar");
    ASSERT_GE(tar.size(), kTarHeaderSize);
    for (const auto& d : damages) {
        std::vector<std::uint8_t> header(tar.begin(), tar.begin() + kTarHeaderSize);
        ASSERT_NE(header[d.offset], d.value) << d.what;
        header[d.offset] = d.value;
        EXPECT_FALSE(TarChecksumOk(header.data())) << d.what;
    }
}

// A header of zeros but for the checksum field and filler bytes summing to
// `others`, the field counting 8 blanks (256).
std::vector<std::uint8_t> BuiltHeader(const std::string& field, std::uint32_t others) {
    std::vector<std::uint8_t> header(kTarHeaderSize, 0);
    std::size_t at = 0;
    while (others > 0) {
        const std::uint8_t b = others >= 255 ? 255 : static_cast<std::uint8_t>(others);
        header[at++] = b;
        others -= b;
    }
    for (std::size_t i = 0; i < kTarChecksumLength; ++i)
        header[kTarChecksumOffset + i] = static_cast<std::uint8_t>(field[i]);
    return header;
}

TEST(TarChecksum, FieldForms) {
    struct Case {
        std::string field;
        std::uint32_t sum;
        bool ok;
    };
    const Case cases[] = {
        {std::string("0011637\0 ", 8), 5023, true},  {std::string("0011637\0 ", 8), 5024, false},
        {std::string("0011637\0 ", 8), 5022, false}, {std::string("011637\0 ", 8), 5023, true},
        {std::string("  11637 ", 8), 5023, true},    {std::string("11637\0\0\0", 8), 5023, true},
        {std::string("0011638\0", 8), 5023, false}, // '8' skipped: 01163 octal
        {std::string("0011638\0", 8), 627, true},   // 01163 octal = 627
        {std::string("        ", 8), 256, false},   // no digits: 0
    };
    for (const auto& c : cases) {
        ASSERT_GE(c.sum, 256u);
        EXPECT_EQ(TarChecksumOk(BuiltHeader(c.field, c.sum - 256).data()), c.ok)
            << '"' << c.field << "\" sum " << c.sum;
    }
}

} // namespace
} // namespace sorvane
