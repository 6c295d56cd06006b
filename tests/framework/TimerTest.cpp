#include "framework/Timer.h"

#include <gmock/gmock.h>

#include "core/Exception.h"
#include "framework/FrameworkFixture.h"

namespace cs::test {
namespace {

using TimerTest = FrameworkTest;

struct RunCase {
    const char* Name;
    bool Enabled;
    UINT Interval;
    bool Handler;
    bool Running;
};

class TimerRunTest : public FrameworkTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(TimerRunTest, RunsOnlyWhenEnabledWithAnIntervalAndAHandler) {
    const RunCase& c = GetParam();
    Timer timer(nullptr);
    timer.SetEnabled(c.Enabled);
    timer.SetInterval(c.Interval);
    if (c.Handler) timer.SetOnTimer([](Component&) {});
    EXPECT_EQ(timer.Running(), c.Running);
}

INSTANTIATE_TEST_SUITE_P(Cases, TimerRunTest,
                         ::testing::Values(RunCase{"AllThree", true, 1000, true, true},
                                           RunCase{"Disabled", false, 1000, true, false},
                                           RunCase{"ZeroInterval", true, 0, true, false},
                                           RunCase{"NoHandler", true, 1000, false, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TimerTest, EnablingAnEnabledTimerKeepsItsCountdown) {
    Timer timer(nullptr);
    timer.SetInterval(600);
    DWORD firstTick = 0;
    const DWORD start = ::GetTickCount();
    timer.SetOnTimer([&](Component&) {
        if (!firstTick) firstTick = ::GetTickCount() - start;
    });
    PumpMessages(350);
    timer.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return firstTick != 0; }, 3000));
    // A restarted countdown would have ended 950 ms after the start at the earliest.
    EXPECT_LT(firstTick, 900u);
}

TEST_F(TimerTest, AFailingTickIsShownAndTheTimerGoesOn) {
    Timer timer(nullptr);
    timer.SetInterval(50);
    timer.SetOnTimer([](Component&) { throw Exception("Tick failed"); });
    ASSERT_TRUE(PumpUntil([&] { return boxes.Shown.size() >= 2; }, 3000));
    EXPECT_THAT(StopBoxes(), ::testing::Each(::testing::StrEq("Tick failed.")));
    EXPECT_TRUE(timer.Running());
}

TEST_F(TimerTest, TimersTickApartAndOneStopsFromItsOwnTick) {
    Timer fast(nullptr);
    Timer slow(nullptr);
    fast.SetInterval(20);
    slow.SetInterval(300);
    int fastTicks = 0;
    int slowTicks = 0;
    fast.SetOnTimer([&](Component&) {
        if (++fastTicks == 3) fast.SetEnabled(false);
    });
    slow.SetOnTimer([&](Component&) { ++slowTicks; });
    ASSERT_TRUE(PumpUntil([&] { return slowTicks >= 2; }, 3000));
    EXPECT_EQ(fastTicks, 3);
    EXPECT_FALSE(fast.Running());
    EXPECT_TRUE(slow.Running());
}

TEST_F(TimerTest, ADestroyedTimerTicksNoMore) {
    int ticks = 0;
    {
        Timer gone(nullptr);
        gone.SetInterval(10);
        gone.SetOnTimer([&](Component&) { ++ticks; });
        ASSERT_TRUE(PumpUntil([&] { return ticks > 0; }, 3000));
    }
    const int before = ticks;
    PumpMessages(200);
    EXPECT_EQ(ticks, before);
}

TEST_F(TimerTest, DisablingStopsTheTicks) {
    Timer timer(nullptr);
    timer.SetInterval(50);
    int ticks = 0;
    timer.SetOnTimer([&](Component&) { ++ticks; });
    ASSERT_TRUE(PumpUntil([&] { return ticks > 0; }, 3000));
    timer.SetEnabled(false);
    const int before = ticks;
    PumpMessages(300);
    EXPECT_EQ(ticks, before);
}

}  // namespace
}  // namespace cs::test
