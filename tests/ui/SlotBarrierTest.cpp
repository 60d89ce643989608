// Tests of the exception barrier and the busy guard: every kind of throw is
// caught and reported with its text, a failing reporter stays contained, and
// the busy flag is given back however the scope ends.
#include "ui/SlotBarrier.h"

#include "ui/BusyGuard.h"

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace sorvane {
namespace {

class SlotBarrierTest : public testing::Test {
protected:
    void SetUp() override {
        SetExceptionReporter([this](const std::string& message) { reports.push_back(message); });
    }
    void TearDown() override { SetExceptionReporter(nullptr); }

    std::vector<std::string> reports;
};

TEST_F(SlotBarrierTest, EveryKindOfThrowIsCaughtAndReported) {
    struct Case {
        const char* name;
        std::function<void()> handler;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"std::runtime_error", [] { throw std::runtime_error("disk not ready"); },
         "disk not ready"},
        {"std::out_of_range", [] { throw std::out_of_range("Grid index out of range"); },
         "Grid index out of range"},
        {"std::bad_alloc", [] { throw std::bad_alloc(); }, std::bad_alloc().what()},
        {"std::string", [] { throw std::string("a thrown string"); }, "a thrown string"},
        {"C string", [] { throw "a thrown C string"; }, "a thrown C string"},
        {"int", [] { throw 42; }, "Unknown exception"},
        {"a class of its own", [] { throw std::vector<int>{1}; }, "Unknown exception"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reports.clear();
        EXPECT_FALSE(Guarded(c.handler));
        EXPECT_EQ(reports, std::vector<std::string>{c.message});
    }
}

TEST_F(SlotBarrierTest, AHandlerThatReturnsIsNotReported) {
    int runs = 0;
    EXPECT_TRUE(Guarded([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(reports.empty());
}

TEST_F(SlotBarrierTest, FireSkipsAnEmptyHandlerAndPassesArguments) {
    std::function<void(int, const std::string&)> handler;
    Fire(handler, 1, std::string("x")); // nothing to run, nothing reported
    std::vector<std::string> seen;
    handler = [&](int n, const std::string& s) { seen.push_back(std::to_string(n) + s); };
    Fire(handler, 7, std::string("y"));
    handler = [](int, const std::string&) { throw std::logic_error("fired"); };
    Fire(handler, 0, std::string());
    EXPECT_EQ(seen, std::vector<std::string>{"7y"});
    EXPECT_EQ(reports, std::vector<std::string>{"fired"});
}

TEST_F(SlotBarrierTest, RunCatchingGivesTheMessageWithoutReporting) {
    EXPECT_EQ(RunCatching([] { throw std::runtime_error("later"); }), std::string("later"));
    EXPECT_EQ(RunCatching([] {}), std::nullopt);
    EXPECT_TRUE(reports.empty());
}

TEST_F(SlotBarrierTest, AFailureInsideTheReporterGoesToStderr) {
    // A reporter that runs a failing handler itself (as a message window's own
    // buttons would) and then fails too: neither reaches it again or escapes.
    int reporterRuns = 0;
    SetExceptionReporter([&](const std::string&) {
        ++reporterRuns;
        Guarded([] { throw std::runtime_error("nested failure"); });
        throw std::runtime_error("reporter failed");
    });
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Guarded([] { throw std::runtime_error("first failure"); }));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(reporterRuns, 1);
    EXPECT_NE(err.find("nested failure"), std::string::npos);
    EXPECT_NE(err.find("first failure"), std::string::npos);
    EXPECT_NE(err.find("reporter failed"), std::string::npos);

    // The reporter is still in use afterwards.
    Guarded([] { throw 1; });
    EXPECT_EQ(reporterRuns, 2);
}

TEST_F(SlotBarrierTest, TheDefaultReporterWritesToStderr) {
    SetExceptionReporter(nullptr);
    testing::internal::CaptureStderr();
    Guarded([] { throw std::runtime_error("no window to show this"); });
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no window to show this"),
              std::string::npos);
}

TEST(BusyGuard, SetsTheFlagAndGivesItBackHoweverTheScopeEnds) {
    bool busy = false;
    {
        TBusyGuard guard(busy);
        EXPECT_TRUE(busy);
    }
    EXPECT_FALSE(busy);

    EXPECT_THROW(
        {
            TBusyGuard guard(busy);
            throw std::runtime_error("stopped");
        },
        std::runtime_error);
    EXPECT_FALSE(busy);

    EXPECT_FALSE(Guarded([&] {
        TBusyGuard guard(busy);
        throw 3;
    }));
    EXPECT_FALSE(busy);

    {
        TBusyGuard outer(busy);
        { TBusyGuard inner(busy); }
        EXPECT_TRUE(busy); // the inner guard leaves the outer one's flag set
    }
    EXPECT_FALSE(busy);
}

} // namespace
} // namespace sorvane
