// The ZIP reader's header bytes: reads served from its two read-ahead blocks
// give the bytes of the file at every position and size, as the volume
// itself gives them, and a new volume is read afresh.
#include "archive/zip/arxUnZip.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace sorvane {
namespace {

using namespace test;

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> data(size);
    std::mt19937 random(seed);
    for (auto& byte : data)
        byte = static_cast<std::uint8_t>(random());
    return data;
}

// Reads `count` at `pos` from the source and checks them against `data`.
void ExpectBytes(TArxBlockSource& source, const std::vector<std::uint8_t>& data, std::int64_t pos,
                 std::int64_t count) {
    SCOPED_TRACE(testing::Message() << "at " << pos << ", " << count << " bytes");
    const auto size = static_cast<std::int64_t>(data.size());
    const std::int64_t expect = pos < 0 || pos >= size ? 0 : std::min(count, size - pos);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count) + 1, 0xEE);
    ASSERT_EQ(source.ReadAt(pos, buffer.data(), count), expect);
    for (std::int64_t i = 0; i < expect; ++i)
        ASSERT_EQ(buffer[static_cast<std::size_t>(i)], data[static_cast<std::size_t>(pos + i)])
            << "byte " << i;
    EXPECT_EQ(buffer[static_cast<std::size_t>(expect)], 0xEE) << "wrote past what it read";
}

TEST(ZipVolumeSource, ReadsGiveTheFilesBytesWhereverTheBlocksLie) {
    TempFolder folder;
    const auto data = Pattern(20000, 1);
    WriteBytes(folder.File("v.zip"), data);
    TFileStream32 file(folder.File("v.zip"), TFileStream32::kModeReadDenyNone);
    ASSERT_GE(file.Handle, 0);
    TArxBlockSource source;
    source.Reset(&file);
    EXPECT_EQ(source.Size(), 20000);
    // Two walks taking turns (a directory and the headers it points at),
    // reads across a block's end, reads larger than a block, the end.
    const std::int64_t turns[][2] = {
        {16000, 46},  {0, 30},     {16046, 80}, {30, 9},    {16126, 4000}, {4090, 30},
        {5000, 3000}, {19990, 46}, {19999, 1},  {20000, 5}, {25000, 5},    {-1, 5},
        {100, 0},     {0, 20000},  {1, 4095},   {4095, 2},  {8191, 4097},
    };
    for (const auto& turn : turns)
        ExpectBytes(source, data, turn[0], turn[1]);
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i)
        ExpectBytes(source, data, static_cast<std::int64_t>(random() % 20100),
                    static_cast<std::int64_t>(random() % 600));
}

TEST(ZipVolumeSource, ANewVolumeIsReadAfreshAndNoneReadsNothing) {
    TempFolder folder;
    const auto first = Pattern(5000, 2);
    const auto second = Pattern(3000, 3);
    WriteBytes(folder.File("a.z01"), first);
    WriteBytes(folder.File("a.zip"), second);
    TFileStream32 one(folder.File("a.z01"), TFileStream32::kModeReadDenyNone);
    TFileStream32 two(folder.File("a.zip"), TFileStream32::kModeReadDenyNone);
    TArxBlockSource source;
    source.Reset(&one);
    ExpectBytes(source, first, 100, 200);
    source.Reset(&two);
    EXPECT_EQ(source.Size(), 3000);
    ExpectBytes(source, second, 100, 200);
    ExpectBytes(source, second, 2900, 200);
    source.Reset(nullptr);
    EXPECT_EQ(source.Size(), 0);
    std::uint8_t byte = 0;
    EXPECT_EQ(source.ReadAt(0, &byte, 1), 0);
}

} // namespace
} // namespace sorvane
