// Tests of the common archive core: volume names, the output writer and its
// modes, error reports and the cancel flag, block reading with CRC and the
// ARJ cipher, output paths of stored names, the extract and temporary
// folders, ZIP extra fields, the next-volume dialogue and temporary files.
#include "archive/arxBase.h"

#include "archive/arxCrc.h"
#include "platform/Prompts.h"
#include "platform/StreamFile.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace sorvane {
namespace {

using test::ReadText;
using test::Report;
using test::TempFolder;
using test::WriteText;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// A component whose reports are recorded.
class ZipCommonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(temp_.Path().empty());
        arx_.OnError = [this](TZipCommon& sender, const std::string& fileName,
                              const std::string& extendedMsg, const std::string& volumeId,
                              int code) {
            EXPECT_EQ(&sender, &arx_);
            reports_.push_back({fileName, extendedMsg, volumeId, code});
        };
    }

    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const Report& r : reports_)
            codes.push_back(r.code);
        return codes;
    }

    TempFolder temp_;
    TZipCommon arx_;
    std::vector<Report> reports_;
};

// ---------------------------------------------------------------------------
// Volume names

TEST(ZipCommonNames, MakeVolumeName) {
    struct Case {
        TArcType type;
        char letter;
        std::string file;
        int number;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {atArj, 'a', "a.arj", 0, "a.a00"},
        {atArj, 'a', "a.arj", 12, "a.a12"},
        {atArj, 'a', "a.arj", 100, "a.100"},
        {atArjExe, 'a', "/v.d/set", 3, "/v.d/set.a03"}, // the folder's dot is no extension
        {atRar, 'q', "x.part1.rar", 0, "x.part2.rar"},
        {atRar, 'q', "x.part01.rar", 9, "x.part11.rar"},
        {atRarExe, 'q', "/d/x.part001.rar", 0, "/d/x.part002.rar"},
        {atRar, 'q', "x.part0001.rar", 0, "x.part0002.rar"},
        {atRar, 'q', "x.part000001.rar", 9, "x.part000011.rar"},
        {atRar, 'q', "x.part.rar", 5, "x.part.q05"}, // no digits: old style
        {atRar, 'q', "x.part1a.rar", 5, "x.part1a.q05"},
        {atArj, 'a', "", 0, ""},
        {atArj, 'a', "a.arj", -1, ""},
        {atRar, 'q', "x.part1.rar", -5, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + std::to_string(c.number));
        TZipCommon arx;
        arx.ArcType = c.type;
        arx.VolumeLetter = c.letter;
        EXPECT_EQ(arx.MakeVolumeName(c.file, c.number), c.expected);
        EXPECT_EQ(arx.VolumeLetter, c.letter); // only old-style RAR names move the letter
    }
}

TEST(ZipCommonNames, OldStyleRarVolumesAdvanceTheLetter) {
    TZipCommon arx;
    arx.ArcType = atRar;
    arx.VolumeLetter = 'q';
    std::vector<std::string> names;
    for (int number = 0; number <= 100; ++number)
        names.push_back(arx.MakeVolumeName("x.rar", number));
    EXPECT_EQ(names[0], "x.r00");
    EXPECT_EQ(names[1], "x.r01");
    EXPECT_EQ(names[10], "x.r10");
    EXPECT_EQ(names[99], "x.r99");
    EXPECT_EQ(names[100], "x.s00");
    EXPECT_EQ(arx.VolumeLetter, 's');
}

TEST(ZipCommonNames, NextZipVolumeName) {
    struct Case {
        int number;
        bool lastIsArchive;
        int count;
        int expectedNumber;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {0, false, 0, 1, "/d/s.z01"},     {9, false, 0, 10, "/d/s.z10"},
        {99, false, 0, 100, "/d/s.z100"}, {0, true, 3, 1, "/d/s.z01"},
        {2, true, 3, 3, "/d/s.zip"},      {2, false, 3, 3, "/d/s.z03"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.number) + (c.lastIsArchive ? " last" : ""));
        TZipCommon arx;
        int number = c.number;
        std::string result;
        arx.NextZipVolumeName("/d/s.zip", number, result, c.lastIsArchive, c.count);
        EXPECT_EQ(number, c.expectedNumber);
        EXPECT_EQ(result, c.expected);
    }
}

TEST(ZipCommonNames, ZipCmntBufSizeIsClamped) {
    const std::vector<std::pair<int, int>> cases = {{100, 2000},  {40000, 32767}, {5000, 5000},
                                                    {2000, 2000}, {32767, 32767}, {-1, 2000}};
    for (const auto& [given, kept] : cases) {
        TZipCommon arx;
        arx.SetZipCmntBufSize(given);
        EXPECT_EQ(arx.ZipCmntBufSize(), kept) << given;
    }
}

// ---------------------------------------------------------------------------
// The output writer

// Writes each chunk through WriteOutput in output mode 2; the results.
std::vector<std::int64_t> WriteChunks(TZipCommon& arx, TArxBaseStream& stream,
                                      const std::vector<std::string>& chunks, int crcFlag = 0,
                                      int crcWidth = 32) {
    std::vector<std::int64_t> results;
    for (const std::string& chunk : chunks) {
        const auto bytes = Bytes(chunk);
        results.push_back(arx.WriteOutput(&stream, bytes.data(), crcFlag,
                                          static_cast<std::int64_t>(bytes.size()), crcWidth));
    }
    return results;
}

