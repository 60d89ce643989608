// Tests of the ZIP traditional cipher on members Info-ZIP's zip enciphered
// with a password (tests/data/archive/crypt, made by its make.sh): the password
// check on the 12-byte encryption header, deciphering the stored data back to
// the original text, enciphering it again to zip's bytes, and the ARJ
// password shift.
#include "archive/zip/arxZipCrypt.h"

#include "archive/arxBase.h"
#include "archive/arxCrc.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace sorvane {
namespace {

using test::FixtureText;

constexpr const char* kPassword = "Sorvane-1";

std::uint32_t Le(const std::string& s, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(s.at(at + i));
    return v;
}

// One member as the central directory describes it, with its enciphered bytes.
struct Member {
    std::string name;
    std::uint16_t flags = 0;
    std::uint16_t dosTime = 0;
    std::uint32_t crc = 0;
    std::string header; // the 12 enciphered header bytes
    std::string data;   // the enciphered data after them
};

std::vector<Member> ReadMembers(const std::string& zip) {
    std::vector<Member> members;
    if (zip.size() < 22) {
        ADD_FAILURE() << "archive too small";
        return members;
    }
    const std::size_t eocd = zip.size() - 22; // no archive comment
    EXPECT_EQ(Le(zip, eocd, 4), 0x06054B50u);
    const std::uint32_t entries = Le(zip, eocd + 10, 2);
    std::size_t at = Le(zip, eocd + 16, 4);
    for (std::uint32_t i = 0; i < entries; ++i) {
        EXPECT_EQ(Le(zip, at, 4), 0x02014B50u);
        Member m;
        m.flags = static_cast<std::uint16_t>(Le(zip, at + 8, 2));
        EXPECT_EQ(Le(zip, at + 10, 2), 0u) << "stored members expected";
        m.dosTime = static_cast<std::uint16_t>(Le(zip, at + 12, 2));
        m.crc = Le(zip, at + 16, 4);
        const std::uint32_t packed = Le(zip, at + 20, 4);
        const std::uint32_t nameLength = Le(zip, at + 28, 2);
        const std::uint32_t extra = Le(zip, at + 30, 2);
        const std::uint32_t comment = Le(zip, at + 32, 2);
        const std::uint32_t local = Le(zip, at + 42, 4);
        m.name = zip.substr(at + 46, nameLength);
        EXPECT_EQ(Le(zip, local, 4), 0x04034B50u);
        const std::size_t data = local + 30 + Le(zip, local + 26, 2) + Le(zip, local + 28, 2);
        EXPECT_GE(packed, kZipCryptHeaderSize);
        m.header = zip.substr(data, kZipCryptHeaderSize);
        m.data = zip.substr(data + kZipCryptHeaderSize, packed - kZipCryptHeaderSize);
        members.push_back(m);
        at += 46 + nameLength + extra + comment;
    }
    return members;
}

std::vector<Member> Fixture() {
    auto members = ReadMembers(FixtureText("crypt/stored.zip"));
    EXPECT_EQ(members.size(), 2u);
    return members;
}

// Second half of Header24: the enciphered header.
std::vector<std::uint8_t> Header24(const Member& m) {
    std::vector<std::uint8_t> h(2 * kZipCryptHeaderSize, 0);
    std::memcpy(h.data() + kZipCryptHeaderSize, m.header.data(), kZipCryptHeaderSize);
    return h;
}

TEST(ZipCipher, InitialKeysAfterEmptyPassword) {
    ZipCipher cipher;
    cipher.UpdateKeys('x');
    cipher.InitCipher("");
    EXPECT_EQ(cipher.Keys(), kCipherInitialKeys);
}

TEST(ZipCipher, ZipMembersDecipherToTheirText) {
    for (const auto& m : Fixture()) {
        SCOPED_TRACE(m.name);
        ASSERT_TRUE(m.flags & 1u);
        const std::string text = FixtureText("crypt/" + m.name);
        ASSERT_FALSE(text.empty());
        ASSERT_EQ(m.data.size(), text.size());

        ZipCipher cipher;
        auto header = Header24(m);
        ASSERT_TRUE(cipher.CheckZipPassword(header.data(), m.flags, m.crc, kPassword, m.dosTime));
        // zip sets bit 3 on enciphered members: the check byte is the time's high byte.
        ASSERT_TRUE(m.flags & kZipFlagDataDescriptor);
        EXPECT_EQ(header[kZipCryptHeaderSize - 1], m.dosTime >> 8);
        // The second half is left as it was.
        EXPECT_EQ(
            std::memcmp(header.data() + kZipCryptHeaderSize, m.header.data(), kZipCryptHeaderSize),
            0);

        std::string data = m.data;
        cipher.DecipherBuffer(data.data(), data.size());
        EXPECT_EQ(data, text);
        std::uint32_t crc = 0xFFFFFFFFu;
        UpdateCrc32(data.data(), data.size(), crc);
        EXPECT_EQ(crc ^ 0xFFFFFFFFu, m.crc);

        // Enciphering the deciphered header and the text gives zip's bytes back.
        ZipCipher encoder;
        encoder.InitCipher(kPassword);
        std::string again(header.begin(), header.begin() + kZipCryptHeaderSize);
        again += text;
        encoder.EncipherBuffer(again.data(), again.size());
        EXPECT_EQ(again, m.header + m.data);
    }
}

TEST(ZipCipher, DecipheringInPiecesEqualsAtOnce) {
    const auto members = Fixture();
    ASSERT_FALSE(members.empty());
    const Member& m = members.front();
    const std::string text = FixtureText("crypt/" + m.name);
    for (std::size_t piece : {std::size_t{1}, std::size_t{5}, std::size_t{16}}) {
        ZipCipher cipher;
        auto header = Header24(m);
        ASSERT_TRUE(cipher.CheckZipPassword(header.data(), m.flags, m.crc, kPassword, m.dosTime));
        std::string data = m.data;
        for (std::size_t at = 0; at < data.size(); at += piece)
            cipher.DecipherBuffer(data.data() + at, std::min(piece, data.size() - at));
        EXPECT_EQ(data, text) << piece;
    }
}

TEST(ZipCipher, WrongPasswordsAreRefused) {
    // Each password differs from the right one in one character; the single
    // check byte lets one in 256 through, so at most one pass is tolerated, and
    // none of them deciphers the text.
    const char* wrong[] = {"sorvane-1",  "Sorvane-2", "Sorvane_1", "Sorvane-",
                           "Sorvane-11", "Sorvbne-1", "Xorvane-1", "Sorvane 1"};
    int passed = 0;
    for (const auto& m : Fixture()) {
        const std::string text = FixtureText("crypt/" + m.name);
        for (const char* password : wrong) {
            ZipCipher cipher;
            auto header = Header24(m);
            if (cipher.CheckZipPassword(header.data(), m.flags, m.crc, password, m.dosTime))
                ++passed;
            std::string data = m.data;
            cipher.DecipherBuffer(data.data(), data.size());
            EXPECT_NE(data, text) << m.name << ' ' << password;
        }
        auto header = Header24(m);
        ZipCipher cipher;
        EXPECT_FALSE(cipher.CheckZipPassword(header.data(), m.flags, m.crc, "", m.dosTime));
    }
    EXPECT_LE(passed, 1);
}

TEST(ZipCipher, CheckByteFollowsFlagBit3) {
    // A header enciphered here: last plain byte chosen as the CRC's top byte or
    // the time's high byte.
    const std::uint32_t crc = 0xA1B2C3D4u;
    const std::uint16_t time = 0x6DAFu;
    struct Case {
        std::uint16_t flags;
        std::uint8_t lastByte;
        bool ok;
    };
    const Case cases[] = {
        {0x0001, 0xA1, true},  {0x0001, 0x6D, false}, {0x0009, 0x6D, true},
        {0x0009, 0xA1, false}, {0x0809, 0x6D, true},  {0x0801, 0xA1, true},
    };
    for (const auto& c : cases) {
        std::uint8_t plain[kZipCryptHeaderSize] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, c.lastByte};
        ZipCipher encoder;
        encoder.InitCipher("pass word");
        encoder.EncipherBuffer(plain, sizeof plain);
        std::uint8_t header[2 * kZipCryptHeaderSize] = {};
        std::memcpy(header + kZipCryptHeaderSize, plain, kZipCryptHeaderSize);
        ZipCipher cipher;
        EXPECT_EQ(cipher.CheckZipPassword(header, c.flags, crc, "pass word", time), c.ok)
            << std::hex << c.flags << ' ' << int(c.lastByte);
        if (c.ok) {
            EXPECT_EQ(header[0], 1);
        }
    }
}

