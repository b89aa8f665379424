#include "table/StringHeap.h"

#include <cstring>
#include <new>

#include "platform/rtl/Exceptions.h"

namespace {

constexpr char16_t UnitName[] = u"MemData";
constexpr Word RefFree = TStringHeap::RefNull - 1;
// A tail smaller than this cannot hold the smallest buffer (header + 8).
constexpr Integer MinTail = TStringHeap::HeaderSize + 8;

// Header fields sit at data - 6 (capacity) and data - 2 (reference word);
// data addresses are only 2-aligned, so they are copied bytewise.
Integer ReadCapacity(const Byte* data) {
  Integer value;
  std::memcpy(&value, data - TStringHeap::HeaderSize, sizeof value);
  return value;
}

void WriteCapacity(Byte* data, Integer value) {
  std::memcpy(data - TStringHeap::HeaderSize, &value, sizeof value);
}

Word ReadRef(const Byte* data) {
  Word value;
  std::memcpy(&value, data - sizeof(Word), sizeof value);
  return value;
}

void WriteRef(Byte* data, Word value) { std::memcpy(data - sizeof(Word), &value, sizeof value); }

// A free buffer's first data bytes link it to the next free buffer of its
// class; every class holds at least 8 bytes, room for a pointer.
Byte* ReadLink(const Byte* data) {
  Byte* next;
  std::memcpy(&next, data, sizeof next);
  return next;
}

void WriteLink(Byte* data, Byte* next) { std::memcpy(data, &next, sizeof next); }

[[noreturn]] void RaiseOutOfMemory() { throw EOutOfMemory(RtlMessages::SOutOfMemory); }

}  // namespace

Integer TStringHeap::BlockSize = 16384;
Integer TStringHeap::DataSize = 16380;

void TStringHeap::SetBlockSize(Integer blockSize, Integer dataSize) {
  Assert(dataSize >= SmallSize + HeaderSize && dataSize <= blockSize && dataSize <= MaxBufSize, UnitName);
  BlockSize = blockSize;
  DataSize = dataSize;
}

TStringHeap::TStringHeap() : FFree(DataSize), FDataSize(DataSize) {}

TStringHeap::~TStringHeap() {
  // Large buffers still alive belong to their owners, as after Clear.
  for (TBlock* block = FRoot; block;) {
    TBlock* next = block->Next;
    ::operator delete(block);
    block = next;
  }
}

Byte* TStringHeap::BlockData(TBlock* block) const { return reinterpret_cast<Byte*>(block) + sizeof(TBlock); }

TStringHeap::TBlock* TStringHeap::AllocBlock() {
  auto* block = static_cast<TBlock*>(::operator new(sizeof(TBlock) + static_cast<size_t>(FDataSize)));
  block->Next = nullptr;
  return block;
}

void TStringHeap::PushFree(Integer index, Byte* buf) {
  WriteLink(buf, FSmallTab[index - 1]);
  FSmallTab[index - 1] = buf;
}

void* TStringHeap::NewBuf(Integer size) {
  if (size < 1) return nullptr;
  if (size > MaxBufSize) RaiseOutOfMemory();
  TLockGuard guard(FThreadSafetyCS.get());
  FEmpty = false;
  const Integer index = (size + 7) / 8;
  Integer capacity = index * 8;

  if (!UseSmallTabs(index)) {
    auto* raw = static_cast<Byte*>(::operator new(static_cast<size_t>(HeaderSize + capacity)));
    Byte* buf = raw + HeaderSize;
    WriteCapacity(buf, capacity);
    WriteRef(buf, RefNull);
    FSysGetMem = true;
    return buf;
  }

  if (Byte* buf = FSmallTab[index - 1]) {
    FSmallTab[index - 1] = ReadLink(buf);
    WriteRef(buf, RefNull);
    return buf;
  }

  // Every block is allocated before any list changes, so a failed
  // allocation leaves the heap as it was.
  if (!FRoot) {
    FRoot = AllocBlock();
    FFree = FDataSize;
  } else if (FFree < capacity + HeaderSize) {
    TBlock* block = AllocBlock();
    // The tail of the old block (always at least MinTail bytes, and smaller
    // than the largest small buffer) becomes a free buffer of its class.
    const Integer tailIndex = (FFree - HeaderSize) / 8;
    Byte* tail = BlockData(FRoot) + (FDataSize - FFree) + HeaderSize;
    WriteCapacity(tail, tailIndex * 8);
    WriteRef(tail, RefFree);
    PushFree(tailIndex, tail);
    block->Next = FRoot;
    FRoot = block;
    FFree = FDataSize;
  }

  Byte* buf = BlockData(FRoot) + (FDataSize - FFree) + HeaderSize;
  const Integer rest = FFree - (capacity + HeaderSize);
  if (rest < MinTail) {
    // The block is used up: a remainder too small for any buffer goes to
    // this one when it stays a small buffer, and the next block starts now.
    TBlock* block = AllocBlock();
    const Integer extra = rest / 8 * 8;
    if (capacity + extra <= SmallSize) capacity += extra;
    block->Next = FRoot;
    FRoot = block;
    FFree = FDataSize;
  } else {
    FFree = rest;
  }
  WriteCapacity(buf, capacity);
  WriteRef(buf, RefNull);
  return buf;
}

