#include "table/Data.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"
#include "table/Blob.h"
#include "table/CompressedBlob.h"
#include "table/VariantObject.h"

namespace {

// A record layout beyond this is refused rather than computed with overflow.
constexpr Int64 MaxRecordLayoutSize = 256LL * 1024 * 1024;

const TRecordSetTypeClasses DataTypeClasses{&TData::IsBlobDataType, &TData::IsComplexDataType,
                                            &TData::IsObjectDataType};

Integer CheckedLayoutSize(Int64 size) {
  if (size > MaxRecordLayoutSize) throw EDatabaseError(u"Record size is too large");
  return static_cast<Integer>(size);
}

bool IsHeapType(TDataType t) { return t == dtExtString || t == dtExtWideString || t == dtExtVarBytes; }

}  // namespace

void (*StartWaitProc)() = nullptr;
void (*StopWaitProc)() = nullptr;
String (*ApplicationTitleProc)() = nullptr;

void StartWait() {
  if (StartWaitProc) StartWaitProc();
}
void StopWait() {
  if (StopWaitProc) StopWaitProc();
}
String ApplicationTitle() { return ApplicationTitleProc ? ApplicationTitleProc() : String(); }

void DataError(const String& msg) { throw Exception(msg); }

int CompareAlias(TFieldDesc* item1, TFieldDesc* item2) {
  if (item1 == item2) return 0;
  int r = AnsiCompareText(item1->FName, item2->FName);
  if (r == 0) {
    item1->FReserved = true;
    item2->FReserved = true;
    r = item1->FFieldNo < item2->FFieldNo ? -1 : (item1->FFieldNo > item2->FFieldNo ? 1 : 0);
  }
  return r;
}

TData::TData() : FStringHeap(new TStringHeap()) {}

TData::~TData() {
  // Destructors may not throw; a failing close still releases everything.
  try {
    Close();
  } catch (...) {
  }
  try {
    ClearFields();
  } catch (...) {
  }
  delete FStringHeap;
}

bool TData::IsBlobDataType(TDataType t) { return t == dtBlob || t == dtMemo || t == dtWideMemo; }

bool TData::IsComplexDataType(TDataType t) {
  return t == dtExtString || t == dtExtWideString || t == dtExtVarBytes || t == dtVariant || IsBlobDataType(t);
}

bool TData::IsObjectDataType(TDataType t) { return t == dtObject || t == dtArray; }

const TRecordSetTypeClasses* TData::RecordSetClass() const { return &DataTypeClasses; }

void TData::Prepare() {
  InternalPrepare();
  FPrepared = true;
}

void TData::UnPrepare() {
  if (!FPrepared) return;
  FPrepared = false;
  if (FAutoInitFields) ClearFields();
  InternalUnPrepare();
}

void TData::Open() {
  if (FActive) return;
  try {
    InitData();
    InternalOpen(false);
    try {
      CreateFilterExpression(FFilterText);
    } catch (...) {
      InternalClose();
      throw;
    }
    FActive = true;
  } catch (...) {
    FreeData();
    FreeFilterExpression();
    throw;
  }
}

void TData::Close() {
  TScopeExit finish([this] {
    FActive = false;
    FreeData();
    if (FAutoInitFields && !FPrepared) ClearFields();
    FreeFilterExpression();
  });
  if (FActive) InternalClose();
}

void TData::Reopen() {
  Close();
  Open();
}

void TData::InitData() {
  FBOF = true;
  FEOF = true;
  FRecordCount = 0;
  FRecordNoOffset = 0;
}

TFieldDesc* TData::CreateFieldDesc() { return new TFieldDesc(RecordSetClass()); }

void TData::InitFields() {
  InternalInitFieldDescs();
  InitRecordSize();
  InitCalcDataSize();
  if (FOnFieldsChanged) FOnFieldsChanged();
}

void TData::ClearFields() {
  FFields.Clear();
  FHasBlobFields = false;
  FHasComplexFields = false;
  if (FOnFieldsChanged) FOnFieldsChanged();
}

void TData::InternalInitFieldDescs() {
  if (FAutoInitFields) {
    auto saved = std::move(FOnFieldsChanged);
    FOnFieldsChanged = nullptr;
    try {
      ClearFields();
    } catch (...) {
      FOnFieldsChanged = std::move(saved);
      throw;
    }
    FOnFieldsChanged = std::move(saved);
    CreateFieldDescs();
    if (FOnGetCachedFields) FOnGetCachedFields();
    InitAliases();
  }
  CheckHasBlobFields();
  CheckHasComplexFields();
}

