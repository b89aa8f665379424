// TMemDataSet: binding, preparing, opening and closing, the record buffers,
// navigation and bookmarks, field values and the edit cycle.
#include "table/MemDataSet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/db/DBConsts.h"
#include "platform/db/ValueBuffer.h"
#include "platform/rtl/Bcd.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Extended.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"
#include "table/Blob.h"
#include "table/BlobStream.h"
#include "table/DataSetService.h"
#include "table/FieldTypeMap.h"
#include "table/MemData.h"

bool DefaultExpressionOldBehavior = true;

namespace {

constexpr char16_t Unit[] = u"ZizOD";
constexpr char16_t SDataSetNotPrepared[] = u"DataSet is not prepared";

bool IsEditState(TDataSetState state) { return state == dsEdit || state == dsInsert; }

bool IsWriteState(TDataSetState state) {
  switch (state) {
    case dsEdit: case dsInsert: case dsSetKey: case dsCalcFields: case dsFilter: case dsNewValue:
    case dsInternalCalc: return true;
    default: return false;
  }
}

bool IsCalcKind(TFieldKind kind) { return kind == fkCalculated || kind == fkLookup; }

// A text in single quotes without them, doubled quotes inside made one; any
// other text as it is.
String DequotedExpression(const String& text) {
  if (text.size() < 2 || text.front() != u'\'' ) return text;
  String result;
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] != u'\'') {
      result.push_back(text[i]);
    } else if (i + 1 < text.size() && text[i + 1] == u'\'') {
      result.push_back(u'\'');
      ++i;
    } else {
      return result;
    }
  }
  return result;
}

// Bytes GetField writes for a descriptor: strings and byte strings up to
// their length and a terminator, the rest their slot.
Integer ValueSizeOf(const TFieldDesc* desc, TRecBuf record) {
  switch (desc->FDataType) {
    case dtString: case dtExtString: return desc->FLength + 1;
    case dtWideString: case dtExtWideString: return (desc->FLength + 1) * 2;
    case dtExtVarBytes: {
      const void* heap = TData::GetSlotRef(record + desc->FOffset);
      if (heap == nullptr) return 2;
      Word n;
      std::memcpy(&n, heap, sizeof n);
      return n + 2;
    }
    default: return desc->FSize;
  }
}

// A value cut to a smaller field stays terminated as its type requires.
void TerminateCut(const TField* field, Byte* buffer) {
  Integer size = field->DataSize();
  if (field->DataType() == ftWideString || field->DataType() == ftFixedWideChar) {
    if (size >= 2) buffer[size - 1] = buffer[size - 2] = 0;
  } else if (field->DataType() == ftString || field->DataType() == ftFixedChar || field->DataType() == ftGuid) {
    if (size >= 1) buffer[size - 1] = 0;
  }
}

}  // namespace

TMemDataSet::TMemDataSet(TComponent* owner) : TDataSet(owner) {}

TMemDataSet::~TMemDataSet() {
  FDestroyingDataSet = true;
  // No master event may reach a dataset that is half gone.
  FDataLink.SetDataSource(nullptr);
  try {
    Close();
  } catch (...) {
  }
  try {
    UnPrepare();
  } catch (...) {
  }
  FreeDeferredPostBuf();
  FData.reset();
  SetIRecordSet(nullptr);
  delete FDataSetService;
  FDataSetService = nullptr;
}

// ---------------------------------------------------------------------------
// Binding

void TMemDataSet::CreateIRecordSet() { SetIRecordSet(new TMemData()); }

void TMemDataSet::SetIRecordSet(TData* value) {
  if (value != FData.get()) FData.reset(value);
  FStore = dynamic_cast<TMemData*>(value);
  FCalcFieldsMapping.clear();
  if (value == nullptr) return;
  value->FCachedUpdates = FCachedUpdates;
  value->FLocalUpdate = FLocalUpdate;
  if (FStore != nullptr) FStore->SetIndexFieldNames(FIndexFieldNames);
  InstallCalcFieldHooks();
  InstallMDFilter();
  InstallUpdateHooks();
}

void TMemDataSet::InstallCalcFieldHooks() {
  if (FData == nullptr) return;
  if (FCreateCalcFieldDescs) {
    FData->FOnGetCachedFields = [this] { CreateCalcFieldDescs(); };
    FData->FOnGetCachedBuffer = [this](TRecBuf buffer, TRecBuf source) {
      if (source != nullptr) std::memcpy(buffer, source, static_cast<size_t>(FData->RecordSize()));
      GetCalcFields(buffer);
    };
  } else {
    FData->FOnGetCachedFields = nullptr;
    FData->FOnGetCachedBuffer = nullptr;
  }
}

