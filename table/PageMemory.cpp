#include "table/PageMemory.h"

#include <sys/mman.h>

#include <cstdint>

#include "platform/rtl/Exceptions.h"

void* AllocHugeRegion() {
  // Twice the size, so that an aligned region lies inside; the ends are
  // given back at once.
  size_t span = 2 * HugeRegionSize;
  void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw EOutOfMemory(RtlMessages::SOutOfMemory);
  auto start = reinterpret_cast<uintptr_t>(raw);
  uintptr_t aligned = (start + HugeRegionSize - 1) & ~(uintptr_t{HugeRegionSize} - 1);
  if (aligned > start) ::munmap(raw, aligned - start);
  uintptr_t end = aligned + HugeRegionSize;
  if (start + span > end) ::munmap(reinterpret_cast<void*>(end), start + span - end);
  void* region = reinterpret_cast<void*>(aligned);
  // Only advice: where the kernel keeps huge pages off, small pages serve.
  ::madvise(region, HugeRegionSize, MADV_HUGEPAGE);
  return region;
}

void FreeHugeRegion(void* region) {
  if (region != nullptr) ::munmap(region, HugeRegionSize);
}
