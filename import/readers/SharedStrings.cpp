#include "import/readers/SharedStrings.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/rtl/Exceptions.h"

namespace {

// From this size on an array moves to a huge buffer: below it the few small
// pages it touches cost less than one huge page.
constexpr size_t kHugeFrom = size_t{256} << 10;

}  // namespace

template <class T>
void TSharedStrings::TBulkArray<T>::Reserve(size_t capacity) {
  if (capacity <= FCapacity) return;
  if (capacity > std::numeric_limits<size_t>::max() / (2 * sizeof(T))) throw EOutOfMemory(RtlMessages::SOutOfMemory);
  std::unique_ptr<T[]> heap;
  THugeBuffer huge;
  T* data;
  if (capacity * sizeof(T) >= kHugeFrom) {
    huge = AllocHugeBuffer(capacity * sizeof(T));
    data = static_cast<T*>(huge.get());
  } else {
    heap = std::make_unique_for_overwrite<T[]>(capacity);
    data = heap.get();
  }
  if (FSize != 0) std::memcpy(data, FData, FSize * sizeof(T));
  FHeap = std::move(heap);
  FHuge = std::move(huge);
  FData = data;
  FCapacity = capacity;
}

void TSharedStrings::clear() {
  FText.Clear();
  FStarts.Clear();
}

void TSharedStrings::Reserve(size_t count, size_t chars) {
  FStarts.Reserve(count + 1);
  FText.Reserve(chars);
}

char16_t* TSharedStrings::Append(size_t chars) {
  // The starts are 32-bit: a table never holds 4 G characters.
  if (chars > std::numeric_limits<uint32_t>::max() - FText.Size()) throw EOutOfMemory(RtlMessages::SOutOfMemory);
  if (FStarts.Size() == 0) *FStarts.Extend(1) = 0;
  char16_t* text = FText.Extend(chars);
  *FStarts.Extend(1) = static_cast<uint32_t>(FText.Size());
  return text;
}

void TSharedStrings::Add(StringView text) {
  char16_t* to = Append(text.size());
  if (!text.empty()) std::memcpy(to, text.data(), text.size() * sizeof(char16_t));
}

void TSharedStrings::RemoveLast() {
  if (empty()) return;
  const uint32_t* starts = FStarts.Data();
  FText.Shrink(starts[size()] - starts[size() - 1]);
  FStarts.Shrink(1);
}

void TSharedStrings::AppendToLast(StringView text) {
  if (empty()) {
    Add(text);
    return;
  }
  if (text.size() > std::numeric_limits<uint32_t>::max() - FText.Size()) throw EOutOfMemory(RtlMessages::SOutOfMemory);
  char16_t* to = FText.Extend(text.size());
  if (!text.empty()) std::memcpy(to, text.data(), text.size() * sizeof(char16_t));
  FStarts.Data()[FStarts.Size() - 1] = static_cast<uint32_t>(FText.Size());
}
