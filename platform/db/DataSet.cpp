#include "platform/db/DataSet.h"

#include <algorithm>
#include <cstring>

#include "platform/db/DBConsts.h"
#include "platform/db/DataSource.h"
#include "platform/db/Fields.h"
#include "platform/db/ValueBuffer.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/ScopeGuards.h"

namespace {

bool IsEditState(TDataSetState state) { return state == dsEdit || state == dsInsert; }

// States in which a field value may be written.
bool IsWriteState(TDataSetState state) {
  switch (state) {
    case dsEdit: case dsInsert: case dsSetKey: case dsCalcFields: case dsFilter: case dsNewValue:
    case dsInternalCalc: return true;
    default: return false;
  }
}

bool IsCalcKind(TFieldKind kind) { return kind == fkCalculated || kind == fkLookup; }


}  // namespace

void DatabaseErrorFmt(const String& format, std::initializer_list<FormatArg> args, const TComponent* component) {
  String message = Format(format, args);
  if (component != nullptr && !component->Name().empty()) message = component->Name() + u": " + message;
  throw EDatabaseError(message);
}

// ---------------------------------------------------------------------------
// TFields

void TFields::Add(TField* field) {
  FItems.push_back(field);
  field->FDataSet = FDataSet;
  Changed();
}

void TFields::Remove(TField* field) {
  auto it = std::find(FItems.begin(), FItems.end(), field);
  if (it == FItems.end()) return;
  FItems.erase(it);
  field->FDataSet = nullptr;
  Changed();
}

void TFields::Changed() {
  if (FDataSet != nullptr) FDataSet->DataEvent(deFieldListChange);
}

int TFields::IndexOf(const TField* field) const {
  auto it = std::find(FItems.begin(), FItems.end(), field);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TField* TFields::FindField(StringView name) const {
  for (TField* field : FItems) {
    if (CompareTextOrdinal(field->FieldName(), name) == 0) return field;
  }
  return nullptr;
}

TField* TFields::FieldByName(StringView name) const {
  TField* field = FindField(name);
  if (field == nullptr) DatabaseErrorFmt(DBMessages::SFieldNotFound, {String(name)}, FDataSet);
  return field;
}

TField* TFields::FieldByNumber(Integer fieldNo) const {
  for (TField* field : FItems) {
    if (field->FieldNo() == fieldNo) return field;
  }
  return nullptr;
}

void TFields::SetFieldIndex(TField* field, int index) {
  int current = IndexOf(field);
  if (current < 0) return;
  index = std::clamp(index, 0, Count() - 1);
  if (index == current) return;
  FItems.erase(FItems.begin() + current);
  FItems.insert(FItems.begin() + index, field);
  Changed();
}

// ---------------------------------------------------------------------------
// Creation

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), FFields(this), FFieldDefs(this) {}

TDataSet::~TDataSet() {
  FDestroying = true;
  while (!FDataSources.empty()) RemoveDataSource(FDataSources.back());
  DestroyFields();
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError(DBMessages::SDataSetClosed);
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError(DBMessages::SDataSetOpen);
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError(DBMessages::SDataSetReadOnly);
}

void TDataSet::DatabaseError(const String& message) const {
  String text = Name().empty() ? message : Name() + u": " + message;
  throw EDatabaseError(text);
}

// ---------------------------------------------------------------------------
// Opening and closing

void TDataSet::SetActive(bool value) {
  if (value == Active()) return;
  if (value) {
    OpenDataSet();
  } else {
    CloseDataSet();
  }
}

void TDataSet::OpenDataSet() {
  Fire(BeforeOpen);
  FState = dsOpening;
  try {
    OpenCursor(false);
    InternalFirst();
    FHasRecord = GetRecord(FActiveBuffer, gmNext, true) == grOK;
    FBOF = true;
    FEOF = !FHasRecord;
    FCursorPosChanged = false;
  } catch (...) {
    FState = dsInactive;
    try {
      CloseCursor();
    } catch (...) {
      // The open's own failure is the one to report.
    }
    throw;
  }
  SetState(dsBrowse);
  DoAfterOpen();
  DataEvent(deDataSetChange);
}

void TDataSet::CloseDataSet() {
  Fire(BeforeClose);
  if (IsEditState(FState)) InternalCancel();
  SetState(dsInactive);
  FHasRecord = false;
  FBOF = FEOF = true;
  FCursorPosChanged = false;
  CloseCursor();
  Fire(AfterClose);
}