void TMemDataSet::SetCreateCalcFieldDescs(bool value) {
  CheckInactive();
  FCreateCalcFieldDescs = value;
  InstallCalcFieldHooks();
}

void TMemDataSet::SetIndexFieldNames(const String& value) {
  if (value == FIndexFieldNames) return;
  bool active = Active();
  if (active) {
    CheckBrowseMode();
    UpdateCursorPos();
  }
  if (FStore != nullptr) {
    // A range is over the old index fields: it goes with them.
    bool ranged = FRanged;
    ResetRange();
    if (ranged) FStore->FilterUpdated();
    // The store parses the text first, so a faulty one leaves the old order.
    FStore->SetIndexFieldNames(value);
  }
  FIndexFieldNames = value;
  if (active) Resync();
}

TDataSetServiceClass TMemDataSet::GetDataSetServiceClass() { return &NewDataSetService<TDataSetService>; }

void TMemDataSet::SetDataSetService(TDataSetService* value) {
  if (value == FDataSetService) return;
  delete FDataSetService;
  FDataSetService = value;
}

TDataSetService* TMemDataSet::DataSetService() {
  TDataSetServiceClass serviceClass = GetDataSetServiceClass();
  if (FDataSetService == nullptr || FDataSetServiceClass != serviceClass) {
    SetDataSetService(nullptr);
    SetDataSetService(serviceClass(this));
    FDataSetServiceClass = serviceClass;
  }
  return FDataSetService;
}

void TMemDataSet::DataReopen() {
  Assert(FData != nullptr, Unit);
  FData->Reopen();
}

// ---------------------------------------------------------------------------
// Preparing, opening, closing

void TMemDataSet::Prepare() {
  if (Prepared() || FData == nullptr) return;
  if (FieldCount() == 0) SetDefaultFields(true);
  FData->Prepare();
  if (FDataSetService != nullptr) FDataSetService->PreInitCursor();
  CreateFieldDefs();
}

void TMemDataSet::UnPrepare() {
  if (Active()) Close();
  if (FData != nullptr) FData->UnPrepare();
  if (!FDestroyingDataSet) FieldDefs().SetUpdated(false);
}

void TMemDataSet::CheckPrepared() const {
  if (!Prepared()) DatabaseError(SDataSetNotPrepared);
}

void TMemDataSet::OpenCursor(bool infoQuery) {
  TDataSet::OpenCursor(infoQuery);
  if (infoQuery) return;
  // Old values and range bounds get their buffers once per open.
  for (TRecordBuffer* buffer : {&FOldRecBuf, &FRangeStartBuffer, &FRangeEndBuffer}) {
    FreeBuffer(*buffer);
    *buffer = AllocRecordBuffer();
  }
}

void TMemDataSet::InternalOpen() {
  Assert(FData != nullptr, Unit);
  FData->Open();
  if (FDataSetService != nullptr) FDataSetService->PreInitCursor();
  CreateFieldDefs();
  if (DefaultFields()) {
    CreateFields();
  } else {
    for (int i = 0; i < FieldDefs().Count(); ++i) {
      TFieldDef* def = FieldDefs()[i];
      if (def->DataType() != ftString) continue;
      TField* field = FindField(def->Name());
      if (field == nullptr || field->FieldKind() != fkData) continue;
      CheckFieldCompatibility(field, def);
      field->SetSize(def->Size());
    }
  }
  if (FNumberRange) {
    // The switch asks for ranges: the service is made for them if need be.
    for (int i = 0; i < FieldDefs().Count(); ++i) DataSetService()->SetNumberRange(FieldDefs()[i]);
  }
  BindFields(true);
  FBlobFields.clear();
  for (TField* field : Fields()) {
    if (auto* blobField = dynamic_cast<TBlobField*>(field)) FBlobFields.push_back(blobField);
  }
  TMemData* store = FStore;
  if (store != nullptr && store->Fields().Count() > 0 &&
      store->Fields()[store->Fields().Count() - 1]->FFieldDescKind == fdkCached) {
    store->UpdateCachedBuffer();
  }

  Integer calcArea = 0;
  if (!FCreateCalcFieldDescs) calcArea = CalcFieldsSize();
  else if (!FCacheCalcFields) calcArea = FData->CalcRecordSize();
  FRecInfoOfs = FData->RecordSize() + calcArea;
  FBookmarkOfs = FRecInfoOfs + static_cast<Integer>(sizeof(TRecInfo));
  FRecBufSize = FBookmarkOfs + BookmarkSize;

  if (store != nullptr && !store->IndexFields().empty()) store->SortItems();
  bool filtersChanged = false;
  if (Filtered()) {
    ActivateFilters();
    filtersChanged = true;
  }
  if (UseLocalMasterDetailFilter()) {
    MDLinksRefreshed();
    filtersChanged = true;
  }
  if (filtersChanged || FCachedUpdates) FData->FilterUpdated();
}

