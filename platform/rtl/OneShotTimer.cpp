#include "platform/rtl/OneShotTimer.h"

#include <algorithm>
#include <vector>

namespace {
// The calling thread's timers, armed or not.
thread_local std::vector<TOneShotTimer*> Timers;
}  // namespace

TOneShotTimer::TOneShotTimer() { Timers.push_back(this); }

TOneShotTimer::~TOneShotTimer() { std::erase(Timers, this); }

void TOneShotTimer::SetInterval(Cardinal milliseconds) {
  FInterval = milliseconds;
  if (FEnabled) SetEnabled(true);
}

void TOneShotTimer::SetEnabled(bool value, Clock::time_point now) {
  FEnabled = value;
  if (value) FDeadline = now + std::chrono::milliseconds(FInterval);
}

int TOneShotTimer::ProcessTimers(Clock::time_point now) {
  // Only what was due on entry fires, so an event that re-arms its own timer
  // with a zero interval cannot keep this call going.
  std::vector<std::pair<Clock::time_point, TOneShotTimer*>> due;
  for (TOneShotTimer* t : Timers) {
    if (t->FEnabled && t->FDeadline <= now) due.emplace_back(t->FDeadline, t);
  }
  std::stable_sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  int fired = 0;
  for (auto& [deadline, t] : due) {
    // An earlier event may have freed, disarmed or re-armed this one.
    if (std::find(Timers.begin(), Timers.end(), t) == Timers.end()) continue;
    if (!t->FEnabled || t->FDeadline != deadline) continue;
    t->FEnabled = false;
    ++fired;
    if (t->OnTimer) t->OnTimer(t);
  }
  return fired;
}

int TOneShotTimer::PendingCount() {
  return static_cast<int>(std::count_if(Timers.begin(), Timers.end(), [](const TOneShotTimer* t) { return t->FEnabled; }));
}
