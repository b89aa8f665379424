#include "platform/rtl/SyncObjs.h"

#include <chrono>

UInt64 GetTickCount64() {
  using namespace std::chrono;
  return static_cast<UInt64>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

Cardinal GetTickCount() { return static_cast<Cardinal>(GetTickCount64()); }
