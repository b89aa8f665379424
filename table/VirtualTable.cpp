// TVirtualTable: definitions in code, descriptors from definitions, rows kept
// across closing and across definition changes, and copies of datasets.
#include "table/VirtualTable.h"

#include "platform/db/DBConsts.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuards.h"
#include "table/FieldTypeMap.h"
#include "table/TableFiles.h"

const char16_t SVTUnsupportedFieldType[] =
    u"Field type is not supported by TVirtualTable. \r"
    u"Valid types is String, WideString, Smallint, Integer, Word, Boolean, Largeint, Float, ftSingle, "
    u"ftExtended, Currency, Date, Time, DateTime, SQLTimeStamp, Blob, Memo, Guid, Bcd, FmtBcd, Bytes, "
    u"VarBytes, Variant";


bool IsVirtualTableFieldType(TFieldType fieldType) {
  switch (fieldType) {
    case ftString: case ftSmallint: case ftInteger: case ftWord: case ftBoolean: case ftFloat: case ftCurrency:
    case ftBCD: case ftDate: case ftTime: case ftDateTime: case ftBytes: case ftVarBytes: case ftAutoInc:
    case ftBlob: case ftMemo: case ftWideString: case ftLargeint: case ftVariant: case ftGuid: case ftTimeStamp:
    case ftFMTBcd: case ftWideMemo: case ftLongWord: case ftShortint: case ftByte: case ftExtended:
    case ftSingle:
      return true;
    default:
      return false;
  }
}

bool FieldDefKeepsPrecision(TFieldType type) {
  switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftDate: case ftTime:
    case ftDateTime: case ftLargeint: case ftTimeStamp: case ftLongWord: case ftShortint: case ftByte:
    case ftExtended: case ftSingle:
      return true;
    default:
      return false;
  }
}

bool DescribeVirtualTableField(TFieldDesc& desc, TFieldType fieldType, Integer size, Integer precision) {
  if (!IsVirtualTableFieldType(fieldType)) return false;
  TDataType subType = dtUnknown;
  Integer descSize = 0, length = 0, scale = 0;
  switch (fieldType) {
    case ftString: descSize = size + 1; length = size; break;
    case ftWideString: descSize = 2 * (size + 1); length = size; break;
    case ftSmallint: case ftShortint:
      descSize = 2;
      if (precision >= 1 && precision <= 4) {
        subType = dtInt8;
        length = precision;
      }
      break;
    case ftByte: case ftWord: case ftBoolean: descSize = 2; break;
    case ftInteger: case ftAutoInc: descSize = 4; break;
    case ftLargeint:
      descSize = 8;
      if (precision >= 1 && precision <= 10) {
        subType = dtUInt32;
        descSize = 4;
        length = precision;
      }
      break;
    // Always an unsigned 32-bit value: an 8-byte slot would let the record
    // set copy 8 bytes out of a 4-byte value.
    case ftLongWord:
      descSize = 4;
      if (precision >= 1 && precision <= 10) length = precision;
      break;
    case ftFloat: descSize = 8; length = precision; break;
    case ftSingle: subType = dtSingle; descSize = 4; length = precision; break;
    case ftExtended: descSize = 10; length = precision; break;
    case ftCurrency: descSize = 8; break;
    case ftDate: case ftTime: case ftDateTime: descSize = 8; length = precision; break;
    case ftTimeStamp: descSize = 16; length = precision; break;
    case ftBCD: descSize = 8; length = precision; scale = size; break;
    // A TBcd holds at most 64 digits: a wider precision gets no larger slot.
    case ftFMTBcd: descSize = precision >= 34 && precision <= 64 ? precision + 2 : 34; length = precision; scale = size; break;
    case ftBytes: descSize = size; length = size; break;
    case ftVarBytes: descSize = size + 2; length = size; break;
    case ftGuid: descSize = size + 1; length = size; break;
    // Blobs and variants keep a reference, pointer-sized in the record.
    default: descSize = static_cast<Integer>(sizeof(void*)); break;
  }
  TDataType dataType = TFieldTypeMap::Default().GetDataType(fieldType, subType);
  desc.SetDataType(dataType);
  desc.FSize = descSize;
  desc.FLength = static_cast<Word>(length);
  desc.FScale = static_cast<Word>(scale);
  return true;
}

