// The record store's heap for variable-length strings: small buffers come
// from 8-byte size classes carved out of large blocks and are reused through
// per-class free lists; every buffer carries a reference count so that copied
// records can share their strings.
#pragma once

#include <array>
#include <memory>

#include "platform/rtl/SyncObjs.h"
#include "platform/rtl/Types.h"

// Buffer layout: a 32-bit capacity, a 16-bit reference word, then the data;
// callers receive the address of the data. Capacities are multiples of 8 and
// the header is 6 bytes, so with areas that start 8-aligned every data
// address is 2-byte aligned (enough for UTF-16 text) but no more; header
// fields are read and written bytewise for that reason.
class TStringHeap {
 public:
  // Reference word of a buffer with one owner; one more for each further
  // owner; RefNull - 1 marks a free buffer.
  static constexpr Word RefNull = 101;
  // Largest buffer served from the size classes.
  static constexpr Integer SmallSize = 2000;
  // Size classes 1..SmallTabCount hold buffers of 8 * class bytes.
  static constexpr Integer SmallTabCount = 250;
  // Bytes in front of each buffer's data: capacity and reference word.
  static constexpr Integer HeaderSize = 6;
  // Largest request accepted; anything above is refused as out of memory
  // so that no size computation can overflow.
  static constexpr Integer MaxBufSize = 1 << 30;

  // Nominal block size and the bytes of each block that hold buffers. The
  // table engine's unit start sets them (16384 and 16380); a heap takes the
  // data-area size in force when it is created. The block's link is stored
  // in front of the data area, so the data area is exact on every platform.
  static Integer BlockSize;
  static Integer DataSize;
  // Sets both; the data area must hold the largest small buffer with its
  // header and fit the block. Raises EAssertionFailed otherwise.
  static void SetBlockSize(Integer blockSize, Integer dataSize);

  TStringHeap();
  ~TStringHeap();
  TStringHeap(const TStringHeap&) = delete;
  TStringHeap& operator=(const TStringHeap&) = delete;

  // A buffer with room for size bytes and one owner; nullptr for size < 1.
  void* NewBuf(Integer size);
  // Drops one owner; the last one returns the buffer to its class list (or
  // to the platform for a large buffer). nullptr is ignored.
  void DisposeBuf(void* buf);
  // Adds an owner. nullptr is ignored. Takes no lock.
  void AddRef(void* buf);

  // Copies of 8-bit and UTF-16 text, zero-terminated. len < 0 means up to
  // the terminator; trim drops trailing blanks (code 32). nullptr for nullptr.
  char* AllocStr(const char* str, bool trim = false, Integer len = -1);
  char16_t* AllocWideStr(const char16_t* str, bool trim = false, Integer len = -1);
  // A fresh copy of str (up to its terminator, trimmed when asked); then
  // str loses one owner.
  char* ReAllocStr(char* str, bool trim = false);

  // Frees every block and forgets the class lists. Large buffers are not
  // freed: their owners dispose of them.
  void Clear();

  // Guards NewBuf, DisposeBuf and Clear with a critical section.
  void SetThreadSafety(bool value);
  bool ThreadSafety() const { return FThreadSafety; }

  // Nothing was allocated since creation or the last Clear.
  bool Empty() const { return FEmpty; }
  // At least one large buffer was allocated on its own since the last Clear.
  bool SysGetMem() const { return FSysGetMem; }

  // Capacity in bytes of a buffer handed out by this heap.
  static Integer Capacity(const void* buf);
  // Owners of a buffer handed out by this heap; 0 for a free buffer.
  static Integer RefCount(const void* buf);
  // Whether size class index is served from the class lists.
  static bool UseSmallTabs(Integer index) { return index < SmallTabCount + 1; }

 private:
  struct TBlock {
    TBlock* Next;
    // The data area of DataSize bytes follows.
  };

  Byte* BlockData(TBlock* block) const;
  TBlock* AllocBlock();
  void PushFree(Integer index, Byte* buf);

  std::array<Byte*, SmallTabCount> FSmallTab{};  // class i at index i - 1
  Integer FFree;
  TBlock* FRoot = nullptr;
  bool FEmpty = true;
  bool FSysGetMem = false;
  bool FThreadSafety = false;
  std::unique_ptr<TCriticalSection> FThreadSafetyCS;
  Integer FDataSize;  // DataSize when the heap was created
};