void TDataSet::OpenCursor(bool infoQuery) {
  if (infoQuery) {
    InternalInitFieldDefs();
    return;
  }
  FDefaultFields = FieldCount() == 0;
  InternalOpen();
  FActiveBuffer = AllocRecordBuffer();
  FSpareBuffer = AllocRecordBuffer();
  FRowBuffer = AllocRecordBuffer();
}

void TDataSet::CloseCursor() {
  // The buffers go whatever InternalClose does.
  TScopeExit freeBuffers([this] {
    for (TRecordBuffer* buffer : {&FActiveBuffer, &FSpareBuffer, &FRowBuffer}) {
      if (*buffer != nullptr) FreeRecordBuffer(*buffer);
      *buffer = nullptr;
    }
    FCalcBuffer = nullptr;
    FDefaultFields = false;
  });
  InternalClose();
}

void TDataSet::DoAfterOpen() { Fire(AfterOpen); }

void TDataSet::DoOnNewRecord() { Fire(OnNewRecord); }

void TDataSet::DoBeforeScroll() { Fire(BeforeScroll); }

void TDataSet::DoAfterScroll() { Fire(AfterScroll); }

void TDataSet::InitFieldDefs() {
  if (IsCursorOpen()) {
    InternalInitFieldDefs();
  } else {
    OpenCursor(true);
  }
}

// ---------------------------------------------------------------------------
// States

