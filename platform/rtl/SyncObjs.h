// Locks and clocks.
#pragma once

#include <mutex>

#include "platform/rtl/Types.h"

// A lock that the owning thread may enter again, as the platform's is.
class TCriticalSection {
 public:
  void Enter() { FMutex.lock(); }
  void Leave() { FMutex.unlock(); }
  void Acquire() { Enter(); }
  void Release() { Leave(); }
  bool TryEnter() { return FMutex.try_lock(); }

 private:
  std::recursive_mutex FMutex;
};

// Holds a critical section for the life of the guard; a null section is no lock.
class TLockGuard {
 public:
  explicit TLockGuard(TCriticalSection* cs) : FCS(cs) { if (FCS) FCS->Enter(); }
  ~TLockGuard() { if (FCS) FCS->Leave(); }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

 private:
  TCriticalSection* FCS;
};

// Milliseconds of a monotonic clock, wrapping at 2^32 like the platform's.
Cardinal GetTickCount();
UInt64 GetTickCount64();
