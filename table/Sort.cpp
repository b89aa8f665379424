// Sorting of the record store by its sort columns: the order of two
// records, the sort of the whole item list, the restoring of the order the
// records had before the first sort, and the moving of one changed record
// to its sorted place. Items are relinked, never moved or copied, so
// bookmarks keep finding their records.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Locale.h"
#include "table/MemData.h"

namespace {

// The sign of a column's result, turned by the column's direction.
int Directed(int result, bool descending) {
  if (result == 0) return 0;
  return (result < 0) == descending ? 1 : -1;
}

TRecBuf RecordOf(TItemHeader* item) { return TBlockManager::GetRecordPtr(item); }

// A sort column resolved once for a whole sort, so that comparing two
// records reads the two slots directly.
struct PlannedColumn {
  TFieldDesc* Field = nullptr;
  bool Descending = false;
  TCompareOptions Options = 0;
  // The general path: CompareFields (child fields, blobs).
  bool ByFields = false;
  Integer Offset = 0;
  Integer NullOffset = 0;
  TDataType Type = dtUnknown;
  Word Length = 0;
  bool IsFixed = false;
  // Texts compared by the locale's collation: each record's collation key
  // is made once, and keys compare byte by byte in the same order.
  bool Keyed = false;
  std::string Keys;
  std::vector<size_t> KeyStart;  // key of record i: [KeyStart[i], KeyStart[i + 1])
};

// A record in the sort: its item, its place in the keys, and an 8-byte
// image of its first sort value whose unsigned order agrees with the
// column's comparison. Most comparisons then read neither record; Rank puts
// nulls in their place, and equal images go on to the full comparison.
struct SortEntry {
  TItemHeader* Item;
  size_t Index;
  UInt64 Image = 0;
  Byte Rank = 0;
};

enum class ImageKind { None, Signed, Unsigned, Boolean, Float, Key };

// Dates have none: they compare equal within a tolerance, which no image
// can follow.
ImageKind ImageKindOf(const PlannedColumn& p) {
  if (p.ByFields) return ImageKind::None;
  if (p.Keyed) return ImageKind::Key;
  switch (p.Type) {
    case dtInt8: case dtInt16: case dtInt32: case dtInt64: case dtBCD: return ImageKind::Signed;
    case dtUInt8: case dtUInt16: case dtUInt32: case dtUInt64: return ImageKind::Unsigned;
    case dtBoolean: return ImageKind::Boolean;
    case dtSingle: case dtFloat: case dtCurrency: return ImageKind::Float;
    default: return ImageKind::None;
  }
}

template <class T>
T Read(const Byte* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

UInt64 SignedImage(Int64 v) { return static_cast<UInt64>(v) ^ (UInt64{1} << 63); }

// NaNs after every number and -0 equal to 0, as the comparison has them.
UInt64 FloatImage(double d) {
  if (std::isnan(d)) return ~UInt64{0};
  if (d == 0) d = 0;
  UInt64 bits = Read<UInt64>(reinterpret_cast<const Byte*>(&d));
  return (bits >> 63) != 0 ? ~bits : bits | (UInt64{1} << 63);
}

// The first 8 bytes of a collation key, big-endian; a shorter key sorts first.
UInt64 KeyImage(std::string_view key) {
  UInt64 image = 0;
  for (size_t i = 0; i < 8; ++i) image = image << 8 | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
  return image;
}

UInt64 ImageOf(ImageKind kind, TDataType type, const Byte* slot, std::string_view key) {
  switch (kind) {
    case ImageKind::Key: return KeyImage(key);
    case ImageKind::Boolean: return Read<Word>(slot) != 0;
    case ImageKind::Float: return FloatImage(type == dtSingle ? Read<float>(slot) : Read<double>(slot));
    case ImageKind::Signed:
      switch (type) {
        case dtInt8: return SignedImage(Read<ShortInt>(slot));
        case dtInt16: return SignedImage(Read<SmallInt>(slot));
        case dtInt32: return SignedImage(Read<Integer>(slot));
        default: return SignedImage(Read<Int64>(slot));
      }
    case ImageKind::Unsigned:
      switch (type) {
        case dtUInt8: return Read<Byte>(slot);
        case dtUInt16: return Read<Word>(slot);
        case dtUInt32: return Read<Cardinal>(slot);
        default: return Read<UInt64>(slot);
      }
    default: return 0;
  }
}

std::string_view KeyOf(const PlannedColumn& p, size_t index) {
  return std::string_view(p.Keys.data() + p.KeyStart[index], p.KeyStart[index + 1] - p.KeyStart[index]);
}

bool IsCollatedText(TDataType type, TCompareOptions options) {
  if (options & (coPartialKey | coPartialCompare | coOrdinalCompare)) return false;
  return type == dtString || type == dtExtString || type == dtWideString || type == dtExtWideString ||
         type == dtGuid;
}

std::string_view TrimmedControls(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

StringView TrimmedControls(StringView s) {
  while (!s.empty() && s.back() <= 32) s.remove_suffix(1);
  return s;
}

// The collation key of the text that InternalCompareFieldValue compares for
// the column's type: the heap types and GUIDs are never trimmed, GUIDs
// compare without case.
void AppendCollationKey(const TCollator& collator, const PlannedColumn& column, const Byte* slot, bool trim,
                        std::string& keys) {
  bool ignoreCase = (column.Options & coCaseInsensitive) != 0;
  switch (column.Type) {
    case dtString: {
      std::string_view s(reinterpret_cast<const char*>(slot));
      collator.AppendSortKeyAnsi(trim ? TrimmedControls(s) : s, ignoreCase, keys);
      break;
    }
    case dtExtString: {
      auto* s = static_cast<const char*>(TData::GetSlotRef(slot));
      collator.AppendSortKeyAnsi(s != nullptr ? s : "", ignoreCase, keys);
      break;
    }
    case dtGuid:
      collator.AppendSortKeyAnsi(reinterpret_cast<const char*>(slot), true, keys);
      break;
    case dtWideString: case dtExtWideString: {
      auto* s = column.Type == dtWideString ? reinterpret_cast<const char16_t*>(slot)
                                            : static_cast<const char16_t*>(TData::GetSlotRef(slot));
      StringView text(s != nullptr ? s : u"");
      collator.AppendSortKey(trim ? TrimmedControls(text) : text, ignoreCase, keys);
      break;
    }
    default:
      break;
  }
}

// Sorts items by the store's columns, resolved once: offsets, types and
// options per column, and a collation key per record for texts. The order
// is the one CompareRecords gives with this record set's own comparisons of
// slot values (a test keeps the two in step).
void SortByPlannedColumns(TMemData& store, std::vector<TItemHeader*>& items) {
  const TSortColumns& columns = store.IndexFields();
  TRecBuf probe = RecordOf(items.front());
  std::vector<PlannedColumn> plan(columns.size());
  bool anyKeyed = false;
  for (size_t c = 0; c < columns.size(); ++c) {
    PlannedColumn& p = plan[c];
    p.Field = columns[c].FieldDesc;
    p.Descending = columns[c].DescendingOrder;
    p.Options = store.GetSortOptions(columns[c]);
    bool hasParent, isBlank, nativeBuffer;
    void* buf = store.GetMappedFieldBuf(probe, p.Field, p.Type, p.Length, hasParent, p.IsFixed, isBlank, nativeBuffer);
    if (!nativeBuffer) std::free(buf);
    Int64 offset = nativeBuffer ? static_cast<Byte*>(buf) - probe : -1;
    // What has no slot of its own, or whose null flag depends on more than
    // the flag byte, goes the general way.
    p.ByFields = hasParent || p.Field->FIsBlob || offset < 0 || offset >= store.RecordSize();
    if (p.ByFields) continue;
    p.Offset = static_cast<Integer>(offset);
    p.NullOffset = static_cast<Integer>(store.NullIndicator(p.Field, probe) - probe);
    p.Keyed = IsCollatedText(p.Type, p.Options);
    anyKeyed = anyKeyed || p.Keyed;
  }

  if (anyKeyed) {
    const TCollator& collator = TCollator::Current();
    for (PlannedColumn& p : plan) {
      if (!p.Keyed) continue;
      bool trim = (p.Type == dtString || p.Type == dtWideString || p.Type == dtExtWideString) &&
                  (p.IsFixed ? store.FTrimFixedChar : store.FTrimVarChar);
      p.KeyStart.reserve(items.size() + 1);
      for (TItemHeader* item : items) {
        p.KeyStart.push_back(p.Keys.size());
        TRecBuf rec = RecordOf(item);
        if (rec[p.NullOffset] != 1) AppendCollationKey(collator, p, rec + p.Offset, trim, p.Keys);
      }
      p.KeyStart.push_back(p.Keys.size());
    }
  }

  std::vector<SortEntry> entries(items.size());
  for (size_t i = 0; i < items.size(); ++i) entries[i] = {items[i], i};
  const PlannedColumn& first = plan.front();
  const ImageKind kind = ImageKindOf(first);
  if (kind != ImageKind::None) {
    bool nullsFirst = Directed(CompareNullFlags(true, false, first.Options), first.Descending) < 0;
    for (SortEntry& e : entries) {
      TRecBuf rec = RecordOf(e.Item);
      bool null = rec[first.NullOffset] == 1;
      e.Rank = null == nullsFirst ? 0 : 1;
      if (null) continue;
      e.Image = ImageOf(kind, first.Type, rec + first.Offset, kind == ImageKind::Key ? KeyOf(first, e.Index) : "");
      if (first.Descending) e.Image = ~e.Image;
    }
  }
  // Only a key's image leaves equal first values undecided.
  const size_t fullFrom = kind != ImageKind::None && kind != ImageKind::Key ? 1 : 0;
  auto compare = [&store, &plan, kind, fullFrom](const SortEntry& a, const SortEntry& b) {
    if (kind != ImageKind::None) {
      if (a.Rank != b.Rank) return a.Rank < b.Rank;
      if (a.Image != b.Image) return a.Image < b.Image;
    }
    TRecBuf r1 = RecordOf(a.Item);
    TRecBuf r2 = RecordOf(b.Item);
    for (size_t c = fullFrom; c < plan.size(); ++c) {
      const PlannedColumn& p = plan[c];
      int result;
      if (p.ByFields) {
        result = store.CompareFields(r1, r2, p.Field, p.Options);
      } else if (bool null1 = r1[p.NullOffset] == 1, null2 = r2[p.NullOffset] == 1; null1 || null2) {
        result = CompareNullFlags(null1, null2, p.Options);
      } else if (p.Keyed) {
        result = KeyOf(p, a.Index).compare(KeyOf(p, b.Index));
      } else {
        result = store.InternalCompareFieldValue(r1 + p.Offset, p.Type, r2 + p.Offset, p.Type, p.Length, false, p.IsFixed,
                                           p.Options);
      }
      if (result != 0) return Directed(result, p.Descending) < 0;
    }
    return false;
  };
  std::stable_sort(entries.begin(), entries.end(), compare);
  for (size_t i = 0; i < items.size(); ++i) items[i] = entries[i].Item;
}

}  // namespace

void TMemData::SetSortDefaults(TSortColumn& sortColumn) {
  sortColumn.DescendingOrder = false;
  sortColumn.SortType = stCaseSensitive;
}

void TMemData::SetIndexFieldNames(const String& value) {
  if (value == FIndexFieldNames) return;
  FIndexFieldNames = value;
  if (Active()) {
    try {
      UpdateIndexFields();
    } catch (...) {
      // The columns read before the fault stay; the list follows them.
      SortItems();
      throw;
    }
    SortItems();
  } else if (Prepared()) {
    UpdateIndexFields();
  }
}

void TMemData::ClearIndexFields() {
  FIndexFields.clear();
  FreeCalcBuffers();
}

int TMemData::CompareRecords(TRecBuf recBuf1, TRecBuf recBuf2) {
  bool calcFilled = false;
  for (const TSortColumn& column : FIndexFields) {
    TFieldDesc* field = column.FieldDesc;
    TCompareOptions options = GetSortOptions(column);
    int result;
    if (field->FFieldDescKind == fdkCalculated) {
      if (!calcFilled) {
        // The dataset computes the calculated values once per pair.
        size_t size = static_cast<size_t>(FRecordSize + FCalcRecordSize);
        for (TRecBuf* buf : {&FCalcRecBuf, &FCalcRecBuf2}) {
          if (*buf == nullptr) *buf = static_cast<TRecBuf>(std::calloc(1, size));
          if (*buf == nullptr) throw EOutOfMemory(RtlMessages::SOutOfMemory);
        }
        if (FOnGetCachedBuffer) {
          FOnGetCachedBuffer(FCalcRecBuf, recBuf1);
          FOnGetCachedBuffer(FCalcRecBuf2, recBuf2);
        } else {
          std::memcpy(FCalcRecBuf, recBuf1, static_cast<size_t>(FRecordSize));
          std::memcpy(FCalcRecBuf2, recBuf2, static_cast<size_t>(FRecordSize));
        }
        calcFilled = true;
      }
      result = CompareFields(FCalcRecBuf, FCalcRecBuf2, field, options);
    } else {
      result = CompareFields(recBuf1, recBuf2, field, options);
    }
    if (result != 0) return Directed(result, column.DescendingOrder);
  }
  return 0;
}

int TMemData::CompareByRecBuf(TItemHeader* item1, TItemHeader* item2) {
  return CompareRecords(RecordOf(item1), RecordOf(item2));
}

int TMemData::CompareSavedOrders(Integer o1, Integer o2) {
  // Records that had no place before the first sort (appended since, or
  // hidden then) come after all the others.
  if ((o1 > 0) != (o2 > 0)) return o1 > 0 ? -1 : 1;
  if (o1 > 0) return o1 < o2 ? -1 : (o1 > o2 ? 1 : 0);
  return o1 > o2 ? -1 : (o1 < o2 ? 1 : 0);
}

void TMemData::Exchange(TItemHeader* item1, TItemHeader* item2) {
  if (item1 == item2) return;
  if (item2->Next == item1) std::swap(item1, item2);
  TItemHeader* prev1 = item1->Prev;
  TItemHeader* next2 = item2->Next;
  if (item1->Next == item2) {
    item2->Prev = prev1;
    item2->Next = item1;
    item1->Prev = item2;
    item1->Next = next2;
    if (prev1 != nullptr) prev1->Next = item2;
    else FirstItem = item2;
    if (next2 != nullptr) next2->Prev = item1;
    else LastItem = item1;
  } else {
    TItemHeader* next1 = item1->Next;
    TItemHeader* prev2 = item2->Prev;
    item1->Prev = prev2;
    item1->Next = next2;
    item2->Prev = prev1;
    item2->Next = next1;
    // Either may be the first or the last item when item2 comes first.
    if (prev1 != nullptr) prev1->Next = item2;
    else FirstItem = item2;
    if (next1 != nullptr) next1->Prev = item2;
    else LastItem = item2;
    if (prev2 != nullptr) prev2->Next = item1;
    else FirstItem = item1;
    if (next2 != nullptr) next2->Prev = item1;
    else LastItem = item1;
  }
  FRecordNoCache.clear();
}

void TMemData::MoveSortedRecord(int dir) {
  TItemHeader* item = CurrentItem;
  if (dir == 0 || item == nullptr) return;
  TRecBuf rec = RecordOf(item);
  if (dir < 0) {
    while (item->Prev != nullptr && CompareRecords(rec, RecordOf(item->Prev)) < 0) Exchange(item->Prev, item);
  } else {
    while (item->Next != nullptr && CompareRecords(rec, RecordOf(item->Next)) > 0) Exchange(item, item->Next);
  }
}

void TMemData::SortItems() {
  if (FirstItem == nullptr || (!HasSortColumns() && !FOrderSaved)) return;
  std::vector<TItemHeader*> items;
  for (TItemHeader* p = FirstItem; p != nullptr; p = p->Next) items.push_back(p);

  if (!HasSortColumns()) {
    // The sort was removed: back to the order before the first sort.
    std::vector<std::pair<Integer, TItemHeader*>> saved;
    saved.reserve(items.size());
    for (TItemHeader* item : items) saved.emplace_back(BlockMan.SavedOrder(item), item);
    std::stable_sort(saved.begin(), saved.end(),
                     [](const auto& a, const auto& b) { return CompareSavedOrders(a.first, b.first) < 0; });
    for (size_t i = 0; i < saved.size(); ++i) items[i] = saved[i].second;
  } else if (std::any_of(FIndexFields.begin(), FIndexFields.end(),
                         [](const TSortColumn& c) { return c.FieldDesc->FFieldDescKind == fdkCalculated; })) {
    // Calculated values exist only while the dataset computes them.
    std::stable_sort(items.begin(), items.end(),
                     [this](TItemHeader* a, TItemHeader* b) { return CompareByRecBuf(a, b) < 0; });
  } else {
    SortByPlannedColumns(*this, items);
  }

  // Relink in the new order; equal records kept their order (stable sort).
  TItemHeader* prev = nullptr;
  for (TItemHeader* item : items) {
    item->Prev = prev;
    if (prev != nullptr) prev->Next = item;
    prev = item;
  }
  items.back()->Next = nullptr;
  FirstItem = items.front();
  LastItem = items.back();

  ReorderItems(nullptr, roFull);
  if (!HasSortColumns()) FOrderSaved = false;
}
