// Scope guards: a saved value restored, a counter raised and lowered, and a
// function run when a scope ends, also when an exception leaves it. One of
// these in place of a hand-written local struct with a destructor.
#pragma once

#include <utility>

// Keeps a variable's value and puts it back at scope exit; the second form
// also sets a value for the scope.
template <typename T>
class TRestoreValue {
 public:
  explicit TRestoreValue(T& target) : FTarget(target), FSaved(target) {}
  TRestoreValue(T& target, T value) : FTarget(target), FSaved(target) { FTarget = std::move(value); }
  ~TRestoreValue() { FTarget = std::move(FSaved); }
  TRestoreValue(const TRestoreValue&) = delete;
  TRestoreValue& operator=(const TRestoreValue&) = delete;

 private:
  T& FTarget;
  T FSaved;
};

// Raises a counter for the scope and lowers it at exit.
template <typename T>
class TScopedCount {
 public:
  explicit TScopedCount(T& count) : FCount(count) { ++FCount; }
  ~TScopedCount() { --FCount; }
  TScopedCount(const TScopedCount&) = delete;
  TScopedCount& operator=(const TScopedCount&) = delete;

 private:
  T& FCount;
};

// Runs a function at scope exit unless dismissed. The function runs from a
// destructor: it must not throw (catch inside it where a call may).
template <typename F>
class TScopeExit {
 public:
  explicit TScopeExit(F action) : FAction(std::move(action)) {}
  ~TScopeExit() {
    if (FActive) FAction();
  }
  // The function will not run.
  void Dismiss() { FActive = false; }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  F FAction;
  bool FActive = true;
};
template <typename F>
TScopeExit(F) -> TScopeExit<F>;