void TMemDataSet::CloseCursor() {
  TScopeExit finish([this] {
    FreeBuffer(FOldRecBuf);
    FreeBuffer(FRangeStartBuffer);
    FreeBuffer(FRangeEndBuffer);
    FRangeCurrentBuffer = nullptr;
    FRanged = false;
  });
  if (FData != nullptr) {
    FData->FFilterRangeFunc = nullptr;
    FLocalMDLinks.clear();
    if (FDetailRefreshTimer != nullptr) FDetailRefreshTimer->SetEnabled(false);
    if (FData->HasComplexFields() && (FInInserting || FInEditing) && ActiveBuffer() != nullptr) {
      FreeRefComplexFields(ActiveBuffer());
      FData->FreeComplexFields(ActiveBuffer(), FInInserting);
      FInInserting = FInEditing = false;
    }
  }
  TDataSet::CloseCursor();
}

void TMemDataSet::InternalClose() {
  BindFields(false);
  FBlobFields.clear();
  if (DefaultFields()) DestroyFields();
  FreeDeferredPostBuf();
  if (FData != nullptr) FData->Close();
}

bool TMemDataSet::IsCursorOpen() const { return FData != nullptr && FData->Active(); }

void TMemDataSet::InternalRefresh() {
  for (TRecordBuffer buffer : {ActiveBuffer(), FRowBuffer}) {
    if (buffer != nullptr) FreeRefComplexFields(buffer);
  }
  // The store sorts again after it reopens.
  DataReopen();
}

void TMemDataSet::Resync() {
  // A closed dataset has no buffer to read into.
  CheckActive();
  TRestoreValue resync(FIsResync, true);
  TDataSet::Resync();
}

// ---------------------------------------------------------------------------
// Record buffers

TRecInfo& TMemDataSet::Info(TRecordBuffer buffer) const {
  return *reinterpret_cast<TRecInfo*>(buffer + FRecInfoOfs);
}

const TRecInfo& TMemDataSet::RecInfo(TRecordBuffer buffer) const { return Info(buffer); }

TRecordBuffer TMemDataSet::AllocRecordBuffer() {
  // Zeroed, so that no byte of a buffer is ever read before it is written.
  auto* buffer = static_cast<TRecordBuffer>(std::calloc(1, static_cast<size_t>(std::max<Integer>(FRecBufSize, 1))));
  if (buffer == nullptr) throw EOutOfMemory(RtlMessages::SOutOfMemory);
  return buffer;
}

void TMemDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  if (buffer != nullptr) FreeRefComplexFields(buffer);
  std::free(buffer);
  buffer = nullptr;
}

void TMemDataSet::FreeBuffer(TRecordBuffer& buffer) {
  if (buffer != nullptr) FreeRecordBuffer(buffer);
}

void TMemDataSet::FreeRefComplexFields(TRecordBuffer buffer, bool withBlob) {
  if (!FNeedAddRef || FData == nullptr || FRecInfoOfs == 0) return;
  TRecInfo& info = Info(buffer);
  if (info.RefComplexFields == 0) return;
  FData->ReleaseRef(buffer, FIsResync, withBlob);
  info.RefComplexFields = 0;
}

void TMemDataSet::FillRecInfo(TRecordBuffer buffer) {
  TRecInfo& info = Info(buffer);
  info.RecordNumber = FData->GetRecordNo();
  info.UpdateStatus = FStore != nullptr && FStore->GetCurrentItem() != nullptr
                          ? static_cast<Byte>(FStore->GetCurrentItem()->Status)
                          : static_cast<Byte>(usUnmodified);
  info.BookmarkFlag = bfCurrent;
  if (FNeedAddRef) {
    FData->AddRef(buffer);
    info.RefComplexFields = 1;
  }
  TRecBookmark bookmark;
  FData->GetBookmark(&bookmark);
  std::memcpy(buffer + FBookmarkOfs, &bookmark, sizeof bookmark);
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool) {
  FreeRefComplexFields(buffer);
  switch (mode) {
    case gmCurrent: FData->GetRecord(buffer); break;
    case gmNext: FData->GetNextRecord(buffer); break;
    case gmPrior: FData->GetPriorRecord(buffer); break;
  }
  if (FData->GetBOF()) return grBOF;
  if (FData->GetEOF()) return grEOF;
  FillRecInfo(buffer);
  if (!FCacheCalcFields) GetCalcFields(buffer);
  return grOK;
}

