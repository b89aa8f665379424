// A zeroed scratch buffer for one field value: on the stack for the sizes
// fields usually have, on the heap beyond.
#pragma once

#include <cstring>
#include <vector>

#include "platform/rtl/Types.h"

class TValueBuffer {
 public:
  explicit TValueBuffer(Integer size) {
    size_t n = size > 0 ? static_cast<size_t>(size) : 0;
    if (n > sizeof FLocal) FHeap.assign(n, 0);
    else std::memset(FLocal, 0, n);
  }
  TValueBuffer(const TValueBuffer&) = delete;
  TValueBuffer& operator=(const TValueBuffer&) = delete;
  Byte* Data() { return FHeap.empty() ? FLocal : FHeap.data(); }

 private:
  alignas(8) Byte FLocal[256];
  std::vector<Byte> FHeap;
};