void TData::InitAliases() {
  std::vector<TFieldDesc*> list;
  for (const auto& d : FFields) {
    if (d && !d->FHasParent) list.push_back(d.get());
  }
  // A stable merge sort keeps each comparison's marking side effect while the
  // order stays total (equal names order by field number).
  std::stable_sort(list.begin(), list.end(), [](TFieldDesc* a, TFieldDesc* b) { return CompareAlias(a, b) < 0; });
  // Pairs that compared equal were marked; neighbours are the only candidates,
  // so mark adjacent equal names explicitly as well.
  for (size_t i = 1; i < list.size(); ++i) CompareAlias(list[i - 1], list[i]);

  int n = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    TFieldDesc* d = list[i];
    if (!d->FReserved && !d->FName.empty()) {
      n = 0;
      continue;
    }
    if (n > 1) {
      const String& prev = list[i - 1]->FName;
      size_t cut = 1 + IntToStr(n - 1).size();
      String stem = prev.size() > cut ? prev.substr(0, prev.size() - cut) : String();
      if (!AnsiSameText(stem, d->FName)) n = 0;
    }
    if (n > 0 || d->FName.empty()) {
      String candidate = d->FName + u"_" + IntToStr(n);
      while (FFields.FindField(candidate) != nullptr) {
        ++n;
        candidate = d->FName + u"_" + IntToStr(n);
      }
      d->FName = candidate;
    }
    ++n;
  }
}

bool TData::CheckHasBlobFields() {
  FHasBlobFields = std::any_of(FFields.begin(), FFields.end(), [](const auto& d) { return d && d->FIsBlob; });
  return FHasBlobFields;
}

bool TData::CheckHasComplexFields() {
  FHasComplexFields = std::any_of(FFields.begin(), FFields.end(), [](const auto& d) { return d && d->FIsComplex; });
  return FHasComplexFields;
}

void TData::InitRecordSize() {
  Int64 dataSize = 0;
  for (const auto& d : FFields) {
    if (d->FFieldDescKind == fdkCalculated || d->FHasParent) continue;
    if (d->FDataType == dtWideString && (dataSize & 1) != 0) ++dataSize;
    d->FOffset = CheckedLayoutSize(dataSize);
    dataSize += std::max<Integer>(d->FSize, 0);
    CheckedLayoutSize(dataSize);
  }
  FDataSize = static_cast<Integer>(dataSize);
  Int64 recordSize = dataSize + GetIndicatorSize();
  recordSize += recordSize & 1;
  FRecordSize = CheckedLayoutSize(recordSize);
}

void TData::InitCalcDataSize() {
  Int64 calcSize = 0;
  Integer calcCount = 0;
  for (const auto& d : FFields) {
    if (d->FFieldDescKind != fdkCalculated) continue;
    Int64 offset = FRecordSize + calcSize;
    if (d->FDataType == dtWideString && (offset & 1) != 0) {
      ++calcSize;
      ++offset;
    }
    d->FOffset = CheckedLayoutSize(offset);
    d->FActualFieldNo = ++calcCount;
    calcSize += std::max<Integer>(d->FSize, 0);
    CheckedLayoutSize(FRecordSize + calcSize);
  }
  FCalcDataSize = static_cast<Integer>(calcSize);
  if (calcCount == 0) {
    FCalcRecordSize = 0;
  } else {
    Int64 size = calcCount + calcSize;
    size += size & 1;
    FCalcRecordSize = CheckedLayoutSize(FRecordSize + size) - FRecordSize;
  }
}

String TData::GetArrayFieldName(TObjectType*, Integer itemIndex) { return u"[" + IntToStr(itemIndex) + u"]"; }

Byte* TData::NullIndicator(const TFieldDesc* field, TRecBuf recBuf) const {
  if (field->FFieldDescKind == fdkCalculated) {
    return recBuf + FRecordSize + FCalcDataSize + field->FActualFieldNo - 1;
  }
  return recBuf + FDataSize + field->FFieldNo - 1;
}

bool TData::GetNull(TFieldDesc* field, TRecBuf recBuf) {
  if (field->FHasParent) return GetChildFieldIsNull(field, recBuf);
  if (*NullIndicator(field, recBuf) != 1) return false;
  // A blob that received data through its own object is never null.
  return GetNullByBlob(field, recBuf);
}