void TDataSet::SetState(TDataSetState value) {
  if (value == FState) return;
  FState = value;
  FModified = false;
  DataEvent(deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
  TDataSetState saved = FState;
  FState = value;
  return saved;
}

void TDataSet::RestoreState(TDataSetState value) { FState = value; }

TRecordBuffer TDataSet::GetActiveRecBuf() {
  if (FRowReading) return FRowBuffer;
  switch (FState) {
    case dsBrowse: case dsBlockRead: return FHasRecord ? FActiveBuffer : nullptr;
    case dsEdit: case dsInsert: case dsNewValue: return FActiveBuffer;
    case dsCalcFields: case dsInternalCalc: return FCalcBuffer;
    default: return nullptr;
  }
}

// ---------------------------------------------------------------------------
// Navigation

void TDataSet::SetBofEofFound(bool found) {
  FHasRecord = found;
  FBOF = FEOF = !found;
  FCursorPosChanged = false;
}

bool TDataSet::FetchActive(TGetMode mode) {
  if (GetRecord(FSpareBuffer, mode, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  std::swap(FActiveBuffer, FSpareBuffer);
  FHasRecord = true;
  FCursorPosChanged = false;
  return true;
}

void TDataSet::First() { MoveToEnd(false); }

void TDataSet::Last() { MoveToEnd(true); }

void TDataSet::MoveToEnd(bool last) {
  CheckBrowseMode();
  DoBeforeScroll();
  if (last) {
    InternalLast();
  } else {
    InternalFirst();
  }
  SetBofEofFound(GetRecord(FActiveBuffer, last ? gmPrior : gmNext, true) == grOK);
  (last ? FEOF : FBOF) = true;
  DataEvent(deDataSetChange);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  if (distance == 0 || (distance > 0 && FEOF) || (distance < 0 && FBOF)) return 0;
  DoBeforeScroll();
  FBOF = FEOF = false;
  UpdateCursorPos();
  int moved = 0;
  if (distance > 0) {
    while (moved < distance && !FEOF) {
      if (FetchActive(gmNext)) ++moved;
      else FEOF = true;
    }
  } else {
    while (moved > distance && !FBOF) {
      if (FetchActive(gmPrior)) --moved;
      else FBOF = true;
    }
  }
  DataEvent(deDataSetScroll, moved);
  DoAfterScroll();
  return moved;
}

void TDataSet::UpdateCursorPos() {
  if (!FCursorPosChanged || FActiveBuffer == nullptr) return;
  if (FHasRecord) {
    // A record being inserted has no place yet: its flag says where it goes.
    switch (GetBookmarkFlag(FActiveBuffer)) {
      case bfEOF: InternalLast(); break;
      case bfBOF: InternalFirst(); break;
      default: InternalSetToRecord(FActiveBuffer); break;
    }
  }
  FCursorPosChanged = false;
}

void TDataSet::Resync() {
  bool found = GetRecord(FActiveBuffer, gmCurrent, false) == grOK ||
               GetRecord(FActiveBuffer, gmNext, false) == grOK || GetRecord(FActiveBuffer, gmPrior, false) == grOK;
  SetBofEofFound(found);
  DataEvent(deDataSetChange);
}

void TDataSet::Refresh() {
  Fire(BeforeRefresh);
  CheckBrowseMode();
  UpdateCursorPos();
  InternalRefresh();
  Resync();
  Fire(AfterRefresh);
}

bool TDataSet::GetRecordAt(Integer recNo, TRecordBuffer buffer) {
  if (recNo < 1) return false;
  InternalFirst();
  for (Integer i = 0; i < recNo; ++i) {
    if (GetRecord(buffer, gmNext, false) != grOK) return false;
  }
  return true;
}

bool TDataSet::ReadRow(Integer recNo, const std::function<void()>& reader) {
  CheckActive();
  Assert(!FRowReading, u"DataSet", u"ReadRow inside ReadRow");
  if (FHasRecord && recNo == GetRecNo()) {
    reader();
    return true;
  }
  CursorPosChanged();
  if (!GetRecordAt(recNo, FRowBuffer)) return false;
  GetCalcFields(FRowBuffer);
  TRestoreValue rowReading(FRowReading, true);
  reader();
  return true;
}

// ---------------------------------------------------------------------------
// Editing

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  if (IsEditState(FState)) {
    UpdateRecord();
    if (FModified) {
      Post();
    } else {
      Cancel();
    }
  } else if (FState == dsSetKey) {
    Post();
  }
}

void TDataSet::UpdateRecord() {
  if (!IsEditState(FState) && FState != dsSetKey) DatabaseError(DBMessages::SNotEditing);
  DataEvent(deUpdateRecord);
}

void TDataSet::BeginInsertAppend(bool append) {
  CheckBrowseMode();
  CheckCanModify();
  Fire(BeforeInsert);
  DoBeforeScroll();
  bool hadRecord = FHasRecord;
  TBookmark current;
  if (append) {
    InternalLast();
    FCursorPosChanged = false;
  } else {
    UpdateCursorPos();
    if (hadRecord) GetBookmarkData(FActiveBuffer, current);
  }
  try {
    InternalInsert();
    InitRecord(FActiveBuffer);
  } catch (...) {
    // The buffer may be half made: show a stored record again.
    Resync();
    throw;
  }
  if (append) {
    SetBookmarkFlag(FActiveBuffer, bfEOF);
  } else if (!hadRecord) {
    SetBookmarkFlag(FActiveBuffer, bfBOF);
  } else {
    // The new record goes before the current one: keep where that is.
    SetBookmarkData(FActiveBuffer, current);
  }
  FHasRecord = true;
  FBOF = FEOF = false;
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    SetState(dsBrowse);
    Resync();
    throw;
  }
  Fire(AfterInsert);
  DoAfterScroll();
  DataEvent(deDataSetChange);
}

void TDataSet::Insert() { BeginInsertAppend(false); }

void TDataSet::Append() { BeginInsertAppend(true); }

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::Edit() {
  if (IsEditState(FState)) return;
  if (IsEmpty()) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  Fire(BeforeEdit);
  UpdateCursorPos();
  InternalEdit();
  GetCalcFields(FActiveBuffer);
  SetState(dsEdit);
  DataEvent(deRecordChange);
  Fire(AfterEdit);
}

void TDataSet::Post() {
  if (!IsEditState(FState) && FState != dsSetKey) return;
  UpdateRecord();
  // A range or key being set is finished by the dataset that offers it.
  if (FState == dsSetKey) return;
  DataEvent(deCheckBrowseMode);
  Fire(BeforePost);
  UpdateCursorPos();
  InternalPost();
  SetState(dsBrowse);
  Resync();
  Fire(AfterPost);
}

void TDataSet::InternalPost() { CheckRequiredFields(); }

void TDataSet::CheckRequiredFields() {
  for (TField* field : FFields) {
    if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
      field->FocusControl();
      DatabaseErrorFmt(DBMessages::SFieldRequired, {field->DisplayName()});
    }
  }
}

