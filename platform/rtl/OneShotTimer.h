// A one-shot timer without an event loop. Enabling a timer arms it to fire
// Interval milliseconds later; nothing fires by itself: the thread that owns
// the timers calls ProcessTimers (the editor from its GUI timer, tests with
// the time they want), and every armed timer whose deadline has passed is
// disabled and then hears OnTimer on that thread. Re-enabling an armed timer
// moves its deadline, so a burst of restarts fires once, Interval after the
// last. Timers are per thread: ProcessTimers only sees the caller's.
#pragma once

#include <chrono>
#include <functional>

#include "platform/rtl/Types.h"

class TOneShotTimer {
 public:
  using Clock = std::chrono::steady_clock;

  TOneShotTimer();
  ~TOneShotTimer();
  TOneShotTimer(const TOneShotTimer&) = delete;
  TOneShotTimer& operator=(const TOneShotTimer&) = delete;

  Cardinal Interval() const { return FInterval; }
  // Re-arms an enabled timer with the new interval.
  void SetInterval(Cardinal milliseconds);
  bool Enabled() const { return FEnabled; }
  // Enabling arms the timer at now + Interval; disabling disarms it.
  void SetEnabled(bool value, Clock::time_point now = Clock::now());
  Clock::time_point Deadline() const { return FDeadline; }

  std::function<void(TOneShotTimer*)> OnTimer;

  // Fires the calling thread's due timers in deadline order; answers how
  // many fired. A timer freed or re-armed by another's event is not fired
  // for its old deadline.
  static int ProcessTimers(Clock::time_point now = Clock::now());
  // Armed timers of the calling thread.
  static int PendingCount();

 private:
  Cardinal FInterval = 1000;
  bool FEnabled = false;
  Clock::time_point FDeadline{};
};