void TData::SetNull(TFieldDesc* field, TRecBuf recBuf, bool value) {
  if (field->FHasParent) {
    PutChildField(field, recBuf, nullptr);
    return;
  }
  *NullIndicator(field, recBuf) = value ? 1 : 0;
  if (value && field->FIsBlob && field->FFieldDescKind != fdkCalculated) {
    // A null blob field keeps its object but no contents.
    auto* blob = static_cast<TBlob*>(InternalGetObject(field, recBuf));
    if (blob != nullptr) blob->Clear();
  }
}

void TData::GetDateFromBuf(const void* buf, void* date, bool, TDateFormat format) {
  double value;
  std::memcpy(&value, buf, sizeof value);
  switch (format) {
    case dfMSecs: {
      // Milliseconds since 1 January 0001, counted as the platform does:
      // whole days plus the rounded milliseconds of the day's fraction.
      double days = value < 0 ? -std::floor(-value) : std::floor(value);
      double frac = std::abs(value - days);
      double ms = (days + DateDelta) * static_cast<double>(MSecsPerDay) + std::round(frac * MSecsPerDay);
      std::memcpy(date, &ms, sizeof ms);
      break;
    }
    case dfDateTime:
      std::memcpy(date, &value, sizeof value);
      break;
    case dfTime: {
      double days = value < 0 ? -std::floor(-value) : std::floor(value);
      Integer ms = static_cast<Integer>(std::round(std::abs(value - days) * MSecsPerDay));
      std::memcpy(date, &ms, sizeof ms);
      break;
    }
    case dfDate: {
      double days = value < 0 ? -std::floor(-value) : std::floor(value);
      Integer day = static_cast<Integer>(days) + DateDelta;
      std::memcpy(date, &day, sizeof day);
      break;
    }
  }
}

void TData::SetToBegin() {
  FBOF = true;
  FEOF = false;
}

void TData::SetToEnd() {
  FEOF = true;
  FBOF = false;
}

void TData::GetBookmark(TRecBookmark* bookmark) { bookmark->Order = GetRecordNo(); }

void TData::SetToBookmark(const TRecBookmark* bookmark) {
  if (bookmark != nullptr && bookmark->Order != -1) SetRecordNo(bookmark->Order);
}

bool TData::BookmarkValid(const TRecBookmark* bookmark) { return bookmark != nullptr && bookmark->Order != -1; }

int TData::CompareBookmarks(const TRecBookmark* b1, const TRecBookmark* b2) {
  if (b1 == nullptr && b2 == nullptr) return 0;
  if (b1 == nullptr) return 1;
  if (b2 == nullptr) return -1;
  return b1->Order < b2->Order ? -1 : (b1->Order > b2->Order ? 1 : 0);
}

void TData::GetRecord(TRecBuf) { AbstractError(); }
void TData::GetNextRecord(TRecBuf) { AbstractError(); }
void TData::GetPriorRecord(TRecBuf) { AbstractError(); }
void TData::PutRecord(TRecBuf) { AbstractError(); }
void TData::AppendRecord(TRecBuf) { AbstractError(); }
void TData::InsertRecord(TRecBuf) { AbstractError(); }
void TData::UpdateRecord(TRecBuf) { AbstractError(); }
void TData::DeleteRecord() { AbstractError(); }

TRecBuf TData::AllocRecBuf() const {
  // Room for the calculated area too: InitRecord and SetNull of a calculated
  // field write its null flag there.
  const Integer size = FRecordSize + FCalcRecordSize;
  auto* buf = static_cast<TRecBuf>(std::malloc(static_cast<size_t>(std::max<Integer>(size, 1))));
  if (buf == nullptr) throw EOutOfMemory(RtlMessages::SOutOfMemory);
  return buf;
}

void TData::FreeRecBuf(TRecBuf recBuf) { std::free(recBuf); }

void TData::InitRecord(TRecBuf recBuf) {
  if (FHasComplexFields) std::memset(recBuf, 0, static_cast<size_t>(FRecordSize));
  for (const auto& d : FFields) SetNull(d.get(), recBuf, true);
}

void TData::AppendBlankRecord() {
  TRecBuf buf = AllocRecBuf();
  try {
    InitRecord(buf);
    AppendRecord(buf);
  } catch (...) {
    FreeRecBuf(buf);
    throw;
  }
  FreeRecBuf(buf);
}