void TDataSet::Cancel() {
  if (!IsEditState(FState)) return;
  DataEvent(deCheckBrowseMode);
  Fire(BeforeCancel);
  UpdateCursorPos();
  InternalCancel();
  SetState(dsBrowse);
  Resync();
  Fire(AfterCancel);
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert) {
    Cancel();
    return;
  }
  if (IsEmpty()) DatabaseError(DBMessages::SDataSetEmpty);
  DataEvent(deCheckBrowseMode);
  Fire(BeforeDelete);
  DoBeforeScroll();
  UpdateCursorPos();
  InternalDelete();
  SetState(dsBrowse);
  Resync();
  Fire(AfterDelete);
  DoAfterScroll();
}

void TDataSet::InternalAddRecord(const void*, bool) { AbstractError(); }

// ---------------------------------------------------------------------------
// Bookmarks and searching

TBookmark TDataSet::GetBookmark() {
  TBookmark result;
  if (!IsEmpty() && GetBookmarkFlag(FActiveBuffer) == bfCurrent) GetBookmarkData(FActiveBuffer, result);
  return result;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark);
  if (GetRecord(FSpareBuffer, gmCurrent, false) != grOK) {
    CursorPosChanged();
    DatabaseError(DBMessages::SRecordNotFound);
  }
  Resync();
  DoAfterScroll();
}

bool TDataSet::Locate(const String&, const Variant&, TLocateOptions) { return false; }

Variant TDataSet::Lookup(const String&, const Variant&, const String&) { return Variant::Null(); }

// ---------------------------------------------------------------------------
// Fields

TFieldClass TDataSet::GetFieldClass(TFieldType fieldType) { return DefaultFieldClass(fieldType); }

TFieldClass TDataSet::GetFieldClass(TFieldDef* fieldDef) { return GetFieldClass(fieldDef->DataType()); }

void TDataSet::CreateFields() {
  for (int i = 0; i < FFieldDefs.Count(); ++i) {
    TFieldDef* def = FFieldDefs[i];
    if (def->DataType() != ftUnknown && (def->Attributes() & faHiddenCol) == 0) def->CreateField(this);
  }
}

void TDataSet::DestroyFields() {
  while (FFields.Count() > 0) {
    TField* field = FFields[FFields.Count() - 1];
    FFields.Remove(field);
    delete field;
  }
}

void TDataSet::CheckFieldCompatibility(TField* field, TFieldDef* fieldDef) {
  if (!field->IsCompatible(fieldDef->DataType())) {
    DatabaseErrorFmt(DBMessages::SFieldTypeMismatch,
                     {field->DisplayName(), FieldTypeName(field->DataType()), FieldTypeName(fieldDef->DataType())},
                     this);
  }
  switch (field->DataType()) {
    case ftBytes: case ftVarBytes: case ftBCD: case ftReference: case ftFMTBcd:
      if (field->Size() != fieldDef->Size()) {
        DatabaseErrorFmt(DBMessages::SFieldSizeMismatch,
                         {field->DisplayName(), Int64(field->Size()), Int64(fieldDef->Size())}, this);
      }
      break;
    default: break;
  }
}

void TDataSet::BindFields(bool binding) {
  FCalcFieldsSize = 0;
  FInternalCalcFields = false;
  for (TField* field : FFields) {
    if (!binding) {
      field->SetFieldNo(0);
      continue;
    }
    if (IsCalcKind(field->FieldKind())) {
      // The calculation area copies values as bytes, which a variant is not.
      if (field->DataType() == ftVariant) {
        DatabaseErrorFmt(DBMessages::SCalcFieldType, {field->DisplayName(), FieldTypeName(ftVariant)}, this);
      }
      field->SetFieldNo(-1);
      field->SetOffset(FCalcFieldsSize);
      FCalcFieldsSize += field->DataSize() + 1;
    } else if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) {
      TFieldDef* def = FFieldDefs.Find(field->FieldName());
      if (def == nullptr) DatabaseErrorFmt(DBMessages::SFieldNotFound, {field->DisplayName()}, this);
      CheckFieldCompatibility(field, def);
      if (field->FieldKind() == fkInternalCalc) FInternalCalcFields = true;
      field->SetFieldNo(def->FieldNo());
    }
  }
}

// ---------------------------------------------------------------------------
// Calculated fields

TRecordBuffer TDataSet::CalcAreaOf(TRecordBuffer record, TField* field) {
  return record + GetRecordSize() + field->Offset();
}

