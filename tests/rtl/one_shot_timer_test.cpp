// The polled one-shot timer: deadlines, restarts, and events that free or
// re-arm timers while ProcessTimers runs.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "platform/rtl/OneShotTimer.h"

namespace {

using namespace std::chrono_literals;
using Clock = TOneShotTimer::Clock;

TEST(OneShotTimer, FiresOnceAfterTheLastRestartInDeadlineOrder) {
  Clock::time_point t0 = Clock::now();
  std::vector<int> fired;
  TOneShotTimer a, b;
  a.SetInterval(300);
  b.SetInterval(100);
  a.OnTimer = [&](TOneShotTimer*) { fired.push_back(1); };
  b.OnTimer = [&](TOneShotTimer*) { fired.push_back(2); };
  a.SetEnabled(true, t0);
  a.SetEnabled(true, t0 + 200ms);  // a restart moves the deadline
  b.SetEnabled(true, t0);
  EXPECT_EQ(TOneShotTimer::ProcessTimers(t0 + 99ms), 0);
  EXPECT_EQ(TOneShotTimer::ProcessTimers(t0 + 400ms), 1);
  EXPECT_EQ(TOneShotTimer::ProcessTimers(t0 + 500ms), 1);
  EXPECT_EQ(fired, (std::vector<int>{2, 1}));
  EXPECT_FALSE(a.Enabled());
  EXPECT_EQ(TOneShotTimer::ProcessTimers(t0 + 10s), 0);
}

TEST(OneShotTimer, EventsThatFreeOrReArmTimersAreSafe) {
  Clock::time_point t0 = Clock::now();
  auto victim = std::make_unique<TOneShotTimer>();
  TOneShotTimer killer, again;
  int victimFired = 0, againFired = 0;
  victim->SetInterval(20);
  victim->OnTimer = [&](TOneShotTimer*) { ++victimFired; };
  killer.SetInterval(10);
  killer.OnTimer = [&](TOneShotTimer*) { victim.reset(); };
  again.SetInterval(0);
  // Re-arming with no delay fires on the next call, not in a loop.
  again.OnTimer = [&](TOneShotTimer* t) {
    ++againFired;
    t->SetEnabled(true, t0);
  };
  victim->SetEnabled(true, t0);
  killer.SetEnabled(true, t0);
  again.SetEnabled(true, t0);
  EXPECT_EQ(TOneShotTimer::ProcessTimers(t0 + 1s), 2);
  EXPECT_EQ(victimFired, 0);
  EXPECT_EQ(againFired, 1);
  EXPECT_EQ(TOneShotTimer::PendingCount(), 1);
  again.SetEnabled(false);
}

}  // namespace