TEST_F(ZipCommonTest, AsciiTranslationEndsLinesWithCarriageReturns) {
    struct Case {
        std::vector<std::string> chunks;
        std::string written;
        std::vector<std::int64_t> results;
    };
    const std::vector<Case> cases = {
        {{"a\nb\r\n"}, "a\r\nb\r\n", {6}},  {{"\n\n"}, "\r\n\r\n", {4}},
        {{"x\r\r\n"}, "x\r\r\n", {4}},      {{"plain"}, "plain", {5}},
        {{"a\r", "\nb"}, "a\r\nb", {2, 2}}, // the CR ended the previous write
        {{"a", "\nb"}, "a\r\nb", {1, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        TZipCommon arx;
        arx.AsciiTranslation = true;
        arx.OutputMode = kOutputGivenStream;
        TMemoryStream32 out;
        EXPECT_EQ(WriteChunks(arx, out, c.chunks), c.results);
        EXPECT_EQ(Text(out.Data()), c.written);
    }
}

TEST_F(ZipCommonTest, CrcCoversTheMembersOwnBytes) {
    struct Case {
        bool ascii;
        int crcFlag;
        int width;
    };
    const std::string member = "line one\nline two\n";
    const std::vector<Case> cases = {
        {false, 1, 32}, {true, 1, 32}, {false, 1, 16}, {true, 1, 16}, {false, 0, 32}, {false, 1, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + (c.ascii ? " ascii" : "") + " flag " +
                     std::to_string(c.crcFlag));
        TZipCommon arx;
        arx.AsciiTranslation = c.ascii;
        arx.OutputMode = kOutputGivenStream;
        TMemoryStream32 out;
        arx.Crc32.Start(0xFFFFFFFFu);
        arx.Crc16.Start(0);
        WriteChunks(arx, out, {member.substr(0, 5), member.substr(5)}, c.crcFlag, c.width);

        std::uint32_t crc32 = 0xFFFFFFFFu, crc16 = 0;
        if (c.crcFlag == 1 && c.width == 32) UpdateCrc32(member.data(), member.size(), crc32);
        if (c.crcFlag == 1 && c.width == 16) UpdateCrc16(member.data(), member.size(), crc16);
        EXPECT_EQ(arx.Crc32.Value(), crc32);
        EXPECT_EQ(arx.Crc16.Value(), crc16);
    }
}

TEST_F(ZipCommonTest, EveryOutputModeWritesWhereItShould) {
    struct Case {
        std::uint8_t mode;
        std::int64_t result;
        std::string toStream, toOutputStream, toMemory;
    };
    const std::vector<Case> cases = {
        {kOutputFiles, 5, "hello", "", ""},
        {kOutputGivenStream, 5, "hello", "", ""},
        {kOutputAppend, 5, "hello", "", ""},
        {kOutputCallerStream, 5, "", "hello", ""},
        {kOutputMemory, 5, "", "", "hello"},
        {kOutputCountOnly, 5, "", "", ""},
        {5, 0, "", "", ""}, // no such mode: nothing taken, nothing reported
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        reports_.clear();
        arx_.OutputMode = c.mode;
        TMemoryStream32 stream, callerStream;
        std::string memory(8, '.');
        arx_.OutputStream = &callerStream;
        arx_.OutputMemory = reinterpret_cast<std::uint8_t*>(memory.data());
        arx_.OutputMemoryLeft = 8;
        arx_.ResultCount = 1;
        EXPECT_EQ(WriteChunks(arx_, stream, {"hello"}), std::vector<std::int64_t>{c.result});
        EXPECT_EQ(Text(stream.Data()), c.toStream);
        EXPECT_EQ(Text(callerStream.Data()), c.toOutputStream);
        EXPECT_EQ(memory, (c.toMemory + "........").substr(0, 8));
        EXPECT_EQ(arx_.OutputMemory - reinterpret_cast<std::uint8_t*>(memory.data()),
                  static_cast<std::ptrdiff_t>(c.toMemory.size()));
        EXPECT_EQ(arx_.ResultCount, 1);
        EXPECT_TRUE(reports_.empty());
    }
    // Nothing to write gives 0.
    arx_.OutputMode = kOutputCountOnly;
    const std::uint8_t byte = 'x';
    EXPECT_EQ(arx_.WriteOutput(nullptr, &byte, 0, 0, 32), 0);
}

TEST_F(ZipCommonTest, MemoryOutputNeverPassesItsBound) {
    std::string memory = "....#"; // the caller's block holds 4 bytes; "#" lies beyond it
    arx_.OutputMode = kOutputMemory;
    arx_.OutputMemory = reinterpret_cast<std::uint8_t*>(memory.data());
    arx_.OutputMemoryLeft = 4;
    arx_.ResultCount = 2;
    arx_.MemberCounted = true;
    arx_.CurrentFileName = "/out/m.txt";
    arx_.ArchiveFile = "/in/a.zip";
    TMemoryStream32 unused;
    EXPECT_EQ(WriteChunks(arx_, unused, {"abc", "defg", "h"}),
              (std::vector<std::int64_t>{3, 0, 0}));
    EXPECT_EQ(memory, "abcd#");
    EXPECT_EQ(arx_.OutputMemoryLeft, 0);
    // Each short write is reported; the member in hand leaves the count once,
    // the member counted before it stays.
    EXPECT_EQ(reports_, (std::vector<Report>{{"/out/m.txt", "", "/in/a.zip", kMsgWriteError},
                                             {"/out/m.txt", "", "/in/a.zip", kMsgWriteError}}));
    EXPECT_EQ(arx_.ResultCount, 1);
    EXPECT_FALSE(arx_.MemberCounted);
    EXPECT_EQ(arx_.MemberWritten, 3);
}

TEST_F(ZipCommonTest, FullDiskRaisesAfterReporting) {
    const int fd = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(fd, 0);
    THandleStream32 full(fd);
    arx_.OutputMode = kOutputGivenStream;
    arx_.ArchiveFile = "/in/a.zip";
    arx_.CurrentFileName = "/out/big.bin";
    arx_.ResultCount = 4;
    try {
        WriteChunks(arx_, full, {"data"});
        ADD_FAILURE() << "no exception";
    } catch (const E_RAISE& error) {
        EXPECT_EQ(error.Code(), kMsgDiskFull);
        EXPECT_STREQ(error.what(), "Disk full");
    }
    EXPECT_EQ(reports_, (std::vector<Report>{{"/in/a.zip", "/out/big.bin", "0", kMsgDiskFull}}));
    EXPECT_EQ(arx_.ResultCount, 0);

    // Once canceled the report says so and nothing is raised.
    arx_.SetCancel(true);
    reports_.clear();
    EXPECT_NO_THROW(EXPECT_EQ(WriteChunks(arx_, full, {"data"}), std::vector<std::int64_t>{0}));
    EXPECT_EQ(reports_,
              (std::vector<Report>{{"/in/a.zip", "/out/big.bin", "0", kMsgUserCanceled}}));
    ::close(fd);
}

// A stream that takes one byte less than it is given.
class ShortWriteStream : public TMemoryStream32 {
public:
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        return TMemoryStream32::Write(buffer, count > 0 ? count - 1 : 0);
    }
};

TEST_F(ZipCommonTest, ShortWriteIsReportedNotRaised) {
    arx_.OutputMode = kOutputGivenStream;
    arx_.ArchiveFile = "/in/a.zip";
    arx_.CurrentFileName = "/out/s.txt";
    arx_.ResultCount = 1;
    arx_.MemberCounted = true;
    ShortWriteStream stream;
    // A disk-full code left behind by an earlier, unrelated failure is not this write's.
    errno = ENOSPC;
    EXPECT_EQ(WriteChunks(arx_, stream, {"abc", "def"}), (std::vector<std::int64_t>{0, 0}));
    EXPECT_EQ(arx_.ResultCount, 0);
    EXPECT_EQ(Codes(), (std::vector<int>{kMsgWriteError, kMsgWriteError}));
    EXPECT_EQ(reports_[0], (Report{"/out/s.txt", "", "/in/a.zip", kMsgWriteError}));
}

// Totals, sizes and positions taken from headers can be anything: the
// percentages stay those of a part held between 0 and its total.
TEST_F(ZipCommonTest, ProgressPercentagesStayWithinTheirTotals) {
    constexpr std::int64_t kHuge = INT64_MAX / 4;
    struct Case {
        std::int64_t archiveTotal, fileTotal, done, bytesRemaining;
        int byFile, byArchive;
    } cases[] = {
        {200, 100, 25, 50, 25, 75},         {1, 1, kHuge, -kHuge, 100, 100},
        {1, 1, -kHuge, kHuge, 0, 0},        {10, 10, 5, INT64_MIN, 50, 100},
        {-10, -10, -5, INT64_MAX, 50, 100}, {0, 0, 5, 5, 0, 0},
    };
    for (const Case& c : cases) {
        arx_.BytesRemaining = c.bytesRemaining;
        arx_.DoProgress(c.archiveTotal, c.fileTotal, c.done);
        EXPECT_EQ(arx_.ProgressByFile, c.byFile) << c.done;
        EXPECT_EQ(arx_.ProgressByArchive, c.byArchive) << c.bytesRemaining;
    }
}

// ---------------------------------------------------------------------------
// Errors and the cancel flag

TEST_F(ZipCommonTest, ReportAndRaiseDeliverTheirArguments) {
    arx_.ReportError("f.txt", "more", "vol", kMsgCrcFailed);
    EXPECT_EQ(reports_, (std::vector<Report>{{"f.txt", "more", "vol", kMsgCrcFailed}}));

    reports_.clear();
    try {
        arx_.RaiseError("g.txt", "why", "2", kMsgBadFileHeader);
        ADD_FAILURE() << "no exception";
    } catch (const E_RAISE& error) {
        EXPECT_EQ(error.Code(), kMsgBadFileHeader);
        EXPECT_STREQ(error.what(), "Bad file header");
    }
    EXPECT_EQ(reports_, (std::vector<Report>{{"g.txt", "why", "2", kMsgBadFileHeader}}));

    // Without a handler the error is still raised.
    TZipCommon silent;
    EXPECT_THROW(silent.RaiseError("", "", "", kMsgCorruptInput), E_RAISE);
    EXPECT_NO_THROW(silent.ReportError("", "", "", kMsgCorruptInput));
}

TEST_F(ZipCommonTest, TimeInsideTheErrorHandlerIsNotCounted) {
    std::uint64_t now = 1000;
    arx_.Timer.Clock = [&] { return now; };
    arx_.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&,
                       int) { now += 5000; };
    arx_.Timer.Start();
    now += 1000;
    EXPECT_THROW(arx_.RaiseError("", "", "", kMsgBadBlock), E_RAISE);
    arx_.ReportError("", "", "", kMsgBadBlock);
    now += 500;
    arx_.Timer.Stop();
    EXPECT_FLOAT_EQ(arx_.Timer.ElapsedTime, 1.5f);
}