void TDataSet::ClearCalcFields(TRecordBuffer buffer) {
  if (FCalcFieldsSize > 0) std::memset(buffer + GetRecordSize(), 0, static_cast<size_t>(FCalcFieldsSize));
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (FCalcFieldsSize == 0 && !FInternalCalcFields) return;
  TRestoreValue state(FState, dsCalcFields);
  CalculateFields(buffer);
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
  FCalcBuffer = buffer;
  if (FState != dsInternalCalc) {
    ClearCalcFields(buffer);
    for (TField* field : FFields) {
      if (field->FieldKind() == fkLookup) CalcLookupValue(field);
    }
  }
  Fire(OnCalcFields);
}

void TDataSet::CalcLookupValue(TField* field) {
  TDataSet* lookup = field->LookupDataSet();
  if (lookup == nullptr || !lookup->Active() || field->KeyFields.empty()) return;
  TField* key = FindField(field->KeyFields);
  if (key == nullptr) return;
  Variant keyValue = key->AsVariant();
  if (keyValue.IsNull()) return;
  field->SetAsVariant(lookup->Lookup(field->LookupKeyFields, keyValue, field->LookupResultField));
}

void TDataSet::RecalcAfterFieldChange(TField* field) {
  if (!AutoCalcFields || field->FieldKind() != fkData || !IsEditState(FState)) return;
  GetCalcFields(FActiveBuffer);
}

// ---------------------------------------------------------------------------
// Field values

bool TDataSet::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer record = GetActiveRecBuf();
  if (record == nullptr) return false;
  if (field->FieldNo() > 0) return ReadRecordField(record, field, buffer);
  if (!IsCalcKind(field->FieldKind())) return false;
  switch (FRowReading ? dsBrowse : FState) {
    case dsBrowse: case dsEdit: case dsInsert: case dsCalcFields: case dsFilter: case dsBlockRead: break;
    default: return false;
  }
  TRecordBuffer area = CalcAreaOf(record, field);
  if (area[0] == 0) return false;
  if (buffer != nullptr) std::memcpy(buffer, area + 1, static_cast<size_t>(field->DataSize()));
  return true;
}

bool TDataSet::GetFieldData(TField* field, void* buffer, bool nativeFormat) {
  if (nativeFormat || buffer == nullptr || !HasNonNativeForm(field->DataType())) return GetFieldData(field, buffer);
  TValueBuffer native(field->DataSize());
  if (!GetFieldData(field, native.Data())) return false;
  DataConvert(field, native.Data(), buffer, false);
  return true;
}

bool TDataSet::GetFieldData(Integer fieldNo, void* buffer) {
  TField* field = FFields.FieldByNumber(fieldNo);
  return field != nullptr && GetFieldData(field, buffer);
}

bool TDataSet::ReadRecordField(TRecordBuffer, TField*, void*) { return false; }

void TDataSet::WriteRecordField(TRecordBuffer, TField* field, const void*) {
  DatabaseErrorFmt(DBMessages::SFieldReadOnly, {field->DisplayName()});
}

void TDataSet::SetFieldData(TField* field, const void* buffer) {
  if (!IsWriteState(FState) || FRowReading) DatabaseError(DBMessages::SNotEditing);
  TRecordBuffer record = GetActiveRecBuf();
  if (record == nullptr) DatabaseError(DBMessages::SNotEditing);
  if (field->FieldNo() > 0) {
    if (FState == dsCalcFields) DatabaseError(DBMessages::SNotEditing);
    if (field->ReadOnly() && FState != dsSetKey && FState != dsFilter) {
      DatabaseErrorFmt(DBMessages::SFieldReadOnly, {field->DisplayName()});
    }
    field->Validate(buffer);
    WriteRecordField(record, field, buffer);
  } else if (IsCalcKind(field->FieldKind())) {
    field->Validate(buffer);
    TRecordBuffer area = CalcAreaOf(record, field);
    area[0] = buffer != nullptr ? 1 : 0;
    if (buffer != nullptr) std::memcpy(area + 1, buffer, static_cast<size_t>(field->DataSize()));
  } else {
    // An unbound field has no place in the record.
    DatabaseErrorFmt(DBMessages::SFieldReadOnly, {field->DisplayName()});
  }
  if (FState != dsCalcFields && FState != dsFilter && FState != dsNewValue) {
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
  }
}