// ---------------------------------------------------------------------------
// TVirtualTableData

void TVirtualTableData::InternalOpen(bool disableInitFields) {
  if (!disableInitFields) InitFields();
  TMemData::InternalOpen(disableInitFields);
}

void TVirtualTableData::CreateFieldDescs() {
  auto* table = dynamic_cast<TVirtualTable*>(FOwner);
  FBuiltFrom.clear();
  if (FOwner == nullptr) return;
  auto add = [this](const String& name, TFieldType type, Integer size, Integer precision, bool required,
                    bool fixed) {
    std::unique_ptr<TFieldDesc> desc(CreateFieldDesc());
    // A field the store cannot hold would leave every later field paired
    // with its neighbour's descriptor: the table refuses to open instead.
    if (!DescribeVirtualTableField(*desc, type, size, precision)) {
      DatabaseErrorFmt(u"%s", {String(SVTUnsupportedFieldType)}, FOwner);
    }
    desc->FName = name;
    desc->FFieldNo = static_cast<Word>(Fields().Count() + 1);
    desc->FRequired = required;
    desc->FFixed = fixed;
    Fields().Add(desc.release());
    FBuiltFrom.push_back({name, type, size, precision});
  };
  int dataFields = 0;
  for (TField* field : FOwner->Fields()) {
    if (field->FieldKind() == fkData) ++dataFields;
  }
  bool byFields = !FOwner->DefaultFields() && FOwner->FieldCount() > 0 &&
                  (FOwner->FieldDefs().Count() < dataFields || (table != nullptr && table->FFieldDefsByField));
  if (byFields) {
    for (TField* field : FOwner->Fields()) {
      if (field->FieldKind() != fkData) continue;
      TFieldType type = field->DataType();
      Integer precision = 0;
      if (type == ftFloat || type == ftExtended || type == ftSingle) {
        if (auto* real = dynamic_cast<TRealField*>(field)) precision = real->Precision();
      }
      add(field->FieldName(), type, field->Size(), precision, false, false);
    }
    return;
  }
  TFieldDefs& defs = FOwner->FieldDefs();
  for (int i = 0; i < defs.Count(); ++i) {
    TFieldDef* def = defs[i];
    add(def->Name(), def->DataType(), def->Size(), def->Precision(), (def->Attributes() & faRequired) != 0,
        (def->Attributes() & faFixed) != 0);
  }
}

// ---------------------------------------------------------------------------
// TVirtualTable

TVirtualTable::TVirtualTable(TComponent* owner) : TMemDataSet(owner) {
  FCreateCalcFieldDescs = false;
  CreateIRecordSet();
  FieldDefs().OnChange = [this] { DefChanged(); };
}

TVirtualTable::~TVirtualTable() {
  FieldDefs().OnChange = nullptr;
  try {
    ++FAvoidReload;
    Close();
    if (TMemDataSet::Data() != nullptr) TMemDataSet::Data()->Close();
  } catch (...) {
  }
}

void TVirtualTable::CreateIRecordSet() {
  auto* store = new TVirtualTableData();
  store->FOwner = this;
  SetIRecordSet(store);
}

void TVirtualTable::SetOptions(TVirtualTableOptions value) {
  FOptions = value;
  TMemDataSet::Data()->FSetEmptyStrToNull = HasOption(voSetEmptyStrToNull);
}

void TVirtualTable::AddField(const String& name, TFieldType fieldType, Integer size, bool required) {
  if (!IsVirtualTableFieldType(fieldType)) throw EDatabaseError(SVTUnsupportedFieldType);
  FieldDefs().Add(name, fieldType, size, required);
}

void TVirtualTable::DeleteField(const String& name) {
  TFieldDefs& defs = FieldDefs();
  TFieldDef* def = defs.FindOrError(name);
  {
    // Fields find their descriptors by field number: the numbers must stay
    // consecutive before the rows are reloaded.
    TRestoreValue refresh(FAvoidRefreshData, true);
    defs.Delete(def->Index());
    for (int i = 0; i < defs.Count(); ++i) defs[i]->SetFieldNo(i + 1);
  }
  DefChanged();
}