TEST_F(ZipCommonTest, CancelIsReportedAndReplacesLaterCodes) {
    arx_.ArchiveFile = "/in/a.arj";
    arx_.SetCancel(false);
    EXPECT_FALSE(arx_.GetCancel());
    EXPECT_TRUE(reports_.empty());

    arx_.SetCancel(true);
    EXPECT_TRUE(arx_.GetCancel());
    EXPECT_EQ(reports_, (std::vector<Report>{{"/in/a.arj", "", "", kMsgUserCanceled}}));

    reports_.clear();
    arx_.ReportError("x", "y", "z", kMsgCrcFailed);
    EXPECT_NO_THROW(arx_.RaiseError("x", "y", "z", kMsgBadBlock));
    EXPECT_EQ(Codes(), (std::vector<int>{kMsgUserCanceled, kMsgUserCanceled}));

    // The flag may live elsewhere (a stream copying for this component shares it).
    std::uint8_t shared = 0;
    arx_.CancelFlagRef = &shared;
    EXPECT_FALSE(arx_.GetCancel());
    shared = 1;
    EXPECT_TRUE(arx_.GetCancel());
    arx_.CancelFlagRef = &arx_.CancelFlag;
}

// ---------------------------------------------------------------------------
// Reading blocks

// A stream whose reads fail with the given exception.
template <typename Error> class FailingStream : public TMemoryStream32 {
public:
    std::int64_t Read(void*, std::int64_t) override { throw Error("read failed"); }
};