bool TMemDataSet::GetRecordAt(Integer recNo, TRecordBuffer buffer) {
  CursorPosChanged();
  if (recNo < 1 || recNo > GetRecordCount()) return false;
  FData->SetRecordNo(recNo);
  if (FData->GetRecordNo() != recNo) return false;
  FreeRefComplexFields(buffer);
  FData->GetRecord(buffer);
  FillRecInfo(buffer);
  return true;
}

Integer TMemDataSet::GetRecordSize() { return FData != nullptr ? FData->RecordSize() : 0; }

// ---------------------------------------------------------------------------
// Navigation and bookmarks

void TMemDataSet::InternalFirst() { FData->SetToBegin(); }

void TMemDataSet::InternalLast() { FData->SetToEnd(); }

void TMemDataSet::GetBookmarkData(TRecordBuffer buffer, TBookmark& data) {
  data.assign(buffer + FBookmarkOfs, buffer + FBookmarkOfs + BookmarkSize);
}

void TMemDataSet::SetBookmarkData(TRecordBuffer buffer, const TBookmark& data) {
  std::memcpy(buffer + FBookmarkOfs, data.data(), std::min<size_t>(data.size(), BookmarkSize));
}

TBookmarkFlag TMemDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(Info(buffer).BookmarkFlag);
}

void TMemDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) { Info(buffer).BookmarkFlag = flag; }

namespace {
// A bookmark's bytes as the store's bookmark; false for bytes of another size.
bool ToRecBookmark(const TBookmark& data, TRecBookmark& bookmark) {
  if (data.size() != sizeof(TRecBookmark)) return false;
  std::memcpy(&bookmark, data.data(), sizeof bookmark);
  return true;
}
}  // namespace

void TMemDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
  TRecBookmark b;
  if (ToRecBookmark(bookmark, b)) FData->SetToBookmark(&b);
}

void TMemDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  TRecBookmark b;
  std::memcpy(&b, buffer + FBookmarkOfs, sizeof b);
  FData->SetToBookmark(&b);
  if (FData->NeedGetRecordAfterGotoBookmark() && GetBookmarkFlag(buffer) != bfInserted) FData->GetRecord(buffer);
}

bool TMemDataSet::BookmarkValid(const TBookmark& bookmark) {
  TRecBookmark b;
  return FData != nullptr && Active() && ToRecBookmark(bookmark, b) && FData->BookmarkValid(&b);
}

int TMemDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  TRecBookmark ba, bb;
  if (FData == nullptr || !ToRecBookmark(a, ba) || !ToRecBookmark(b, bb)) return 0;
  return FData->CompareBookmarks(&ba, &bb);
}

Integer TMemDataSet::GetRecordCount() { return FData != nullptr && FData->Active() ? FData->GetRecordCount() : 0; }

Integer TMemDataSet::GetRecNo() {
  TRecordBuffer buffer = GetActiveRecBuf();
  return buffer != nullptr ? Info(buffer).RecordNumber : 0;
}

void TMemDataSet::SetRecNo(Integer value) {
  CheckBrowseMode();
  DoBeforeScroll();
  FData->SetRecordNo(value);
  Resync();
  DoAfterScroll();
}

TUpdateStatus TMemDataSet::UpdateStatus() {
  TRecordBuffer buffer = GetActiveRecBuf();
  return buffer != nullptr ? static_cast<TUpdateStatus>(Info(buffer).UpdateStatus) : usUnmodified;
}

// ---------------------------------------------------------------------------
// Field values

