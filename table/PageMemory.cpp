#include "table/PageMemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <mutex>

#include "platform/rtl/Exceptions.h"

namespace {

// size bytes (a multiple of HugeRegionSize) aligned to HugeRegionSize, zeroed
// and advised for huge pages. One huge region more is mapped, so that an
// aligned span lies inside; the ends are given back at once.
void* MapHugeAligned(size_t size, int extraFlags) {
  const size_t span = size + HugeRegionSize;
  void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | extraFlags, -1, 0);
  if (raw == MAP_FAILED) throw EOutOfMemory(RtlMessages::SOutOfMemory);
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + HugeRegionSize - 1) & ~(uintptr_t{HugeRegionSize} - 1);
  if (aligned > start) ::munmap(raw, aligned - start);
  if (start + span > aligned + size) ::munmap(reinterpret_cast<void*>(aligned + size), start + span - aligned - size);
  // Only advice: where the kernel keeps huge pages off, small pages serve.
  ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

void* AllocHugeRegion() { return MapHugeAligned(HugeRegionSize, 0); }

void FreeHugeRegion(void* region) {
  if (region != nullptr) ::munmap(region, HugeRegionSize);
}

namespace {

// The start of each packed region.
struct TPackedRegion {
  size_t Live;  // objects not yet freed
};

constexpr size_t PackedAlign = 8;
constexpr size_t PackedStart = (sizeof(TPackedRegion) + PackedAlign - 1) / PackedAlign * PackedAlign;

std::mutex PackedLock;
TPackedRegion* PackedCurrent = nullptr;  // the region being carved
size_t PackedUsed = 0;                   // bytes of it handed out, its header included

TPackedRegion* RegionOf(void* object) {
  return reinterpret_cast<TPackedRegion*>(reinterpret_cast<uintptr_t>(object) & ~(uintptr_t{HugeRegionSize} - 1));
}

}  // namespace

void* AllocPacked(size_t size) {
  size = (size + PackedAlign - 1) / PackedAlign * PackedAlign;
  Assert(size > 0 && size <= HugeRegionSize - PackedStart, u"PageMemory");
  std::lock_guard<std::mutex> lock(PackedLock);
  if (PackedCurrent == nullptr || HugeRegionSize - PackedUsed < size) {
    auto* region = static_cast<TPackedRegion*>(AllocHugeRegion());
    region->Live = 0;
    // The region left behind is freed with its last object.
    if (PackedCurrent != nullptr && PackedCurrent->Live == 0) FreeHugeRegion(PackedCurrent);
    PackedCurrent = region;
    PackedUsed = PackedStart;
  }
  void* object = reinterpret_cast<Byte*>(PackedCurrent) + PackedUsed;
  PackedUsed += size;
  ++PackedCurrent->Live;
  return object;
}

void FreePacked(void* object) {
  if (object == nullptr) return;
  TPackedRegion* region = RegionOf(object);
  std::lock_guard<std::mutex> lock(PackedLock);
  Assert(region->Live > 0, u"PageMemory");
  if (--region->Live > 0) return;
  if (region == PackedCurrent) {
    // Empty again: carved afresh from the start.
    PackedUsed = PackedStart;
    return;
  }
  FreeHugeRegion(region);
}

THugeBuffer AllocHugeBuffer(size_t size) {
  size = std::max<size_t>((size + HugeRegionSize - 1) / HugeRegionSize * HugeRegionSize, HugeRegionSize);
  return THugeBuffer(MapHugeAligned(size, MAP_NORESERVE), THugeBufferRelease{size});
}

void THugeBufferRelease::operator()(void* buffer) const {
  if (buffer != nullptr) ::munmap(buffer, Size);
}