TEST_F(ZipCommonTest, ReadDecodeBlockUpdatesTheCrcOfItsWidth) {
    struct Case {
        int width;
        std::uint32_t crc16, crc32; // after reading "123456789"
    };
    // 0xBB3D and 0xCBF43926 are the check values of CRC-16/ARC and CRC-32.
    const std::vector<Case> cases = {
        {16, 0xBB3D, 0xFFFFFFFFu},
        {32, 0, 0xCBF43926u ^ 0xFFFFFFFFu},
        {0, 0, 0xFFFFFFFFu},
        {8, 0, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        TMemoryStream32 stream(Bytes("123456789"));
        std::vector<std::uint8_t> buffer(16, 0);
        arx_.Crc16.Start(0);
        arx_.Crc32.Start(0xFFFFFFFFu);
        EXPECT_EQ(arx_.ReadDecodeBlock(stream, 16, c.width, false, buffer.data()), 9);
        EXPECT_EQ(Text({buffer.begin(), buffer.begin() + 9}), "123456789");
        EXPECT_EQ(arx_.Crc16.Value(), c.crc16);
        EXPECT_EQ(arx_.Crc32.Value(), c.crc32);
    }
}

TEST_F(ZipCommonTest, ReadDecodeBlockEdges) {
    TMemoryStream32 stream(Bytes("abc"));
    std::uint8_t buffer[4]{};
    EXPECT_EQ(arx_.ReadDecodeBlock(stream, 0, 32, false, buffer), 0);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(arx_.ReadDecodeBlock(stream, 4, 32, false, buffer), 3);
    EXPECT_EQ(arx_.ReadDecodeBlock(stream, 4, 32, false, buffer), 0); // at the end

    // A stream error reads as nothing; any other failure goes on up.
    FailingStream<EArxStreamError> streamError;
    EXPECT_EQ(arx_.ReadDecodeBlock(streamError, 4, 32, false, buffer), 0);
    FailingStream<std::runtime_error> otherError;
    EXPECT_THROW(arx_.ReadDecodeBlock(otherError, 4, 32, false, buffer), std::runtime_error);
}

TEST_F(ZipCommonTest, ArjCipherKeepsItsPositionAcrossReads) {
    const std::string plain = "hello, world";
    const std::string password = "key";
    std::string enciphered = plain;
    for (std::size_t i = 0; i < enciphered.size(); ++i)
        enciphered[i] ^= password[i % 3];

    struct Case {
        TArcType type;
        std::string password;
        bool decrypt;
        std::string expected;
        int position; // ArjPasswordPos afterwards
    };
    const std::vector<Case> cases = {
        {atArj, password, true, plain, 1}, // 12 bytes: four turns of the key
        {atArjExe, password, true, plain, 1},
        {atArj, password, false, enciphered, 1}, // not asked to decipher
        {atArj, "", true, enciphered, 1},        // no password
        {atLha, password, true, enciphered, 1},  // no cipher of this kind
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + c.password);
        TZipCommon arx;
        arx.ArcType = c.type;
        arx.Password = c.password;
        TMemoryStream32 stream(Bytes(enciphered));
        std::string read;
        std::vector<int> positions;
        for (const std::int64_t size : {4, 4, 2, 2}) {
            std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
            const std::int64_t got =
                arx.ReadDecodeBlock(stream, size, 32, c.decrypt, buffer.data());
            read += Text({buffer.begin(), buffer.begin() + got});
            positions.push_back(arx.ArjPasswordPos);
        }
        EXPECT_EQ(read, c.expected);
        EXPECT_EQ(arx.ArjPasswordPos, c.position);
        if (c.expected == plain) {
            EXPECT_EQ(positions, (std::vector<int>{2, 3, 2, 1}));
        }
    }
}

TEST_F(ZipCommonTest, CrcIsTakenOverTheDecipheredBytes) {
    arx_.ArcType = atArj;
    arx_.Password = "pw";
    const std::string plain = "123456789";
    std::string enciphered = plain;
    for (std::size_t i = 0; i < enciphered.size(); ++i)
        enciphered[i] ^= arx_.Password[i % 2];
    TMemoryStream32 stream(Bytes(enciphered));
    std::uint8_t buffer[9]{};
    arx_.Crc32.Start(0xFFFFFFFFu);
    EXPECT_EQ(arx_.ReadDecodeBlock(stream, 9, 32, true, buffer), 9);
    EXPECT_EQ(arx_.Crc32.Value() ^ 0xFFFFFFFFu, 0xCBF43926u);
}

// ---------------------------------------------------------------------------
// Output paths of stored names

TEST_F(ZipCommonTest, SetCurrentFileNameKeepsEveryNameInsideExtractDir) {
    struct Case {
        std::string name;
        bool storedDirs;
        std::optional<std::string> path; // below ExtractDir; nothing when refused
    };
    const std::string nul("a\0b.txt", 7);
    const std::vector<Case> cases = {
        {"a\\b.txt", true, "a/b.txt"},
        {"a\\b.txt", false, "b.txt"},
        {"a/b.txt", true, "a/b.txt"},
        {"C:\\x\\y.txt", true, "x/y.txt"},
        {"C:\\x\\y.txt", false, "y.txt"},
        {"C:y.txt", true, "y.txt"},
        {"C:y.txt", false, "y.txt"},
        {"\\abs.txt", true, "abs.txt"},
        {"\\abs.txt", false, "abs.txt"},
        {"/etc/passwd", true, "etc/passwd"},
        {"\\\\server\\share\\x", true, std::nullopt},
        {"\\\\server\\share\\x", false, "x"},
        {"C:\\\\x", true, std::nullopt},
        {"..\\evil", true, std::nullopt},
        {"..\\evil", false, "evil"},
        {"../evil", true, std::nullopt},
        {"a\\..\\..\\evil", true, std::nullopt},
        {"a\\..\\..\\evil", false, "evil"},
        {"a\\..", false, std::nullopt},
        {"..", true, std::nullopt},
        {"a\\.\\b", true, "a/b"},
        {"a\\.\\b", false, "b"},
        {"dir\\", true, "dir/"},
        {"dir\\", false, ""},
        {nul, true, std::nullopt},
        {nul, false, std::nullopt},
    };
    const std::string extractDir = temp_.Path() + "/";
    for (const Case& c : cases) {
        SCOPED_TRACE((c.storedDirs ? "stored dirs: " : "no dirs: ") + c.name);
        reports_.clear();
        arx_.SetExtractDir(temp_.Path());
        arx_.ArchiveFile = "/in/a.zip";
        arx_.UseStoredDirs = c.storedDirs;
        arx_.CurrentFileName = "previous";
        arx_.SetCurrentFileName(c.name);
        EXPECT_EQ(arx_.ExtractDir, extractDir);
        if (c.path) {
            EXPECT_EQ(arx_.CurrentFileName, extractDir + *c.path);
            EXPECT_FALSE(arx_.CurrentNameRefused);
            EXPECT_TRUE(reports_.empty());
        } else {
            EXPECT_EQ(arx_.CurrentFileName, "");
            EXPECT_TRUE(arx_.CurrentNameRefused);
            ASSERT_EQ(reports_.size(), 1u);
            EXPECT_EQ(reports_[0].code, kMsgInvalidFileName);
            EXPECT_EQ(reports_[0].fileName, c.name);
            EXPECT_EQ(reports_[0].volumeId, "/in/a.zip");
        }
    }
}