// A component deciphers its member with its own cipher state, whatever
// another component's run does to its own in between.
TEST(ZipCipher, EachComponentKeepsItsCipherState) {
    const auto members = Fixture();
    ASSERT_FALSE(members.empty());
    const Member& m = members.back();
    auto header = Header24(m);
    TZipCommon reading;
    TZipCommon other;
    reading.ArcType = atZip;
    ASSERT_TRUE(
        reading.CipherKeys.CheckZipPassword(header.data(), m.flags, m.crc, kPassword, m.dosTime));
    const auto ready = reading.CipherKeys.Keys();
    other.CipherKeys.InitCipher("another password");
    std::string scratch = "other data";
    other.CipherKeys.DecipherBuffer(scratch.data(), scratch.size());
    EXPECT_EQ(reading.CipherKeys.Keys(), ready);
    std::string data = m.data;
    reading.DecryptBuffer(true, reinterpret_cast<std::uint8_t*>(data.data()),
                          static_cast<std::int64_t>(data.size()));
    EXPECT_EQ(data, FixtureText("crypt/" + m.name));
}

TEST(ShiftText, AddsOrSubtractsWithWrap) {
    struct Case {
        bool subtract;
        std::string text;
        std::uint8_t delta;
        std::string shifted;
    };
    const Case cases[] = {
        {false, "abc", 1, "bcd"},
        {true, "bcd", 1, "abc"},
        {false, "abc", 0, "abc"},
        {false, std::string("\xFE\xFF\x00", 3), 2, std::string("\x00\x01\x02", 3)},
        {true, std::string("\x00\x01", 2), 3, "\xFD\xFE"},
        {false, "", 7, ""},
    };
    for (const auto& c : cases) {
        const std::string out = ShiftText(c.subtract, c.text, c.delta);
        EXPECT_EQ(out, c.shifted) << c.text;
        EXPECT_EQ(ShiftText(!c.subtract, out, c.delta), c.text) << c.text;
    }
}

} // namespace
} // namespace sorvane