TRecordBuffer TMemDataSet::GetActiveRecBuf() {
  if (ReadingRow()) return TDataSet::GetActiveRecBuf();
  bool inCache = FData != nullptr && FData->FInCacheProcessing;
  switch (State()) {
    case dsBrowse:
      return inCache ? FNewCacheRecBuf : TDataSet::GetActiveRecBuf();
    case dsEdit: case dsInsert: case dsBlockRead: case dsCalcFields: case dsInternalCalc:
      return TDataSet::GetActiveRecBuf();
    case dsSetKey: return FRangeCurrentBuffer;
    case dsFilter: return FFilterBuffer;
    case dsNewValue: return inCache ? FNewCacheRecBuf : ActiveBuffer();
    case dsOldValue:
      if (FInDeferredPost) return FOldDeferredPostBuf;
      if (inCache) return FOldCacheRecBuf;
      if (FOldRecBuf == nullptr || IsEmpty()) return nullptr;
      // A new record's old values were set to null when it was made.
      if (!FInInserting) {
        UpdateCursorPos();
        GetOldRecord(FOldRecBuf);
      }
      return FOldRecBuf;
    default: return nullptr;
  }
}

void TMemDataSet::GetOldRecord(TRecBuf buffer) {
  if (FInInserting || GetBookmarkFlag(ActiveBuffer()) != bfCurrent) {
    FData->InitRecord(buffer);
    return;
  }
  FData->GetOldRecord(buffer);
}

TFieldDesc* TMemDataSet::CalcFieldDesc(const TField* field) {
  for (const TCalcFieldDescMapping& m : FCalcFieldsMapping) {
    if (m.Field == field) return m.FieldDesc;
  }
  return GetFieldDesc(field);
}

bool TMemDataSet::ReadDescValue(TFieldDesc* desc, TRecordBuffer record, TField* field, void* buffer) {
  if (desc == nullptr) return false;
  if (buffer == nullptr || field->IsBlob()) return !FData->GetNull(desc, record);
  bool isBlank = true;
  if (desc->FDataType == dtExtended) {
    Extended80 value;
    FData->GetField(desc, record, &value, false, isBlank);
    if (!isBlank) {
      double d = ExtendedToDouble(value);
      std::memcpy(buffer, &d, sizeof d);
    }
    return !isBlank;
  }
  Integer size = ValueSizeOf(desc, record);
  if (size <= field->DataSize() || desc->FDataType == dtVariant) {
    FData->GetField(desc, record, buffer, false, isBlank);
    return !isBlank;
  }
  // A persistent field smaller than its descriptor takes what fits.
  TValueBuffer value(size);
  FData->GetField(desc, record, value.Data(), false, isBlank);
  if (!isBlank) {
    std::memcpy(buffer, value.Data(), static_cast<size_t>(field->DataSize()));
    TerminateCut(field, static_cast<Byte*>(buffer));
  }
  return !isBlank;
}

void TMemDataSet::WriteDescValue(TFieldDesc* desc, TRecordBuffer record, TField*, const void* buffer) {
  if (buffer != nullptr && desc->FDataType == dtExtended) {
    double d;
    std::memcpy(&d, buffer, sizeof d);
    Extended80 value = DoubleToExtended(d);
    FData->PutField(desc, record, &value);
    return;
  }
  FData->PutField(desc, record, buffer);
}

bool TMemDataSet::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer record = GetActiveRecBuf();
  if (record == nullptr) return false;
  if (field->FieldNo() > 0) {
    TFieldDesc* desc = field->FieldNo() <= FData->Fields().Count() ? FData->Fields()[field->FieldNo() - 1] : nullptr;
    return ReadDescValue(desc, record, field, buffer);
  }
  if (!IsCalcKind(field->FieldKind()) && field->FieldKind() != fkInternalCalc) return false;
  switch (ReadingRow() ? dsBrowse : State()) {
    case dsBrowse: case dsEdit: case dsInsert: case dsCalcFields: case dsFilter: case dsBlockRead: break;
    default: return false;
  }
  if (!FCreateCalcFieldDescs) return TDataSet::GetFieldData(field, buffer);
  return ReadDescValue(CalcFieldDesc(field), record, field, buffer);
}

bool TMemDataSet::GetFieldData(TField* field, void* buffer, bool nativeFormat) {
  if (field->DataType() == ftWideString && buffer != nullptr) nativeFormat = true;
  return TDataSet::GetFieldData(field, buffer, nativeFormat);
}

bool TMemDataSet::GetFieldData(Integer fieldNo, void* buffer) {
  TRecordBuffer record = GetActiveRecBuf();
  TField* field = Fields().FieldByNumber(fieldNo);
  if (record == nullptr || field == nullptr) return false;
  if (!ReadDescValue(GetFieldDesc(fieldNo), record, field, buffer)) return false;
  if (buffer != nullptr &&
      (field->DataType() == ftSmallint || field->DataType() == ftWord || field->DataType() == ftBCD)) {
    InternalDataConvert(field, buffer, buffer, true);
  }
  return true;
}