void TDataSet::SetFieldData(TField* field, const void* buffer, bool nativeFormat) {
  if (nativeFormat || buffer == nullptr || !HasNonNativeForm(field->DataType())) {
    SetFieldData(field, buffer);
    return;
  }
  TValueBuffer native(field->DataSize());
  DataConvert(field, buffer, native.Data(), true);
  SetFieldData(field, native.Data());
}

void TDataSet::DataConvert(TField* field, const void* source, void* dest, bool toNative) {
  switch (field->DataType()) {
    case ftDate:
    case ftTime: {
      if (toNative) {
        TDateTime value;
        std::memcpy(&value, source, sizeof value);
        TTimeStamp stamp = DateTimeToTimeStamp(value);
        Integer native = field->DataType() == ftDate ? stamp.Date : stamp.Time;
        std::memcpy(dest, &native, sizeof native);
      } else {
        Integer native;
        std::memcpy(&native, source, sizeof native);
        // A time is the time of day on the day TDateTime counts from.
        TDateTime value = field->DataType() == ftDate ? TimeStampToDateTime({0, native})
                                                      : TimeStampToDateTime({native, DateDelta});
        std::memcpy(dest, &value, sizeof value);
      }
      break;
    }
    case ftDateTime: {
      double value;
      std::memcpy(&value, source, sizeof value);
      value = toNative ? TimeStampToMSecs(DateTimeToTimeStamp(value)) : TimeStampToDateTime(MSecsToTimeStamp(value));
      std::memcpy(dest, &value, sizeof value);
      break;
    }
    case ftBCD: {
      if (toNative) {
        Currency value;
        std::memcpy(&value, source, sizeof value);
        TBcd bcd;
        if (!CurrToBCD(value, bcd, 32, field->Size())) {
          DatabaseErrorFmt(DBMessages::SFieldOutOfRange, {field->DisplayName()});
        }
        std::memcpy(dest, &bcd, sizeof bcd);
      } else {
        TBcd bcd;
        std::memcpy(&bcd, source, sizeof bcd);
        Currency value;
        if (!BCDToCurr(bcd, value)) DatabaseErrorFmt(DBMessages::SFieldOutOfRange, {field->DisplayName()});
        std::memcpy(dest, &value, sizeof value);
      }
      break;
    }
    default: CopyFieldValue(field, source, dest); break;
  }
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField*, TBlobStreamMode) { return nullptr; }

void TDataSet::ReadBlobData(TField* field, std::string& bytes) {
  bytes.clear();
  std::unique_ptr<TStream> stream = CreateBlobStream(field, bmRead);
  if (!stream) return;
  bytes.resize(static_cast<size_t>(std::max<Int64>(stream->Size(), 0)));
  stream->SetPosition(0);
  stream->ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

Variant TDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  if (field->FieldKind() != fkData && field->FieldKind() != fkInternalCalc) return Variant::Null();
  TRestoreValue temp(FState, state);
  return field->AsVariant();
}

// ---------------------------------------------------------------------------
// Data events

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deFieldChange) {
    auto* field = reinterpret_cast<TField*>(info);
    if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) FModified = true;
    if (FState != dsSetKey) {
      RecalcAfterFieldChange(field);
      field->Change();
    }
  }
  if (FDestroying) return;
  if (FDisableCount > 0) {
    FEventsHeld = true;
    return;
  }
  SendToSources(event, info);
}

void TDataSet::SendToSources(TDataEvent event, std::intptr_t info) {
  ForEachListed(FDataSources, [&](TDataSource* source) { source->DataEvent(event, info); });
}

void TDataSet::DisableControls() {
  if (FDisableCount == 0) {
    FDisableState = FState;
    FEventsHeld = false;
  }
  ++FDisableCount;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0 || --FDisableCount > 0) return;
  bool held = FEventsHeld;
  FEventsHeld = false;
  if (FDisableState != FState) DataEvent(deUpdateState);
  if (held) DataEvent(deDataSetChange);
}

void TDataSet::AddDataSource(TDataSource* source) {
  if (std::find(FDataSources.begin(), FDataSources.end(), source) != FDataSources.end()) return;
  FDataSources.push_back(source);
  source->FDataSet = this;
  source->UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  auto it = std::find(FDataSources.begin(), FDataSources.end(), source);
  if (it == FDataSources.end()) return;
  FDataSources.erase(it);
  source->FDataSet = nullptr;
  source->UpdateState();
}