void TStringHeap::DisposeBuf(void* buf) {
  if (!buf) return;
  auto* data = static_cast<Byte*>(buf);
  TLockGuard guard(FThreadSafetyCS.get());
  const Word ref = ReadRef(data);
  if (ref < RefNull) AssertionFailed(UnitName, u"DisposeBuf failed");
  if (ref > RefNull) {
    WriteRef(data, static_cast<Word>(ref - 1));
    return;
  }
  // Checked before the buffer is marked free, so a corrupt header leaves
  // both the buffer and the lists untouched.
  const Integer capacity = ReadCapacity(data);
  const Integer index = capacity / 8;
  if (index < 1 || capacity % 8 != 0) AssertionFailed(UnitName, u"SmallTab in DisposeBuf failed");
  WriteRef(data, RefFree);
  if (UseSmallTabs(index))
    PushFree(index, data);
  else
    ::operator delete(data - HeaderSize);
}

void TStringHeap::AddRef(void* buf) {
  if (!buf) return;
  auto* data = static_cast<Byte*>(buf);
  const Word ref = ReadRef(data);
  // A count at the top of the word would wrap to "free".
  if (ref < RefNull || ref == 0xFFFF) AssertionFailed(UnitName, u"AddRefStr failed");
  WriteRef(data, static_cast<Word>(ref + 1));
}

char* TStringHeap::AllocStr(const char* str, bool trim, Integer len) {
  if (!str) return nullptr;
  size_t n = len < 0 ? std::strlen(str) : static_cast<size_t>(len);
  if (trim)
    while (n > 0 && str[n - 1] == ' ') --n;
  if (n >= static_cast<size_t>(MaxBufSize)) RaiseOutOfMemory();
  auto* buf = static_cast<char*>(NewBuf(static_cast<Integer>(n) + 1));
  std::memcpy(buf, str, n);
  buf[n] = 0;
  return buf;
}

char16_t* TStringHeap::AllocWideStr(const char16_t* str, bool trim, Integer len) {
  if (!str) return nullptr;
  size_t n = len < 0 ? std::char_traits<char16_t>::length(str) : static_cast<size_t>(len);
  if (trim)
    while (n > 0 && str[n - 1] == u' ') --n;
  if (n >= static_cast<size_t>(MaxBufSize / 2)) RaiseOutOfMemory();
  auto* buf = static_cast<char16_t*>(NewBuf(static_cast<Integer>(n) * 2 + 2));
  std::memcpy(buf, str, n * sizeof(char16_t));
  buf[n] = 0;
  return buf;
}

char* TStringHeap::ReAllocStr(char* str, bool trim) {
  char* copy = AllocStr(str, trim, -1);
  DisposeBuf(str);
  return copy;
}

void TStringHeap::Clear() {
  TLockGuard guard(FThreadSafetyCS.get());
  if (FEmpty) return;
  for (TBlock* block = FRoot; block;) {
    TBlock* next = block->Next;
    ::operator delete(block);
    block = next;
  }
  FRoot = nullptr;
  FFree = FDataSize;
  FSmallTab.fill(nullptr);
  FEmpty = true;
  FSysGetMem = false;
}

void TStringHeap::SetThreadSafety(bool value) {
  if (value == FThreadSafety) return;
  if (value) {
    if (FThreadSafetyCS) AssertionFailed(UnitName);
    FThreadSafetyCS = std::make_unique<TCriticalSection>();
  } else {
    FThreadSafetyCS.reset();
  }
  FThreadSafety = value;
}

Integer TStringHeap::Capacity(const void* buf) { return buf ? ReadCapacity(static_cast<const Byte*>(buf)) : 0; }

Integer TStringHeap::RefCount(const void* buf) {
  if (!buf) return 0;
  const Word ref = ReadRef(static_cast<const Byte*>(buf));
  return ref < RefNull ? 0 : ref - RefNull + 1;
}