void TMemDataSet::SetFieldData(TField* field, const void* buffer) {
  if (!IsWriteState(State()) || ReadingRow()) DatabaseError(DBMessages::SNotEditing);
  TRecordBuffer record = GetActiveRecBuf();
  if (record == nullptr) DatabaseError(DBMessages::SNotEditing);
  if (field->FieldNo() < 1) {
    if (!FCreateCalcFieldDescs) {
      TDataSet::SetFieldData(field, buffer);
      return;
    }
    TFieldDesc* desc = CalcFieldDesc(field);
    if (desc == nullptr) DatabaseErrorFmt(DBMessages::SFieldReadOnly, {field->DisplayName()});
    field->Validate(buffer);
    WriteDescValue(desc, record, field, buffer);
  } else {
    if (State() == dsCalcFields) DatabaseError(DBMessages::SNotEditing);
    if (field->ReadOnly() && State() != dsSetKey && State() != dsFilter && !FInSettingDefaultExpressionValues) {
      DatabaseErrorFmt(DBMessages::SFieldReadOnly, {field->DisplayName()});
    }
    field->Validate(buffer);
    if (field->FieldKind() != fkInternalCalc) {
      WriteDescValue(FData->Fields()[field->FieldNo() - 1], record, field, buffer);
    }
  }
  if (State() != dsCalcFields && State() != dsFilter && State() != dsNewValue) {
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
  }
}

void TMemDataSet::SetFieldData(TField* field, const void* buffer, bool nativeFormat) {
  // The record keeps a BCD value as a currency, the form the field writes.
  if (field->DataType() == ftBCD) {
    SetFieldData(field, buffer);
    return;
  }
  TDataSet::SetFieldData(field, buffer, nativeFormat);
}

void TMemDataSet::DataConvert(TField* field, const void* source, void* dest, bool toNative) {
  if (!InternalDataConvert(field, source, dest, toNative)) TDataSet::DataConvert(field, source, dest, toNative);
}

bool TMemDataSet::InternalDataConvert(TField* field, const void* source, void* dest, bool toNative) {
  switch (field->DataType()) {
    case ftString: {
      const auto* s = static_cast<const char*>(source);
      size_t n = 0;
      while (n < static_cast<size_t>(field->Size()) && s[n] != 0) ++n;
      std::memmove(dest, s, n);
      static_cast<char*>(dest)[n] = 0;
      return true;
    }
    case ftWideString:
    case ftFixedWideChar: {
      const auto* s = static_cast<const Byte*>(source);
      size_t n = 0;
      for (; n < static_cast<size_t>(field->Size()); ++n) {
        if (s[2 * n] == 0 && s[2 * n + 1] == 0) break;
      }
      std::memmove(dest, s, 2 * n);
      static_cast<Byte*>(dest)[2 * n] = static_cast<Byte*>(dest)[2 * n + 1] = 0;
      return true;
    }
    case ftSmallint:
    case ftWord: {
      // A one-byte value carried in a two-byte field.
      TFieldDesc* desc = toNative && source != nullptr ? GetFieldDesc(field) : nullptr;
      if (desc != nullptr && desc->FSize == 1) static_cast<Byte*>(dest)[1] = 0;
      return true;
    }
    case ftBCD: {
      if (source == nullptr) return true;
      if (toNative) {
        Int64 scaled;
        std::memcpy(&scaled, source, sizeof scaled);
        TBcd bcd;
        CurrToBCD(Currency::FromScaled(scaled), bcd, 32, field->Size());
        std::memcpy(dest, &bcd, sizeof bcd);
      } else {
        std::memmove(dest, source, 8);
      }
      return true;
    }
    default: return false;
  }
}

Variant TMemDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  if ((FInInserting && state == dsOldValue) || state == dsInsert) return Variant::Null();
  return TDataSet::GetStateFieldValue(state, field);
}

void TMemDataSet::ClearCalcFields(TRecordBuffer buffer) {
  if (!FCreateCalcFieldDescs) {
    TDataSet::ClearCalcFields(buffer);
    return;
  }
  for (const auto& desc : FData->Fields()) {
    if (desc->FFieldDescKind != fdkData) FData->SetNull(desc.get(), buffer, true);
  }
}

