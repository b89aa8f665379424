// Large regions of memory for the record store's bulk data, taken straight
// from the operating system in whole huge pages. Filling fresh memory costs a
// page fault for every page touched; a region the kernel backs with 2 MiB
// pages costs one fault where 4 KiB pages cost 512, and a large table loads
// in a fraction of the time.
#pragma once

#include <cstddef>
#include <memory>

// Size and alignment of a huge region.
inline constexpr size_t HugeRegionSize = size_t{2} << 20;

// A zeroed region of HugeRegionSize bytes aligned to its size; raises
// EOutOfMemory when the system has none.
void* AllocHugeRegion();
// Returns a region from AllocHugeRegion to the system.
void FreeHugeRegion(void* region);

// Small objects that a large table makes by the million (blob values held
// with a loaded file's bytes), carved one after another from huge regions.
// A region goes back to the system when the last object in it is freed; the
// room of freed objects is not reused before that. Safe from any thread.
void* AllocPacked(size_t size);
// Frees an object from AllocPacked.
void FreePacked(void* object);

// A large buffer that lives long (a workbook's shared strings): at least
// size bytes, zeroed, in huge pages where the kernel has them. Only the
// pages touched are ever backed, so a generous upper bound costs nothing
// beyond its address space. Raises EOutOfMemory when the system has none.
struct THugeBufferRelease {
  size_t Size = 0;
  void operator()(void* buffer) const;
};
using THugeBuffer = std::unique_ptr<void, THugeBufferRelease>;
THugeBuffer AllocHugeBuffer(size_t size);