void TVirtualTable::DeleteFields() {
  Clear();
  TScopedCount avoid(FAvoidReload);
  if (Active()) Close();
  FieldDefs().Clear();
  DestroyFields();
}

void TVirtualTable::Clear() {
  if (State() == dsEdit || State() == dsInsert) Cancel();
  TData* store = TMemDataSet::Data();
  store->Close();
  if (Active()) {
    store->Open();
    First();
  }
}

void TVirtualTable::OpenCursor(bool infoQuery) {
  TScopedCount avoid(FAvoidReload);
  TMemDataSet::OpenCursor(infoQuery);
}

void TVirtualTable::InternalOpen() {
  if (FAvoidReload == 0) FFieldDefsByField = false;
  TMemDataSet::InternalOpen();
  FIsCursorOpen = true;
}

void TVirtualTable::InternalClose() {
  TScopedCount avoid(FAvoidReload);
  FIsCursorOpen = false;
  BindFields(false);
  FBlobFields.clear();
  if (DefaultFields()) DestroyFields();
  FreeDeferredPostBuf();
  if (HasOption(voPersistentData)) {
    TMemDataSet::Data()->SetToBegin();
  } else {
    TMemDataSet::Data()->Close();
  }
}

void TVirtualTable::CreateFieldDefs() {
  if (DefaultFields() || FieldCount() == 0) return;
  int dataFields = 0;
  for (TField* field : Fields()) {
    if (field->FieldKind() == fkData) ++dataFields;
  }
  int before = FieldDefs().Count();
  if (before >= dataFields && !FFieldDefsByField) return;
  {
    TScopedCount avoid(FAvoidReload);
    TRestoreValue refresh(FAvoidRefreshData, true);
    FieldDefs().SetUpdated(false);
    TMemDataSet::CreateFieldDefs();
  }
  if (FFieldDefsByField) {
    FFieldDefsByField = FieldDefs().Count() == dataFields;
  } else {
    FFieldDefsByField = before == 0 && FieldDefs().Count() > 0;
  }
}

void TVirtualTable::DefChanged() {
  if (FAvoidRefreshData) return;
  if (Active()) FFieldDefsByField = false;
  {
    TRestoreValue refresh(FAvoidRefreshData, true);
    TFieldDefs& defs = FieldDefs();
    for (int i = 0; i < defs.Count(); ++i) {
      TFieldDef* def = defs[i];
      if (def->DataType() == ftUnknown) {
        def->SetDataType(ftString);
        def->SetSize(20);
      } else if (def->DataType() == ftGuid) {
        def->SetSize(38);
      }
    }
  }
  if (FAvoidReload == 0) Reload();
}

void TVirtualTable::DataEvent(TDataEvent event, std::intptr_t info) {
  if (FFieldDefsByField && event == deFieldListChange && FAvoidReload == 0) {
    TScopedCount avoid(FAvoidReload);
    FieldDefs().SetUpdated(false);
    if (TMemDataSet::Data()->Active()) Reload();
  }
  TMemDataSet::DataEvent(event, info);
}

void TVirtualTable::Reload() {
  TData* store = TMemDataSet::Data();
  if (!store->Active() || store->GetRecordCount() == 0) {
    bool wasActive = Active();
    Close();
    Clear();
    SetActive(wasActive);
    return;
  }
  // The rows are saved under the definitions the store was built from, so
  // the store (not the new definitions) describes what is written.
  bool wasActive = Active();
  TMemoryStream stream;
  DisableControls();
  TScopeExit enable([this] { EnableControls(); });
  std::exception_ptr failure;
  try {
    // Every row of the store, also those a filter, a filter event or a
    // master link hides at the moment: a change of definitions loses none.
    SaveVtd(*this, stream, Store()->BuiltFrom(), false, true);
  } catch (...) {
    failure = std::current_exception();
  }
  Close();
  Clear();
  if (stream.Size() > 0) LoadFromStream(stream, false, true);
  SetActive(wasActive);
  if (failure) std::rethrow_exception(failure);
}