TEST_F(ZipCommonTest, SetCurrentFileNameRefusesStepsThroughSymbolicLinks) {
    const std::string out = temp_.File("out");
    fs::create_directories(out + "/real/deeper");
    fs::create_directories(temp_.File("elsewhere"));
    fs::create_directory_symlink(temp_.File("elsewhere"), out + "/link");
    fs::create_directory_symlink(temp_.File("elsewhere"), out + "/real/inner");

    struct Case {
        std::string name;
        bool storedDirs;
        bool refused;
    };
    const std::vector<Case> cases = {
        {"link\\x.txt", true, true},
        {"link\\x.txt", false, false},
        {"link", true, true},
        {"link", false, true},
        {"real\\inner\\x", true, true},
        {"real\\deeper\\x", true, false},
        {"linkx\\y.txt", true, false},
        {"new\\link\\x", true, false}, // nothing below "new" exists yet
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.storedDirs ? "stored dirs: " : "no dirs: ") + c.name);
        reports_.clear();
        arx_.SetExtractDir(out);
        arx_.UseStoredDirs = c.storedDirs;
        arx_.SetCurrentFileName(c.name);
        EXPECT_EQ(arx_.CurrentNameRefused, c.refused);
        EXPECT_EQ(arx_.CurrentFileName.empty(), c.refused);
        EXPECT_EQ(Codes(), c.refused ? std::vector<int>{kMsgInvalidFileName} : std::vector<int>{});
    }
}

TEST_F(ZipCommonTest, SetCurrentFileNameDefaults) {
    // An empty name clears the current name.
    arx_.CurrentFileName = "x";
    arx_.CurrentNameRefused = true;
    arx_.SetCurrentFileName("");
    EXPECT_EQ(arx_.CurrentFileName, "");
    EXPECT_FALSE(arx_.CurrentNameRefused);

    // Without ExtractDir the archive's folder is used, else the current folder.
    arx_.ArchiveFile = temp_.File("a.zip");
    arx_.SetCurrentFileName("m.txt");
    EXPECT_EQ(arx_.ExtractDir, temp_.Path() + "/");
    EXPECT_EQ(arx_.CurrentFileName, temp_.File("m.txt"));

    TZipCommon bare;
    bare.SetCurrentFileName("m.txt");
    EXPECT_EQ(bare.ExtractDir, fs::current_path().string() + "/");
}

// ---------------------------------------------------------------------------
// Folders

TEST(ZipCommonFolders, SetExtractDir) {
    struct Case {
        std::string archive, value, expected;
    };
    const std::vector<Case> cases = {
        {"", "x", "x/"},
        {"", "x/", "x/"},
        {"", "/out/deep", "/out/deep/"},
        {"/arc/dir/a.zip", "", "/arc/dir/"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value + " / " + c.archive);
        TZipCommon arx;
        arx.ArchiveFile = c.archive;
        arx.SetExtractDir(c.value);
        EXPECT_EQ(arx.ExtractDir, c.expected);
    }
}