void TMemDataSet::CreateCalcFieldDescs() {
  FCalcFieldsMapping.clear();
  const TFieldTypeMap& map = GetFieldTypeMapClass();
  for (TField* field : Fields()) {
    if (!IsCalcKind(field->FieldKind())) continue;
    TDataType dataType = map.GetDataType(field->DataType(), dtUnknown);
    if (dataType == dtUnknown) continue;
    TFieldDesc* desc = FData->CreateFieldDesc();
    desc->FName = field->FieldName();
    desc->FActualName = field->FieldName();
    desc->SetDataType(dataType);
    Integer length = dataType == dtString || dataType == dtWideString || dataType == dtBytes ||
                             dataType == dtVarBytes
                         ? field->Size()
                         : 0;
    desc->FLength = static_cast<Word>(length);
    desc->FSize = FData->GetBufferSize(dataType, length);
    desc->FFieldDescKind = fdkCalculated;
    FData->Fields().Add(desc);
    desc->FFieldNo = static_cast<Word>(FData->Fields().Count());
    FCalcFieldsMapping.push_back({desc, field});
  }
}

TBlob* TMemDataSet::GetBlob(StringView fieldName) {
  Assert(FData != nullptr, Unit);
  TFieldDesc* desc = FData->FieldByName(fieldName);
  TRecordBuffer record = GetActiveRecBuf();
  if (record == nullptr) return nullptr;
  if (!desc->FIsBlob) DatabaseError(u"Field is not BLOB");
  return FData->GetObject(desc, record);
}

TBlob* TMemDataSet::GetBlob(const TField* field) {
  if (field == nullptr || !Active()) return nullptr;
  TFieldDesc* desc = GetFieldDesc(field);
  if (desc == nullptr) return nullptr;
  TRecordBuffer record = GetActiveRecBuf();
  if (record == nullptr) return nullptr;
  if (!desc->FIsBlob) DatabaseError(u"Field is not BLOB");
  return FData->GetObject(desc, record);
}

std::unique_ptr<TStream> TMemDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  return std::make_unique<TBlobStream>(static_cast<TBlobField*>(field), mode);
}

void TMemDataSet::ReadBlobData(TField* field, std::string& bytes) {
  // What a read TBlobStream gives, without making one per value.
  bytes.clear();
  TFieldDesc* desc = GetFieldDesc(field);
  TRecordBuffer record = GetActiveRecBuf();
  if (desc == nullptr || record == nullptr) return;
  const bool fromRollback = State() == dsOldValue;
  const bool trueUnicode = dynamic_cast<TWideMemoField*>(field) != nullptr;
  const Int64 size = FData->GetBlobSize(desc, record, fromRollback, trueUnicode);
  if (size <= 0) return;
  bytes.resize(static_cast<size_t>(size));
  const Int64 read = FData->ReadBlob(desc, record, 0, size, bytes.data(), fromRollback, trueUnicode);
  bytes.resize(static_cast<size_t>(std::max<Int64>(read, 0)));
}

// ---------------------------------------------------------------------------
// Edit cycle

void TMemDataSet::InitRecord(TRecordBuffer buffer) {
  TDataSet::InitRecord(buffer);
  TRecInfo& info = Info(buffer);
  info.RecordNumber = -1;
  info.UpdateStatus = usInserted;
  info.BookmarkFlag = bfInserted;
  if (FOldRecBuf != nullptr) FData->InitRecord(FOldRecBuf);
}

void TMemDataSet::InternalInitRecord(TRecordBuffer buffer) {
  FreeRefComplexFields(buffer);
  FData->InitRecord(buffer);
  if (FData->HasComplexFields()) FData->CreateComplexFields(buffer, true);
}

void TMemDataSet::InternalInsert() {
  FreeDeferredPostBuf();
  ClearBlobModified();
  FInInserting = true;
}

void TMemDataSet::InternalEdit() {
  FreeDeferredPostBuf();
  ClearBlobModified();
  FInEditing = true;
  FreeRefComplexFields(ActiveBuffer());
  FData->EditRecord(ActiveBuffer());
}

void TMemDataSet::InternalPost() {
  if (State() == dsBrowse || (!FInInserting && !FInEditing)) return;
  TDataSet::InternalPost();
  for (TBlobField* blobField : FBlobFields) {
    if (blobField->FieldNo() < 1) continue;
    TBlob* blob = FData->GetObject(FData->Fields()[blobField->FieldNo() - 1], ActiveBuffer());
    if (blob != nullptr && blob->CanRollback()) blobField->SetModified(true);
  }
  if (State() == dsEdit) {
    FData->PostRecord(ActiveBuffer());
  } else {
    FData->InsertRecord(ActiveBuffer());
  }
  FreeDeferredPostBuf();
  FInInserting = FInEditing = false;
  ClearBlobModified();
}