// ---------------------------------------------------------------------------
// Copying

void TVirtualTable::AssignDataSet(TDataSet* source) {
  bool wasActive = Active();
  Close();
  Clear();
  DeleteFields();
  {
    TScopedCount avoid(FAvoidReload);
    TRestoreValue refresh(FAvoidRefreshData, true);
    TFieldDefs& defs = FieldDefs();
    defs.BeginUpdate();
    TScopeExit end([&defs] { defs.EndUpdate(); });
    for (TField* field : source->Fields()) {
      TFieldType type = field->DataType();
      if (type == ftOraBlob) type = ftBlob;
      else if (type == ftOraClob) type = ftMemo;
      else if (type == ftOraTimeStamp) type = ftTimeStamp;
      if (!IsVirtualTableFieldType(type)) {
        if (HasOption(voSkipUnSupportedFieldTypes)) continue;
        throw EDatabaseError(SVTUnsupportedFieldType);
      }
      TFieldDef* def = defs.Add(field->FieldName(), type, field->Size(), field->Required());
      TFieldAttributes attributes = def->Attributes();
      if (FReadOnly) attributes |= faReadonly;
      if (TFieldDef* sourceDef = source->FieldDefs().Find(field->FieldName());
          sourceDef != nullptr && (sourceDef->Attributes() & faFixed) != 0) {
        attributes |= faFixed;
      }
      def->SetAttributes(attributes);
      if (auto* bcd = dynamic_cast<TBCDField*>(field)) def->SetPrecision(bcd->Precision());
      if (auto* fmtBcd = dynamic_cast<TFMTBCDField*>(field)) def->SetPrecision(fmtBcd->Precision());
    }
  }
  if (source->Active()) {
    TScopedCount avoid(FAvoidReload);
    DisableControls();
    source->DisableControls();
    TBookmark mark = source->GetBookmark();
    source->First();
    Open();
    struct Saved {
      TField* field;
      bool readOnly, required;
    };
    std::vector<Saved> saved;
    std::vector<std::pair<TField*, TField*>> pairs;
    TScopeExit restore([&] {
      try {
        if (State() == dsInsert) Cancel();
        First();
        for (const Saved& s : saved) {
          s.field->SetReadOnly(s.readOnly);
          s.field->SetRequired(s.required);
        }
        if (!source->IsEmpty()) source->GotoBookmark(mark);
      } catch (...) {
      }
      source->EnableControls();
      EnableControls();
    });
    for (TField* field : Fields()) {
      saved.push_back({field, field->ReadOnly(), field->Required()});
      field->SetReadOnly(false);
      field->SetRequired(false);
      pairs.emplace_back(field, source->FieldByName(field->FieldName()));
    }
    while (!source->Eof()) {
      Append();
      for (auto& [to, from] : pairs) {
        if (from->IsNull()) continue;
        if (dynamic_cast<TLargeintField*>(to) != nullptr) to->SetAsLargeInt(from->AsLargeInt());
        else to->SetAsVariant(from->AsVariant());
      }
      Post();
      source->Next();
    }
  }
  SetActive(wasActive);
}

void TVirtualTable::Assign(TDataSet* source) {
  if (auto* table = dynamic_cast<TVirtualTable*>(source)) {
    TMemoryStream stream;
    table->SaveToStream(stream, true, false);
    stream.SetPosition(0);
    LoadFromStream(stream, true, true);
    FFieldDefsByField = table->FFieldDefsByField;
    return;
  }
  AssignDataSet(source);
}

void TVirtualTable::DoVirtualTableProgress(Integer percent) {
  if (OnProgress) OnProgress(this, percent);
}

std::vector<Byte> TVirtualTable::StoredData() {
  if (!HasOption(voStored)) return {};
  TMemoryStream stream;
  SaveToStream(stream, false, true);
  return stream.Bytes();
}

void TVirtualTable::SetStoredData(const std::vector<Byte>& value) {
  if (!HasOption(voStored) || value.empty()) return;
  TMemoryStream stream;
  stream.WriteBuffer(value.data(), static_cast<Int64>(value.size()));
  stream.SetPosition(0);
  LoadFromStream(stream, false, true);
}