TEST(ZipCommonFolders, SetTempDirOffersToCreateAMissingFolder) {
    TempFolder temp;
    const std::string systemTemp = SystemTempFolder() + "/";
    struct Case {
        std::string value;
        bool answer;
        std::string expected;
        bool asked;
    };
    const std::vector<Case> cases = {
        {temp.File("new/deeper"), true, temp.File("new/deeper/"), true},
        {temp.File("refused"), false, systemTemp, true},
        {temp.Path(), false, temp.Path() + "/", false},
        {"", false, systemTemp, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        std::vector<std::pair<PromptKind, std::string>> asked;
        const PromptHook previous = SetPromptHook([&](PromptKind kind, const std::string& text) {
            asked.emplace_back(kind, text);
            return c.answer;
        });
        TZipCommon arx;
        arx.SetTempDir(c.value);
        SetPromptHook(previous);
        EXPECT_EQ(arx.GetTempDir(), c.expected);
        EXPECT_TRUE(fs::is_directory(arx.GetTempDir()));
        ASSERT_EQ(asked.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(asked[0].first, PromptKind::YesNo);
            EXPECT_EQ(asked[0].second, c.value + "/\r\rDirectory does not exist... Create?");
        }
    }

    // A folder that disappears afterwards reads as the system's.
    TZipCommon arx;
    fs::create_directory(temp.File("gone"));
    arx.SetTempDir(temp.File("gone"));
    EXPECT_EQ(arx.GetTempDir(), temp.File("gone/"));
    fs::remove(temp.File("gone"));
    EXPECT_EQ(arx.GetTempDir(), systemTemp);
}

// ---------------------------------------------------------------------------
// ZIP extra fields

void Le32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Le64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A sub-block: id, size, then the body.
std::vector<std::uint8_t> Block(std::uint16_t id, const std::vector<std::uint8_t>& body,
                                std::optional<std::uint16_t> claimedSize = std::nullopt) {
    const std::uint16_t size = claimedSize.value_or(static_cast<std::uint16_t>(body.size()));
    std::vector<std::uint8_t> out(4 + body.size());
    out[0] = static_cast<std::uint8_t>(id);
    out[1] = static_cast<std::uint8_t>(id >> 8);
    out[2] = static_cast<std::uint8_t>(size);
    out[3] = static_cast<std::uint8_t>(size >> 8);
    std::copy(body.begin(), body.end(), out.begin() + 4);
    return out;
}

std::vector<std::uint8_t> Joined(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

std::vector<std::uint8_t> Values64(std::initializer_list<std::uint64_t> values) {
    std::vector<std::uint8_t> out;
    for (std::uint64_t v : values)
        Le64(out, v);
    return out;
}

// The four fields as one comparable, printable value.
auto Fields(const TZipCommon::ZipExtraSizes& s) {
    return std::make_tuple(s.Unpacked, s.Packed, s.LocalOffset, s.Disk);
}

TEST_F(ZipCommonTest, ReadZipExtraField) {
    using Sizes = TZipCommon::ZipExtraSizes;
    constexpr std::uint64_t kFull = 0xFFFFFFFFu;
    constexpr std::uint64_t kBig = 0x123456789ull, kBigger = 0x2000000001ull, kFar = 0x300000000ull;
    struct Case {
        std::string title;
        int where = 0;
        std::vector<std::uint8_t> stream = {}; // the extra field and whatever follows it
        std::int64_t length = 0;
        Sizes before = {}, after = {};
        std::string buf = std::string(10, '\0'); // the 10-byte record
        std::int64_t end = 0;                    // the stream's position afterwards
    };
    const std::vector<std::uint8_t> zip64Both = Block(1, Values64({kBig, kBigger}));
    std::vector<std::uint8_t> centralBody = Values64({kBigger, kFar});
    Le32(centralBody, 7);
    const std::vector<std::uint8_t> record100 = Block(100, Bytes("ABCDEFGH"));
    const std::vector<std::uint8_t> other = Block(0x5455, Bytes("\x01time"));
    const std::vector<Case> cases = {
        {.title = "local ZIP64, both sizes",
         .stream = Joined({zip64Both, Bytes("next")}),
         .length = 20,
         .before = {kFull, kFull},
         .after = {kBig, kBigger},
         .end = 20},
        {.title = "local ZIP64, only the marked size",
         .stream = Block(1, Values64({kBig})),
         .length = 12,
         .before = {kFull, 55},
         .after = {kBig, 55},
         .end = 12},
        {.title = "no size marked",
         .stream = zip64Both,
         .length = 20,
         .before = {1, 2},
         .after = {1, 2},
         .end = 20},
        {.title = "central ZIP64 with offset and disk",
         .where = 1,
         .stream = Block(1, centralBody),
         .length = 24,
         .before = {5, kFull, kFull, 0xFFFF},
         .after = {5, kBigger, kFar, 7},
         .end = 24},
        {.title = "id 100, local",
         .stream = record100,
         .length = 12,
         .buf = std::string("ABCD") + std::string(6, '\0'),
         .end = 12},
        {.title = "id 100, central",
         .where = 1,
         .stream = record100,
         .length = 12,
         .buf = std::string("ABCDEF") + std::string(4, '\0'),
         .end = 12},
        {.title = "other ids are skipped",
         .stream = Joined({other, Block(1, Values64({kBig}))}),
         .length = 21,
         .before = {kFull, 3},
         .after = {kBig, 3},
         .end = 21},
        {.title = "ZIP64 block too short for its size",
         .stream = Block(1, Bytes("1234")),
         .length = 8,
         .before = {kFull, 3},
         .after = {kFull, 3},
         .end = 8},
        {.title = "oversized sub-block skips the rest",
         .stream = Joined(
             {Block(0x5455, Bytes("abcdef"), 900), Block(1, Values64({kBig})), Bytes("next")}),
         .length = 22,
         .before = {kFull, 3},
         .after = {kFull, 3},
         .end = 22},
        {.title = "truncated input",
         .stream = Block(1, Values64({kBig}), 16),
         .length = 20,
         .before = {kFull, kFull},
         .after = {kFull, kFull},
         .end = 12},
        {.title = "length shorter than a sub-block head",
         .stream = {1, 0, 8},
         .length = 3,
         .before = {kFull, 3},
         .after = {kFull, 3},
         .end = 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        TMemoryStream32 stream(c.stream);
        std::string buf(10, '\xEE');
        Sizes sizes = c.before;
        arx_.ReadZipExtraField(stream, c.length, reinterpret_cast<std::uint8_t*>(buf.data()),
                               c.where, sizes);
        EXPECT_EQ(Fields(sizes), Fields(c.after));
        EXPECT_EQ(buf, c.buf);
        EXPECT_EQ(stream.Position(), c.end);
    }
}

// ---------------------------------------------------------------------------
// Volumes

// Runs the test in `folder` and goes back afterwards.
class InFolder {
public:
    explicit InFolder(const std::string& folder) : previous_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~InFolder() { fs::current_path(previous_); }

private:
    fs::path previous_;
};

struct VolumeAsk {
    std::string name;
    int id;
    bool exists;
};

TEST_F(ZipCommonTest, AskNextVolume) {
    WriteText(temp_.File("v.a01"), "one");
    struct Case {
        std::string title;
        std::string name;
        int id = 2;
        bool handler = true;
        std::vector<std::string> answers = {}; // names the handler gives; "cancel" cancels
        bool result = false;
        std::string finalName = "";
        std::vector<Report> reports = {};
        std::size_t asked = 0;
    };
    const std::string missing = temp_.File("v.a02");
    const std::string there = temp_.File("v.a01");
    const std::vector<Case> cases = {
        {.title = "too many volumes",
         .name = there,
         .id = 1000,
         .finalName = there,
         .reports = {{there, "", "", kMsgMaxVolumes}}},
        {.title = "no name", .name = "", .reports = {{"", "", "", kMsgInvalidFileName}}},
        {.title = "there already",
         .name = there,
         .handler = false,
         .result = true,
         .finalName = there},
        {.title = "missing, no handler",
         .name = missing,
         .handler = false,
         .finalName = missing,
         .reports = {{missing, "OnNextVolume", "", kMsgEventNotAssigned}}},
        {.title = "the user names another",
         .name = missing,
         .answers = {missing, there},
         .result = true,
         .finalName = there,
         .asked = 2},
        {.title = "the user cancels",
         .name = missing,
         .answers = {"cancel"},
         .finalName = missing,
         .reports = {{"", "", "", kMsgUserCanceled}},
         .asked = 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        reports_.clear();
        arx_.CancelFlag = 0;
        arx_.VolumeNumber = 4;
        std::vector<VolumeAsk> asked;
        arx_.OnNextVolume = nullptr;
        if (c.handler) {
            arx_.OnNextVolume = [&](TZipCommon&, std::string& name, int id, bool exists,
                                    bool& cancel) {
                asked.push_back({name, id, exists});
                const std::string& answer = c.answers.at(asked.size() - 1);
                if (answer == "cancel")
                    cancel = true;
                else
                    name = answer;
            };
        }
        std::string name = c.name;
        EXPECT_EQ(arx_.AskNextVolume(name, c.id), c.result);
        EXPECT_EQ(name, c.finalName);
        EXPECT_EQ(reports_, c.reports);
        EXPECT_EQ(asked.size(), c.asked);
        for (const VolumeAsk& ask : asked) {
            EXPECT_EQ(ask.id, c.id);
            EXPECT_FALSE(ask.exists);
        }
        EXPECT_EQ(arx_.VolumeNumber, c.result ? 5 : 4);
    }

    // A name without folder is looked for in the current folder.
    InFolder here(temp_.Path());
    std::string bare = "v.a01";
    arx_.OnNextVolume = nullptr;
    EXPECT_TRUE(arx_.AskNextVolume(bare, 1));
    EXPECT_EQ(bare, fs::current_path().string() + "/v.a01");
}

TEST_F(ZipCommonTest, OpenNextVolumeStream) {
    WriteText(temp_.File("v.arj"), "first");
    WriteText(temp_.File("v.a00"), "second");
    arx_.ArcType = atArj;
    arx_.VolumeLetter = 'a';
    arx_.VolumeNumber = 0;
    std::unique_ptr<TArxBaseStream> stream = std::make_unique<TMemoryStream32>(Bytes("old"));
    std::string volume = temp_.File("v.arj");

    // Without a handler nothing is tried.
    EXPECT_FALSE(arx_.OpenNextVolumeStream(stream, volume));
    EXPECT_EQ(volume, temp_.File("v.arj"));
    EXPECT_EQ(arx_.VolumeNumber, 0);
    EXPECT_TRUE(reports_.empty());

    // The next volume is there: no question, the stream is replaced.
    std::vector<VolumeAsk> asked;
    arx_.OnNextVolume = [&](TZipCommon&, std::string& name, int id, bool exists, bool&) {
        asked.push_back({name, id, exists});
        WriteText(name, "third"); // the user brings the volume
    };
    ASSERT_TRUE(arx_.OpenNextVolumeStream(stream, volume));
    EXPECT_EQ(volume, temp_.File("v.a00"));
    EXPECT_EQ(arx_.VolumeNumber, 1);
    EXPECT_EQ(arx_.ArchiveSize, 6);
    std::string read(6, '\0');
    EXPECT_EQ(stream->Read(read.data(), 6), 6);
    EXPECT_EQ(read, "second");
    EXPECT_TRUE(asked.empty());

    // A missing volume is asked for.
    ASSERT_TRUE(arx_.OpenNextVolumeStream(stream, volume));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].name, temp_.File("v.a01"));
    EXPECT_EQ(asked[0].id, 1);
    EXPECT_FALSE(asked[0].exists);
    EXPECT_EQ(volume, temp_.File("v.a01"));
    EXPECT_EQ(arx_.ArchiveSize, 5);
    EXPECT_TRUE(reports_.empty());

    // The volume number has a ceiling.
    arx_.VolumeNumber = 1000;
    EXPECT_FALSE(arx_.OpenNextVolumeStream(stream, volume));
    EXPECT_EQ(Codes(), std::vector<int>{kMsgMaxVolumes});
}

TEST_F(ZipCommonTest, OpenNextVolumeOfASplitZip) {
    const std::string archive = temp_.File("s.zip");
    WriteText(archive, "last");
    WriteText(temp_.File("s.z01"), "disk one");
    struct Case {
        std::string title;
        bool handler = true;
        std::vector<std::string> answers = {}; // "" keeps the name, "cancel" cancels
        bool result = false;
        std::string volume;
        std::vector<int> codes = {};
        std::size_t asked = 0;
        std::string content = "";
    };
    const std::vector<Case> cases = {
        {.title = "no handler",
         .handler = false,
         .volume = temp_.File("s.z01"),
         .codes = {kMsgEventNotAssigned}},
        {.title = "there",
         .answers = {""},
         .result = true,
         .volume = temp_.File("s.z01"),
         .asked = 1,
         .content = "disk one"},
        {.title = "the user names another",
         .answers = {temp_.File("missing"), archive},
         .result = true,
         .volume = archive,
         .asked = 2,
         .content = "last"},
        {.title = "the user cancels",
         .answers = {"cancel"},
         .volume = temp_.File("s.z01"),
         .codes = {kMsgUserCanceled},
         .asked = 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        TZipCommon arx;
        std::vector<Report> reports;
        arx.OnError = [&](TZipCommon&, const std::string& f, const std::string& m,
                          const std::string& v, int code) {
            reports.push_back({f, m, v, code});
        };
        arx.ArchiveFile = archive;
        arx.ArchiveSize = 99;
        std::vector<VolumeAsk> asked;
        if (c.handler) {
            arx.OnNextVolume = [&](TZipCommon&, std::string& name, int id, bool exists,
                                   bool& cancel) {
                asked.push_back({name, id, exists});
                const std::string& answer = c.answers.at(asked.size() - 1);
                if (answer == "cancel")
                    cancel = true;
                else if (!answer.empty())
                    name = answer;
            };
        }
        std::unique_ptr<TArxBaseStream> stream = std::make_unique<TMemoryStream32>(Bytes("old"));
        int volumeNo = 0;
        EXPECT_EQ(arx.OpenNextVolume(stream, volumeNo, 3), c.result);
        EXPECT_EQ(volumeNo, 1);
        EXPECT_EQ(arx.VolumeName, c.volume);
        std::vector<int> codes;
        for (const Report& r : reports)
            codes.push_back(r.code);
        EXPECT_EQ(codes, c.codes);
        if (c.codes == std::vector<int>{kMsgEventNotAssigned}) {
            EXPECT_EQ(reports[0].extendedMsg, "OnNextVolume");
        }
        EXPECT_EQ(arx.GetCancel(), !c.result);
        ASSERT_EQ(asked.size(), c.asked);
        if (!asked.empty()) {
            EXPECT_EQ(asked[0].name, temp_.File("s.z01"));
            EXPECT_EQ(asked[0].id, 2);
            EXPECT_TRUE(asked[0].exists);
        }
        if (c.result) {
            EXPECT_EQ(arx.VolumeNumber, 1);
            EXPECT_EQ(arx.ArchiveSize, static_cast<std::int64_t>(c.content.size()));
            std::string read(c.content.size(), '\0');
            ASSERT_NE(stream, nullptr);
            EXPECT_EQ(stream->Read(read.data(), static_cast<std::int64_t>(read.size())),
                      static_cast<std::int64_t>(read.size()));
            EXPECT_EQ(read, c.content);
        } else if (c.handler) {
            EXPECT_EQ(arx.ArchiveSize, 0);
            EXPECT_EQ(stream, nullptr);
        }
    }
}

// ---------------------------------------------------------------------------
// Temporary files

TEST_F(ZipCommonTest, CommitTempFileCopiesWithProgress) {
    const std::string data(300000, 'd');
    const std::string tempName = temp_.File("arx-temp");
    const std::string dest = temp_.File("dest.bin");
    WriteText(tempName, data);
    std::vector<std::pair<int, int>> progress;
    arx_.OnProgress = [&](TZipCommon&, std::uint8_t byFile, std::uint8_t byArchive) {
        progress.emplace_back(byFile, byArchive);
    };
    TTempFileStream temp(arx_.TempFileOwner(), TFileStream32::kModeReadDenyNone, tempName, "");
    arx_.CommitTempFile(temp, dest, false, tempName);
    EXPECT_EQ(ReadText(dest), data);
    EXPECT_TRUE(fs::exists(tempName)); // a copy leaves the temporary file to its stream
    EXPECT_EQ(arx_.FileTotal, 300000);
    EXPECT_EQ(arx_.ArchiveTotal, 300000);
    EXPECT_EQ(arx_.BytesRemaining, 0);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), std::make_pair(100, 100));
}

TEST_F(ZipCommonTest, CommitTempFileMovesAndReplaces) {
    const std::string tempName = temp_.File("arx-temp");
    const std::string dest = temp_.File("dest.txt");
    WriteText(tempName, "new content");
    WriteText(dest, "old");
    TTempFileStream temp(arx_.TempFileOwner(), TFileStream32::kModeReadDenyNone, tempName, "");
    arx_.CommitTempFile(temp, dest, true, tempName);
    EXPECT_EQ(ReadText(dest), "new content");
    EXPECT_FALSE(fs::exists(tempName));
}

// A finished temporary file is renamed into place when it lies on the target's
// file system (the same inode arrives) and copied otherwise.
TEST_F(ZipCommonTest, FinishedTempFileMovesWithinAFileSystemAndCopiesAcross) {
    struct stat tempInfo {};
    ASSERT_EQ(::stat(temp_.Path().c_str(), &tempInfo), 0);
    // /dev/shm is a memory file system on Linux: another device than most
    // temporary folders.
    std::string otherFolder;
    struct stat shmInfo {};
    if (::stat("/dev/shm", &shmInfo) == 0 && shmInfo.st_dev != tempInfo.st_dev &&
        ::access("/dev/shm", W_OK) == 0)
        otherFolder = "/dev/shm";
    struct Case {
        const char* label;
        std::string destFolder;
        bool sameInode;
    };
    const Case cases[] = {
        {"same file system", temp_.Path(), true},
        {"another file system", otherFolder, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.destFolder.empty()) {
            std::cout << "[  NOTE    ] no second writable file system: the copy is not tested\n";
            continue;
        }
        const std::string dest = c.destFolder + "/sorvane-commit-" + std::to_string(::getpid());
        std::string tempName;
        ino_t tempInode = 0;
        {
            TTempFileStream stream(arx_.TempFileOwner(), TFileStream32::kModeCreate, dest,
                                   temp_.Path());
            ASSERT_GE(stream.Handle, 0);
            tempName = stream.TempName;
            struct stat info {};
            ASSERT_EQ(::fstat(stream.Handle, &info), 0);
            tempInode = info.st_ino;
            stream.WriteBuffer("committed", 9);
            stream.Finish();
        }
        struct stat destInfo {};
        ASSERT_EQ(::stat(dest.c_str(), &destInfo), 0);
        EXPECT_EQ(destInfo.st_ino == tempInode, c.sameInode);
        EXPECT_EQ(ReadText(dest), "committed");
        EXPECT_FALSE(fs::exists(tempName));
        ::unlink(dest.c_str());
    }
}

TEST_F(ZipCommonTest, CommitTempFileWithoutItsSourceFails) {
    const std::string tempName = temp_.File("arx-temp");
    WriteText(tempName, "x");
    TTempFileStream temp(arx_.TempFileOwner(), TFileStream32::kModeReadDenyNone, tempName, "");
    EXPECT_THROW(arx_.CommitTempFile(temp, temp_.File("dest"), false, temp_.File("missing")),
                 EFOpenError);
    EXPECT_THROW(arx_.CommitTempFile(temp, temp_.File("no/such/folder/dest"), false, tempName),
                 EFOpenError);
    EXPECT_FALSE(fs::exists(temp_.File("dest")));
}

} // namespace
} // namespace sorvane