void TData::EditRecord(TRecBuf recBuf) {
  CheckFetched(recBuf, nullptr);
  TRecBuf temp = AllocRecBuf();
  try {
    GetRecord(temp);
    CreateComplexFields(temp, false);
    CopyComplexFields(recBuf, temp, false);
    PutRecord(temp);
  } catch (...) {
    FreeRecBuf(temp);
    throw;
  }
  FreeRecBuf(temp);
}

void TData::PostRecord(TRecBuf recBuf) {
  FFilterUseRollBack = true;
  TRecBuf temp = AllocRecBuf();
  try {
    GetRecord(temp);
    UpdateRecord(recBuf);
    if (FHasBlobFields) {
      for (const auto& d : FFields) {
        if (!d->FIsBlob || d->FHasParent || d->FFieldDescKind == fdkCalculated) continue;
        if (auto* blob = static_cast<TBlob*>(InternalGetObject(d.get(), recBuf))) blob->Commit();
      }
    }
    FreeComplexFields(temp, false);
  } catch (...) {
    FFilterUseRollBack = false;
    FreeRecBuf(temp);
    throw;
  }
  FFilterUseRollBack = false;
  FreeRecBuf(temp);
}

void TData::CancelRecord(TRecBuf recBuf) {
  if (FHasBlobFields) {
    for (const auto& d : FFields) {
      if (!d->FIsBlob || d->FHasParent || d->FFieldDescKind == fdkCalculated) continue;
      if (auto* blob = static_cast<TBlob*>(InternalGetObject(d.get(), recBuf))) blob->Cancel();
    }
  }
  FreeComplexFields(recBuf, false);
}

void* TData::GetSlotRef(const Byte* slot) {
  void* ref;
  std::memcpy(&ref, slot, sizeof ref);
  return ref;
}

void TData::SetSlotRef(Byte* slot, const void* ref) { std::memcpy(slot, &ref, sizeof ref); }

namespace {
// The descriptors the plural complex-value operations visit.
bool VisitsComplex(const TFieldDesc* d, bool withBlob) {
  return d->FIsComplex && (withBlob || !d->FIsBlob) && !d->FHasParent && d->FFieldDescKind != fdkCalculated;
}
}  // namespace

void TData::CreateComplexFields(TRecBuf recBuf, bool withBlob) {
  if (!FHasComplexFields) return;
  for (const auto& d : FFields) {
    if (VisitsComplex(d.get(), withBlob)) CreateComplexField(recBuf, d.get());
  }
}

void TData::CreateComplexField(TRecBuf recBuf, TFieldDesc* field) {
  Byte* slot = recBuf + field->FOffset;
  switch (field->FDataType) {
    case dtExtString: case dtExtWideString: case dtExtVarBytes:
      SetSlotRef(slot, nullptr);
      break;
    case dtBlob: case dtMemo: case dtWideMemo: {
      auto* blob = new TCompressedBlob(field->FDataType == dtWideMemo);
      blob->EnableRollback();
      SetSlotRef(slot, static_cast<TSharedObject*>(blob));
      break;
    }
    case dtVariant:
      SetSlotRef(slot, static_cast<TSharedObject*>(new TVariantObject()));
      break;
    default:
      break;
  }
}

void TData::PutLoadedBlob(TFieldDesc* field, TRecBuf recBuf, const void* source, Int64 count) {
  Assert(field->FIsBlob, u"MemData");
  Byte* slot = recBuf + field->FOffset;
  if (auto* blob = static_cast<TBlob*>(static_cast<TSharedObject*>(GetSlotRef(slot)))) {
    blob->GetData()->Write(0, count, source);
  } else {
    auto* held = TBlob::CreateHolding<TCompressedBlob>(field->FDataType == dtWideMemo, source, count);
    held->EnableRollback();
    SetSlotRef(slot, static_cast<TSharedObject*>(held));
  }
  SetNull(field, recBuf, false);
}

void TData::CreateMissingBlobs(TRecBuf recBuf) {
  if (!FHasBlobFields) return;
  for (const auto& d : FFields) {
    if (d->FIsBlob && VisitsComplex(d.get(), true) && GetSlotRef(recBuf + d->FOffset) == nullptr) {
      // The null blob of CreateComplexField, in the few bytes of a held one.
      auto* blob = TBlob::CreateNull<TCompressedBlob>(d->FDataType == dtWideMemo);
      blob->EnableRollback();
      SetSlotRef(recBuf + d->FOffset, static_cast<TSharedObject*>(blob));
    }
  }
}