void TMemDataSet::ClearBlobModified() {
  // The flags tell the record set which blobs a post writes; left set, they
  // would let a stream write into a record that is not being edited.
  for (TBlobField* blobField : FBlobFields) blobField->SetModified(false);
}

void TMemDataSet::Post() {
  TDataSet::Post();
  if (State() == dsSetKey) {
    DataEvent(deCheckBrowseMode);
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
  }
}

void TMemDataSet::Cancel() {
  if (FData == nullptr) return;
  if (State() == dsSetKey) {
    // A bound edit is left without applying it.
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    return;
  }
  // The values the active buffer shows stay alive until the cancel is over,
  // whatever the record set frees on the way.
  TRecBuf copy = nullptr;
  if (IsEditState(State()) && FData->HasComplexFields()) {
    copy = FData->AllocRecBuf();
    std::memcpy(copy, ActiveBuffer(), static_cast<size_t>(FData->RecordSize()));
    FData->AddRefComplexFields(copy, false);
  }
  Int64 iteration = FStore != nullptr ? FStore->GetRefreshIteration() : -1;
  TScopeExit release([this, copy, iteration] {
    if (copy == nullptr) return;
    Int64 now = FStore != nullptr ? FStore->GetRefreshIteration() : -1;
    if (now == iteration) FData->FreeComplexFields(copy, true);
    TData::FreeRecBuf(copy);
  });
  TDataSet::Cancel();
}

void TMemDataSet::InternalCancel() {
  FreeDeferredPostBuf();
  ClearBlobModified();
  bool inserting = FInInserting;
  FInInserting = FInEditing = false;
  if (State() == dsEdit) {
    FData->CancelRecord(ActiveBuffer());
  } else if (State() == dsInsert && inserting && FData->HasComplexFields()) {
    FData->FreeComplexFields(ActiveBuffer(), true);
  }
}

void TMemDataSet::InternalDelete() {
  if (!CanModify()) DatabaseError(DBMessages::SDataSetReadOnly);
  FreeRefComplexFields(ActiveBuffer());
  FData->DeleteRecord();
  FInInserting = FInEditing = false;
}

void TMemDataSet::InternalAddRecord(const void* buffer, bool append) {
  auto* record = static_cast<TRecBuf>(const_cast<void*>(buffer));
  if (append) {
    FData->AppendRecord(record);
  } else {
    FData->InsertRecord(record);
  }
}

void TMemDataSet::FreeDeferredPostBuf() {
  FInDeferredPost = false;
  if (FOldDeferredPostBuf == nullptr) return;
  if (FData != nullptr) FData->FreeComplexFields(FOldDeferredPostBuf, false);
  std::free(FOldDeferredPostBuf);
  FOldDeferredPostBuf = nullptr;
}

void TMemDataSet::DeferredPost() {
  if (FCachedUpdates) return;
  if (IsEditState(State())) UpdateRecord();
  if (!IsEditState(State())) return;
  DataEvent(deCheckBrowseMode);
  CheckRequiredFields();
  UpdateCursorPos();
  InternalDeferredPost();
  if (FOldDeferredPostBuf == nullptr) {
    FOldDeferredPostBuf = AllocRecordBuffer();
  } else {
    FData->FreeComplexFields(FOldDeferredPostBuf, false);
  }
  std::memcpy(FOldDeferredPostBuf, ActiveBuffer(), static_cast<size_t>(FRecBufSize));
  // The copy keeps values of its own (blobs excluded): later edits of the
  // active buffer do not change the old values.
  FData->CreateComplexFields(FOldDeferredPostBuf, false);
  FData->CopyComplexFields(ActiveBuffer(), FOldDeferredPostBuf, false);
  FInDeferredPost = true;
}

void TMemDataSet::DoOnNewRecord() {
  SetDefaultExpressionValues();
  try {
    TDataSet::DoOnNewRecord();
  } catch (...) {
    InternalCancel();
    throw;
  }
  AssignMasterLinkValues();
}

void TMemDataSet::SetDefaultExpressionValues() {
  TRestoreValue setting(FInSettingDefaultExpressionValues, true);
  for (TField* field : Fields()) {
    const String& expression = field->DefaultExpression();
    if (expression.empty()) continue;
    field->SetAsString(DefaultExpressionOldBehavior ? expression : DequotedExpression(expression));
  }
}
