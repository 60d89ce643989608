// Tests of the bounds-checked byte access every metadata reader goes through:
// the range check at the edges of 64 bits, the field reads of both byte
// orders, the read-only file (what it refuses to open, and that it never waits
// on a FIFO), the cursor, and the text conversions. Files are made in the test.
#include "catalogue/metadata/ByteReader.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sorvane {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kTop = std::numeric_limits<std::uint64_t>::max();

// A folder of its own for each test, removed with all it holds.
class ByteTempFolder {
public:
    ByteTempFolder() {
        std::string pattern = (fs::temp_directory_path() / "sorvane-bytes-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
    }
    ~ByteTempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ByteTempFolder(const ByteTempFolder&) = delete;
    ByteTempFolder& operator=(const ByteTempFolder&) = delete;

    std::string Put(const std::string& name, const std::string& bytes) const {
        const std::string path = PathOf(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
        EXPECT_TRUE(out.good());
        return path;
    }
    std::string PathOf(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

// The message of the EMediaRead that `read` raises; empty when it raises none.
template <typename Read> std::string FailureOf(Read read) {
    try {
        read();
    } catch (const EMediaRead& e) {
        return e.what();
    }
    return {};
}

struct RangeCase {
    std::uint64_t offset;
    std::uint64_t count;
    std::uint64_t size;
    bool inside;
};

TEST(ByteRange, InsideWithoutOverflow) {
    const RangeCase cases[] = {
        {0, 0, 0, true},
        {0, 4, 4, true},
        {4, 0, 4, true},  // an empty read at the very end
        {5, 0, 4, false}, // starts past the end
        {1, 4, 4, false},
        {2, kTop, 4, false},    // offset + count wraps round to 1
        {kTop, 2, kTop, false}, // wraps round to 1
        {kTop, 0, kTop, true},
        {0, kTop, kTop, true},
        {kTop - 1, 2, kTop, false},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.offset) + " " + std::to_string(c.count) + " " +
                     std::to_string(c.size));
        EXPECT_EQ(RangeInside(c.offset, c.count, c.size), c.inside);
        EXPECT_EQ(FailureOf([&] { CheckRange(c.offset, c.count, c.size); }).empty(), c.inside);
    }
    EXPECT_EQ(FailureOf([] { CheckRange(14, 4, 4); }),
              "read beyond the end of the file: 4 bytes at offset 14 of a file of 4 bytes");
}

TEST(ByteFields, ReadsBothByteOrders) {
    const ByteFields f(std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    EXPECT_EQ(f.U8(7), 0x08);
    EXPECT_EQ(f.U16LE(0), 0x0201);
    EXPECT_EQ(f.U16BE(0), 0x0102);
    EXPECT_EQ(f.U24BE(1), 0x020304u);
    EXPECT_EQ(f.U32LE(4), 0x08070605u);
    EXPECT_EQ(f.U32BE(4), 0x05060708u);
    EXPECT_EQ(f.U64LE(0), 0x0807060504030201ull);
    EXPECT_EQ(f.U64BE(0), 0x0102030405060708ull);
    EXPECT_EQ(f.View(2, 3), std::string_view("\x03\x04\x05", 3));
    EXPECT_TRUE(f.Matches(0, "\x01\x02"));
    EXPECT_FALSE(f.Matches(7, "\x08\x09")); // runs past the end: no match, no failure
    EXPECT_TRUE(f.Holds(8, 0));
    EXPECT_FALSE(f.Holds(kTop, 2));
}

TEST(ByteFields, ReadsOutsideTheBytesRaise) {
    const ByteFields record(std::string(10, 'x'));
    EXPECT_EQ(FailureOf([&] { record.U32LE(8); }),
              "read beyond the end of the record: 4 bytes at offset 8 of a record of 10 bytes");
    EXPECT_NE(FailureOf([&] { record.U64LE(kTop - 3); }), "");
    EXPECT_NE(FailureOf([&] { ByteFields().U8(0); }), "");

    // Fields addressed by file offset: the 4 bytes at 100 of a file.
    const ByteFields inFile = ByteFields::InFile(100, "abcd");
    EXPECT_EQ(inFile.U8(101), 'b');
    EXPECT_TRUE(inFile.Matches(100, "abcd"));
    EXPECT_FALSE(inFile.Holds(99, 1));
    EXPECT_EQ(FailureOf([&] { inFile.U16LE(103); }),
              "read beyond the end of the file: 2 bytes at offset 103 of a file of 104 bytes");
    EXPECT_NE(FailureOf([&] { inFile.U8(99); }), "");
}

TEST(ByteFields, FitFieldRaisesTheRangeError) {
    EXPECT_EQ(FitField<std::uint16_t>(65535, "rate"), 65535);
    EXPECT_EQ(FitField<std::int32_t>(-5, "count"), -5);
    try {
        FitField<std::uint16_t>(96000, "sample rate");
        ADD_FAILURE() << "fitted";
    } catch (const EFieldRange& e) {
        EXPECT_STREQ(e.what(), "Range check error: sample rate 96000");
    }
    EXPECT_THROW(FitField<std::uint8_t>(-1, "bits"), EFieldRange);
}

struct OpenCase {
    const char* name;
    ReadOnlyFile::OpenResult result;
};

TEST(ReadOnlyFile, OpensOnlyRegularFilesAndNeverWaits) {
    ByteTempFolder folder;
    folder.Put("file", "0123456789");
    fs::create_directory(folder.PathOf("folder"));
    ASSERT_EQ(::mkfifo(folder.PathOf("fifo").c_str(), 0600), 0);
    const OpenCase cases[] = {
        {"file", ReadOnlyFile::OpenResult::Opened},
        {"absent", ReadOnlyFile::OpenResult::Missing},
        {"file/below", ReadOnlyFile::OpenResult::Missing},
        {"folder", ReadOnlyFile::OpenResult::Directory},
        {"fifo", ReadOnlyFile::OpenResult::CannotOpen}, // with no writer: an open would wait
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        ReadOnlyFile file;
        EXPECT_EQ(file.Open(folder.PathOf(c.name)), c.result);
        EXPECT_EQ(file.IsOpen(), c.result == ReadOnlyFile::OpenResult::Opened);
        EXPECT_EQ(FailureOf([&] { ReadOnlyFile raising(folder.PathOf(c.name)); }).empty(),
                  c.result == ReadOnlyFile::OpenResult::Opened);
    }
    ReadOnlyFile device;
    EXPECT_EQ(device.Open("/dev/null"), ReadOnlyFile::OpenResult::CannotOpen);

    const std::string absent = folder.PathOf("absent");
    EXPECT_EQ(FailureOf([&] { ReadOnlyFile file(absent); }),
              "cannot open " + absent + ": No such file or directory");
    const std::string fifo = folder.PathOf("fifo");
    EXPECT_EQ(FailureOf([&] { ReadOnlyFile file(fifo); }), fifo + " is not a regular file");
}

TEST(ReadOnlyFile, ReadsAreCheckedAgainstTheSizeAndTheCap) {
    ByteTempFolder folder;
    const ReadOnlyFile file(folder.Put("file", "0123456789"));
    EXPECT_EQ(file.Size(), 10u);
    EXPECT_TRUE(file.Holds(6, 4));
    EXPECT_FALSE(file.Holds(7, 4));
    EXPECT_EQ(file.ReadAt(6, 4), "6789");
    EXPECT_EQ(file.ReadAt(10, 0), "");
    EXPECT_EQ(file.Fields(2, 3).U8(3), '3');
    EXPECT_EQ(FailureOf([&] { file.ReadAt(7, 4); }),
              "read beyond the end of the file: 4 bytes at offset 7 of a file of 10 bytes");
    EXPECT_NE(FailureOf([&] { file.ReadAt(kTop, 2); }), "");
    // The cap comes before the size: nothing of that length is ever allocated.
    EXPECT_EQ(FailureOf([&] { file.ReadAt(0, kMaxRead + 1); }),
              "read of " + std::to_string(kMaxRead + 1) + " bytes refused");
    EXPECT_NE(FailureOf([&] { file.ReadAt(0, kTop); }), "");

    std::uint8_t out[8] = {};
    EXPECT_EQ(file.ReadSome(6, out, sizeof out), 4u);
    EXPECT_EQ(out[3], '9');
    EXPECT_EQ(file.ReadSome(10, out, sizeof out), 0u);
    EXPECT_EQ(file.ReadSome(kTop, out, sizeof out), 0u);

    ReadOnlyFile closed;
    EXPECT_EQ(FailureOf([&] { closed.ReadAt(0, 0); }), "read from a closed file");
    EXPECT_TRUE(closed.Close());
}

TEST(FileCursor, ReadsForwardInsideItsRange) {
    ByteTempFolder folder;
    const ReadOnlyFile file(folder.Put("file", std::string("\x01\x00\x02\x00\x00\x00xyz", 9)));
    FileCursor cursor(file, 0, 100); // the end is cut to the file's 9 bytes
    EXPECT_EQ(cursor.Remaining(), 9u);
    EXPECT_EQ(cursor.U16LE(), 1);
    EXPECT_EQ(cursor.U32LE(), 2u);
    EXPECT_EQ(cursor.Read(2), "xy");
    EXPECT_EQ(cursor.Position(), 8u);
    EXPECT_NE(FailureOf([&] { cursor.Skip(2); }), "");
    EXPECT_EQ(cursor.Position(), 8u); // a failed read moves nothing
    cursor.Skip(1);
    EXPECT_EQ(cursor.Remaining(), 0u);

    FileCursor inner(file, 6, 8);
    EXPECT_NE(FailureOf([&] { inner.Read(3); }), "");
    EXPECT_EQ(inner.Read(2), "xy");
    FileCursor beyond(file, 20, 30);
    EXPECT_EQ(beyond.Remaining(), 0u);
}

struct Utf16Case {
    const char* name;
    std::string bytes;
    bool bigEndian;
    FinalHighSurrogate final;
    std::string text;
};

TEST(ByteText, Utf16) {
    const Utf16Case cases[] = {
        {"Ascii", std::string("A\0b\0", 4), false, FinalHighSurrogate::Dropped, "Ab"},
        {"BigEndian", std::string("\0A\0b", 4), true, FinalHighSurrogate::Dropped, "Ab"},
        {"StopsAtZero", std::string("A\0\0\0b\0", 6), false, FinalHighSurrogate::Dropped, "A"},
        {"OddByteIgnored", std::string("A\0b", 3), false, FinalHighSurrogate::Dropped, "A"},
        {"Pair", std::string("\x3D\xD8\x00\xDE", 4), false, FinalHighSurrogate::Dropped,
         "\xF0\x9F\x98\x80"},
        {"LoneLow",
         std::string("\x00\xDE"
                     "A\0",
                     4),
         false, FinalHighSurrogate::Dropped,
         "\xEF\xBF\xBD"
         "A"},
        {"HighBeforeNoLow",
         std::string("\x3D\xD8"
                     "A\0",
                     4),
         false, FinalHighSurrogate::Dropped,
         "\xEF\xBF\xBD"
         "A"},
        {"FinalHighDropped", std::string("A\0\x3D\xD8", 4), false, FinalHighSurrogate::Dropped,
         "A"},
        {"FinalHighReplaced", std::string("A\0\x3D\xD8", 4), false, FinalHighSurrogate::Replaced,
         "A\xEF\xBF\xBD"},
        {"Latin", std::string("\xE9\x00", 2), false, FinalHighSurrogate::Dropped, "\xC3\xA9"},
    };
    for (const Utf16Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf16Text(c.bytes, c.bigEndian, c.final), c.text);
    }
    EXPECT_EQ(Utf16TextWithBom(std::string("\xFE\xFF\0A", 4)), "A");
    EXPECT_EQ(Utf16TextWithBom(std::string("\xFF\xFE"
                                           "A\0",
                                           4)),
              "A");
    EXPECT_EQ(Utf16TextWithBom(std::string("A\0", 2)), "A"); // no mark: little-endian
}

TEST(ByteText, EightBitAndUtf8) {
    EXPECT_EQ(Windows1252Text("\x80"), "\xE2\x82\xAC"); // the euro sign
    EXPECT_EQ(Latin1Text("\x80\xE9"), "\xC2\x80\xC3\xA9");
    EXPECT_EQ(Utf8Text("caf\xC3\xA9", false), "caf\xC3\xA9");
    EXPECT_EQ(Utf8Text("caf\xC3", true), "caf");          // a character cut in two
    EXPECT_EQ(Utf8Text("caf\xC3", false), "caf\xC3\x83"); // not cut: Windows-1252
    EXPECT_EQ(UndeclaredText("\xC3\xA9t\xC3", true), "\xC3\xA9t");
    EXPECT_EQ(UndeclaredText("et\xC3", true), "et\xC3\x83"); // all ASCII before: Windows-1252
    EXPECT_EQ(UndeclaredText("\xE9t\xE9", false), "\xC3\xA9t\xC3\xA9");
}

TEST(ByteText, TrimsCaseAndNumbers) {
    EXPECT_EQ(TrimBlanks(" \t\x01 Rock \r\n"), "Rock");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(AsciiUpper("Title\xC3\xA9z"), "TITLE\xC3\xA9Z");
    struct NumberCase {
        const char* text;
        bool number;
        std::int32_t value;
    };
    const NumberCase cases[] = {
        {"12", true, 12},         {"  -7", true, -7},
        {"+3", true, 3},          {"12 ", false, 0},
        {"", false, 0},           {"-", false, 0},
        {"1/2", false, 0},        {"2147483647", true, 2147483647},
        {"2147483648", false, 0}, {"-2147483648", true, std::numeric_limits<std::int32_t>::min()},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.text);
        std::int32_t value = 0;
        EXPECT_EQ(ParseWholeNumber(c.text, value), c.number);
        if (c.number) {
            EXPECT_EQ(value, c.value);
        }
    }
}

} // namespace
} // namespace sorvane