void TData::AddRefComplexFields(TRecBuf recBuf, bool createBlob) {
  if (!FHasComplexFields) return;
  for (const auto& d : FFields) {
    if (!d->FIsComplex || d->FHasParent || d->FFieldDescKind == fdkCalculated) continue;
    Byte* slot = recBuf + d->FOffset;
    void* ref = GetSlotRef(slot);
    if (IsHeapType(d->FDataType)) {
      if (ref != nullptr) FStringHeap->AddRef(ref);
    } else if (ref == nullptr) {
      if (createBlob) CreateComplexField(recBuf, d.get());
    } else {
      static_cast<TSharedObject*>(ref)->AddRef();
    }
  }
}

void TData::FreeComplexFields(TRecBuf recBuf, bool withBlob) {
  if (!FHasComplexFields) return;
  for (const auto& d : FFields) {
    if (VisitsComplex(d.get(), withBlob)) FreeComplexField(recBuf, d.get());
  }
}

void TData::FreeComplexField(TRecBuf recBuf, TFieldDesc* field) {
  Byte* slot = recBuf + field->FOffset;
  void* ref = GetSlotRef(slot);
  if (ref == nullptr) return;
  if (IsHeapType(field->FDataType)) {
    // A heap cleared as a whole has already taken its buffers back.
    if (FStringHeap->Empty()) return;
    bool last = FStringHeap->RefCount(ref) == 1;
    FStringHeap->DisposeBuf(ref);
    if (last) SetSlotRef(slot, nullptr);
  } else if (field->FIsBlob || field->FDataType == dtVariant) {
    auto* obj = static_cast<TSharedObject*>(ref);
    bool last = obj->RefCount() == 1;
    obj->Release();
    if (last) SetSlotRef(slot, nullptr);
  }
}

void TData::CopyComplexFields(TRecBuf source, TRecBuf dest, bool withBlob) {
  if (!FHasComplexFields) return;
  for (const auto& d : FFields) {
    if (VisitsComplex(d.get(), withBlob)) CopyComplexField(source, dest, d.get());
  }
}

void TData::CopyComplexField(TRecBuf source, TRecBuf dest, TFieldDesc* field) {
  const Byte* src = source + field->FOffset;
  Byte* dst = dest + field->FOffset;
  void* ref = GetSlotRef(src);
  switch (field->FDataType) {
    case dtExtString:
      SetSlotRef(dst, ref ? FStringHeap->AllocStr(static_cast<const char*>(ref), false, -1) : nullptr);
      break;
    case dtExtWideString:
      SetSlotRef(dst, ref ? FStringHeap->AllocWideStr(static_cast<const char16_t*>(ref), false, -1) : nullptr);
      break;
    case dtExtVarBytes: {
      if (ref == nullptr) {
        SetSlotRef(dst, nullptr);
        break;
      }
      Word len;
      std::memcpy(&len, ref, sizeof len);
      void* copy = FStringHeap->NewBuf(len + 2);
      std::memcpy(copy, ref, static_cast<size_t>(len) + 2);
      SetSlotRef(dst, copy);
      break;
    }
    case dtVariant: {
      auto* from = static_cast<TVariantObject*>(static_cast<TSharedObject*>(ref));
      auto* to = static_cast<TVariantObject*>(static_cast<TSharedObject*>(GetSlotRef(dst)));
      Assert(to != nullptr, u"MemData");
      to->SetValue(from ? from->Value() : Variant());
      break;
    }
    default:
      break;
  }
}

TSharedObject* TData::InternalGetObject(TFieldDesc* field, TRecBuf recBuf) const {
  return static_cast<TSharedObject*>(GetSlotRef(recBuf + field->FOffset));
}

TBlob* TData::GetObject(TFieldDesc* field, TRecBuf recBuf) {
  if (!field->FIsBlob) throw Exception(u"Field is not BLOB");
  TSharedObject* obj = InternalGetObject(field, recBuf);
  if (obj == nullptr) {
    AssertionFailed(u"MemData", u"Object for field " + field->FName + u" (" + IntToStr(field->FFieldNo - 1) + u") = nil");
  }
  return static_cast<TBlob*>(obj);
}

void TData::SetObject(TFieldDesc* field, TRecBuf recBuf, TSharedObject* obj) {
  if (!field->FIsBlob) throw Exception(u"Field is not BLOB");
  SetSlotRef(recBuf + field->FOffset, obj);
}
