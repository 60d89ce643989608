// Tests of the run timer over a scripted clock, and of the header record lists.
#include "archive/arxTimer.h"

#include "archive/arxHeaderList.h"
#include "archive/arxStream.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sorvane {
namespace {

// One call of the timer at a clock reading.
enum class Call { Start, Stop, Pause, Resume };
struct Step {
    Call call;
    std::uint64_t now;
};
struct TimerCase {
    const char* name;
    std::vector<Step> steps;
    float elapsed;
};

TEST(ArxTimer, ElapsedTimeTable) {
    const std::vector<TimerCase> cases = {
        {"plain run", {{Call::Start, 1000}, {Call::Stop, 3500}}, 2.5f},
        {"pause left out",
         {{Call::Start, 1000}, {Call::Pause, 2000}, {Call::Resume, 5000}, {Call::Stop, 6000}},
         2.0f},
        {"second resume adds nothing",
         {{Call::Start, 1000},
          {Call::Pause, 2000},
          {Call::Resume, 5000},
          {Call::Resume, 5500},
          {Call::Stop, 6000}},
         2.0f},
        {"two pauses",
         {{Call::Start, 1000},
          {Call::Pause, 1500},
          {Call::Resume, 2500},
          {Call::Pause, 3000},
          {Call::Resume, 4000},
          {Call::Stop, 5000}},
         2.0f},
        {"resume without pause",
         {{Call::Start, 1000}, {Call::Resume, 2000}, {Call::Stop, 2250}},
         1.25f},
        {"stop during a pause counts the pause",
         {{Call::Start, 1000}, {Call::Pause, 2000}, {Call::Stop, 4000}},
         3.0f},
        {"pause of an earlier run forgotten",
         {{Call::Start, 1000},
          {Call::Pause, 1100},
          {Call::Stop, 1200},
          {Call::Start, 5000},
          {Call::Resume, 9000},
          {Call::Stop, 9000}},
         4.0f},
        {"pause and resume before start do nothing",
         {{Call::Pause, 500}, {Call::Resume, 900}, {Call::Start, 1000}, {Call::Stop, 2000}},
         1.0f},
        {"second stop changes nothing",
         {{Call::Start, 1000}, {Call::Stop, 2000}, {Call::Stop, 9000}},
         1.0f},
    };
    for (const TimerCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::uint64_t now = 0;
        TarxTimer timer;
        timer.Clock = [&now] { return now; };
        for (const Step& step : c.steps) {
            now = step.now;
            switch (step.call) {
            case Call::Start:
                timer.Start();
                break;
            case Call::Stop:
                timer.Stop();
                break;
            case Call::Pause:
                timer.Pause();
                break;
            case Call::Resume:
                timer.Resume();
                break;
            }
        }
        EXPECT_FLOAT_EQ(timer.ElapsedTime, c.elapsed);
        EXPECT_FALSE(timer.Running());
    }
}

TEST(ArxTimer, StopWithoutStartKeepsElapsedTime) {
    TarxTimer timer;
    timer.Clock = [] { return std::uint64_t{5000}; };
    timer.ElapsedTime = 7.5f;
    timer.Stop();
    EXPECT_FLOAT_EQ(timer.ElapsedTime, 7.5f);
    EXPECT_EQ(timer.StopTick, 0u);
}

TEST(ArxTimer, StartAndStopRecordTicks) {
    std::uint64_t now = 1234;
    TarxTimer timer;
    timer.Clock = [&now] { return now; };
    timer.ElapsedTime = 3;
    timer.Start();
    EXPECT_EQ(timer.StartTick, 1234u);
    EXPECT_FLOAT_EQ(timer.ElapsedTime, 0);
    EXPECT_TRUE(timer.Running());
    now = 2234;
    timer.Stop();
    EXPECT_EQ(timer.StopTick, 2234u);
    EXPECT_EQ(timer.StartTick, 0u);
}

TEST(ArxTimer, DefaultClockIsMonotonic) {
    TarxTimer timer;
    timer.Start();
    EXPECT_GT(timer.StartTick, 0u);
    timer.Stop();
    EXPECT_GE(timer.ElapsedTime, 0.0f);
    EXPECT_LT(timer.ElapsedTime, 60.0f);
}

std::array<std::uint8_t, 16> Record(std::uint8_t first) {
    std::array<std::uint8_t, 16> record{};
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<std::uint8_t>(first + i);
    return record;
}

TEST(ArxHeaderList, RecordsAndNames) {
    TUnBaseHeaderObj list;
    list.Init();
    EXPECT_EQ(list.RecordSize, 16u);
    const auto a = Record(1), b = Record(50), c = Record(100);
    ASSERT_TRUE(list.AddItem(a.data(), "dir\\first.txt", 9)); // the first 9 bytes only
    ASSERT_TRUE(list.AddItem(b.data(), "ignored", 0));        // length 0: no name
    ASSERT_TRUE(list.AddItem(c.data(), nullptr, 5));          // no name given
    const std::string withNul("a\0b", 3);
    ASSERT_TRUE(list.AddItem(a.data(), withNul.data(), 3));
    EXPECT_EQ(list.Count, 4);

    EXPECT_EQ(std::vector<std::uint8_t>(list.GetItem(0), list.GetItem(0) + 16),
              std::vector<std::uint8_t>(a.begin(), a.end()));
    EXPECT_EQ(std::vector<std::uint8_t>(list.GetItem(2), list.GetItem(2) + 16),
              std::vector<std::uint8_t>(c.begin(), c.end()));
    EXPECT_EQ(list.GetName(0), "dir\\first");
    EXPECT_EQ(list.GetName(0).size(), 9u);
    EXPECT_EQ(list.GetName(1), "");
    EXPECT_EQ(list.GetName(2), "");
    EXPECT_EQ(list.GetName(3), withNul);
    EXPECT_FALSE(list.AddItem(nullptr, "x", 1));
    EXPECT_EQ(list.Count, 4);
}

TEST(ArxHeaderList, OutOfRangeRaises) {
    TUnBaseHeaderObj list;
    list.Init();
    const auto a = Record(1);
    list.AddRecord(a.data());
    for (int index : {-1, 1, 1000}) {
        SCOPED_TRACE(index);
        EXPECT_THROW(list.GetItem(index), EArxRangeError);
        EXPECT_THROW(list.GetName(index), EArxRangeError);
    }
    list.Clear();
    EXPECT_EQ(list.Count, 0);
    EXPECT_THROW(list.GetItem(0), EArxRangeError);
}

TEST(ArxHeaderList, RecordSizeAndStableRecords) {
    TUnBaseHeaderObj list;
    list.Init(4);
    const std::uint8_t first[4] = {9, 8, 7, 6};
    ASSERT_TRUE(list.AddRecord(first));
    const std::uint8_t* kept = list.GetItem(0);
    ASSERT_TRUE(list.AddItem(first, "short", 5));
    const std::string_view keptName = list.GetName(1);
    // Records and names stay where they are while the list grows.
    for (int i = 0; i < 5000; ++i)
        ASSERT_TRUE(list.AddItem(first, "x", 1));
    EXPECT_EQ(list.GetItem(0), kept);
    EXPECT_EQ(kept[3], 6);
    EXPECT_EQ(list.GetName(1).data(), keptName.data());
    EXPECT_EQ(keptName, "short");

    // Init empties the list and sets the size again; Done leaves it empty and usable.
    list.Init();
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(list.RecordSize, 16u);
    list.Done();
    EXPECT_EQ(list.Count, 0);
    const auto a = Record(3);
    EXPECT_TRUE(list.AddRecord(a.data()));
    EXPECT_EQ(list.GetItem(0)[15], 18);
}

} // namespace
} // namespace sorvane
