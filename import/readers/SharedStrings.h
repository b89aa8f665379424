// TSharedStrings: a workbook's table of shared strings, the texts that its
// cells name by index. The texts lie one after another in one buffer, with
// the start of each in a second one, so a table of a million strings is two
// allocations instead of a million; a large table lives in huge pages
// (table/PageMemory.h), where filling it costs a fraction of the faults.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/rtl/Types.h"
#include "table/PageMemory.h"

class TSharedStrings {
 public:
  TSharedStrings() = default;
  TSharedStrings(const TSharedStrings&) = delete;
  TSharedStrings& operator=(const TSharedStrings&) = delete;

  size_t size() const { return FStarts.Size() == 0 ? 0 : FStarts.Size() - 1; }
  bool empty() const { return size() == 0; }
  // The text at index (index < size()); valid until the next change.
  StringView operator[](size_t index) const {
    const uint32_t* starts = FStarts.Data();
    return {FText.Data() + starts[index], starts[index + 1] - starts[index]};
  }
  void clear();
  // Room for count strings of chars characters in all, taken at once; a
  // generous bound is cheap, as only the memory filled is ever backed.
  void Reserve(size_t count, size_t chars);
  // Appends a string of `chars` characters and returns where they go.
  char16_t* Append(size_t chars);
  void Add(StringView text);
  // Drops the last string.
  void RemoveLast();
  // Extends the last string (a string made of several runs).
  void AppendToLast(StringView text);

 private:
  // A growing array of plain values: on the heap while small, in a huge
  // buffer once large.
  template <class T>
  class TBulkArray {
   public:
    T* Data() const { return FData; }
    size_t Size() const { return FSize; }
    void Clear() { FSize = 0; }
    void Shrink(size_t count) { FSize -= count; }
    void Reserve(size_t capacity);
    // Grows by count values and returns the first of them.
    T* Extend(size_t count) {
      if (FCapacity - FSize < count) Reserve(std::max(FSize + count, FCapacity * 2));
      T* added = FData + FSize;
      FSize += count;
      return added;
    }

   private:
    T* FData = nullptr;
    size_t FSize = 0;
    size_t FCapacity = 0;
    std::unique_ptr<T[]> FHeap;
    THugeBuffer FHuge;
  };

  TBulkArray<char16_t> FText;
  TBulkArray<uint32_t> FStarts;  // size()+1 entries once a string is added
};
