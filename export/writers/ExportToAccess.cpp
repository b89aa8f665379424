#include "export/writers/ExportToAccess.h"

#include "export/ExportMessages.h"
#include "export/ExportText.h"
#include "export/RowSources.h"
#include "platform/db/Field.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Automation.h"

namespace {

constexpr const char16_t* kEngines[] = {u"DAO.DBEngine.120", u"DAO.DBEngine.36", u"DAO.DBEngine.35"};
constexpr Integer dbSystemObject = static_cast<Integer>(0x80000002u);
constexpr Integer dbText = 10, dbMemo = 12, dbLongBinary = 11, dbBinary = 9;

// The engine of a version: attached to a running one or a new one; empty
// when the engine cannot be had (only the automatic choice raises, on its
// last attempt).
Variant StartEngine(TMSAccessVersion version, bool useCurrent, bool& created) {
  const auto attempt = [&](const char16_t* progId, bool attach) {
    created = !attach;
    return attach ? GetActiveOleObject(progId) : CreateOleObject(progId);
  };
  if (version != avAuto) {
    const char16_t* progId = version == avAccess97 ? kEngines[2] : version == avAccess2000 ? kEngines[1] : kEngines[0];
    try {
      return attempt(progId, useCurrent);
    } catch (const EOleError&) {
      return Variant();
    }
  }
  if (useCurrent)
    for (const char16_t* progId : kEngines) try {
        return attempt(progId, true);
      } catch (const EOleError&) {
      }
  for (size_t i = 0; i < 3; ++i) try {
      return attempt(kEngines[i], false);
    } catch (const EOleError&) {
      if (i == 2) throw;
    }
  return Variant();
}

bool HasObject(const Variant& v) { return !v.IsEmpty() && !v.IsNull(); }

}  // namespace

TRODirezaToAccess::TRODirezaToAccess(TComponent* owner) : TRODirezaToADODOA(owner) { SetTableType(teAccess); }

TRODirezaToAccess::~TRODirezaToAccess() = default;

void TRODirezaToAccess::Assign(const TComponent* source) {
  TRODirezaToADODOA::Assign(source);
  if (const auto* from = dynamic_cast<const TRODirezaToAccess*>(source); from != nullptr && from != this)
    MSAccessVersion = from->MSAccessVersion;
}

Integer TRODirezaToAccess::MDBType(TFieldType type) {
  switch (type) {
    case ftSmallint: case ftWord: case ftLongWord: case ftShortint: case ftByte: return 3;
    case ftInteger: case ftAutoInc: return 4;
    case ftLargeint: return 16;
    case ftBoolean: return 1;
    case ftFloat: case ftBCD: case ftExtended: return 7;
    case ftCurrency: return 5;
    case ftDate: case ftTime: case ftDateTime: case ftOraTimeStamp: return 8;
    case ftBytes: case ftVarBytes: case ftBlob: case ftGraphic: case ftParadoxOle: case ftDBaseOle: case ftOraBlob:
    case ftOraClob:
      return dbLongBinary;
    case ftTypedBinary: return dbBinary;
    case ftMemo: case ftFmtMemo: case ftWideMemo: return dbMemo;
    case ftGuid: return 15;
    default: return dbText;
  }
}

void TRODirezaToAccess::InitializeConnection() {
  bool created = false;
  access = StartEngine(MSAccessVersion, UseCurrentInstance, created);
  IsNewestCom = created;
  db = Variant();
  recordset = Variant();
}

void TRODirezaToAccess::FinilizeConnection() {
  // Closing is best effort: a failure here must not hide the run's own error.
  for (Variant* object : {&recordset, &db}) {
    if (HasObject(*object)) try {
        OleCall(*object, u"Close");
      } catch (const Exception&) {
      }
    *object = Variant();
  }
  access = Variant();
}

void TRODirezaToAccess::OpenDatabase(const String& fileName) {
  String connect;
  if (!UserName.empty() && !Password.empty()) connect = u";UID=" + UserName + u";PWD=" + Password;
  else if (!Password.empty()) connect = u";PWD=" + Password;
  if (FileExists(fileName)) {
    try {
      db = connect.empty() ? OleCall(access, u"OpenDatabase", {Variant(fileName)})
                           : OleCall(access, u"OpenDatabase", {Variant(fileName), false, false, Variant(connect)});
      return;
    } catch (const EOleError&) {
    }
  }
  db = OleCall(access, u"CreateDatabase",
               {Variant(fileName), Variant(u";LANGID=0x0409;CP=" + IntToStr(AnsiCodePage()) + u";COUNTRY=0" + connect),
                Variant(0)});
}

bool TRODirezaToAccess::TableExists(const String& tableName) {
  if (!HasOption(Options, soMergeData)) return false;
  const Variant defs = OleGet(db, u"TableDefs");
  const Integer count = OleGet(defs, u"Count").AsInteger();
  for (Integer i = 0; i < count; ++i)
    if (SameText(VarToStr(OleGet(OleGet(defs, u"Item", {Variant(i)}), u"Name")), tableName)) return true;
  return false;
}

void TRODirezaToAccess::DeleteTable(const String& tableName) {
  const Variant defs = OleGet(db, u"TableDefs");
  const Integer count = OleGet(defs, u"Count").AsInteger();
  for (Integer i = 0; i < count; ++i) {
    const String name = VarToStr(OleGet(OleGet(defs, u"Item", {Variant(i)}), u"Name"));
    if (SameText(name, tableName)) return void(OleCall(defs, u"Delete", {Variant(name)}));
  }
}

void TRODirezaToAccess::CreateNewTable() {
  TSMECustomDataEngine& source = *SourceDataEngine();
  const Variant def = OleCall(db, u"CreateTableDef", {Variant(TableName), Variant(0), Variant(String()), Variant(String())});
  for (TSMEColumn* column : ExportedColumns()) {
    String name = HasOption(Options, soUseFieldNameAsCaption) ? column->Title.Caption : column->FieldName;
    TCellType cellType = column->DataType;
    if (OnGetCellParams) {
      TFont font = column->Title.Font;
      TAlignment alignment = column->Title.Alignment;
      TColor color = column->Title.Color;
      OnGetCellParams(this, nullptr, name, font, alignment, color, cellType);
    }
    if (CharacterSet == csASCII_MSDOS) name = UECode(true, name);
    else if (CharacterSet == csEBCDIC) name = EBCDICCode(name);
    TField* field = column->ColumnKind == ckField ? source.FindFieldByColumn(column) : nullptr;
    Integer type, size = 0;
    if (column->DataType == ctMEMO || column->DataType == ctGraphic || (field != nullptr && field->IsBlob())) {
      if (field == nullptr || IsMemoField(field)) type = dbMemo;
      else if (field->DataType() == ftGraphic) type = dbLongBinary;
      else if (column->DataType == ctMEMO) type = dbMemo;
      else type = dbLongBinary;  // the whole blob, which a fixed binary field would cut
    } else {
      type = HasOption(Options, soFieldMask) ? dbText
             : field != nullptr              ? MDBType(field->DataType())
                                             : MDBType(CellType2FieldType(cellType));
      size = std::min<Integer>(column->Width, 255);
    }
    const Variant dbField = OleCall(def, u"CreateField", {Variant(name), Variant(type), Variant(size)});
    OlePut(dbField, u"Required", Variant(source.RequiredByColumn(column)));
    OleCall(OleGet(def, u"Fields"), u"Append", {dbField});
  }
  OleCall(OleGet(db, u"TableDefs"), u"Append", {def});
}

void TRODirezaToAccess::OpenRecordset() {
  recordset = OleCall(db, u"OpenRecordset", {Variant(TableName), Variant(1), Variant(0), Variant(2)});
}

void TRODirezaToAccess::AddNewRecord() { OleCall(recordset, u"AddNew"); }

void TRODirezaToAccess::PostRecord() { OleCall(recordset, u"Update", {Variant(1), Variant(false)}); }

void TRODirezaToAccess::UpdateField(Integer /*index*/, TField* field, const Variant& value) {
  const Variant dbField = OleGet(recordset, u"Fields", {Variant(Statistic.CurrentCol)});
  if (value.IsNull() || value.IsEmpty() || VarToStr(value).empty()) return OlePut(dbField, u"Value", Variant::Null());
  // A blob stores its own bytes, a memo its whole text.
  if (IsBinaryBlobField(field)) return OlePut(dbField, u"Value", Variant(field->AsBytes()));
  if (IsMemoField(field)) return OlePut(dbField, u"Value", value);
  const TSMEColumn* column = ExportedColumn(Statistic.CurrentCol);
  if (field == nullptr && column != nullptr && (column->DataType == ctMEMO || column->DataType == ctGraphic))
    return OlePut(dbField, u"Value", value);
  try {
    OlePut(dbField, u"Value", value);
  } catch (const EOleException&) {
    // A text the database refuses is tried once more, cut to the field's size.
    const Integer size = OleGet(dbField, u"Size").AsInteger();
    OlePut(dbField, u"Value", Variant(VarToStr(value).substr(0, static_cast<size_t>(std::max<Integer>(size, 0)))));
  }
}

void GetAccessTableNames(std::vector<String>& names, const String& databaseName) {
  if (databaseName.empty())
    throw ESMEInvalidPropertyException(Format(ExportMessageText(midPropertyError), {u"DatabaseName"}));
  names.clear();
  if (!FileExists(databaseName)) return;
  bool created = false;
  Variant engine = StartEngine(avAuto, false, created);
  Variant database;
  try {
    database = OleCall(engine, u"OpenDatabase", {Variant(databaseName)});
    const Variant defs = OleGet(database, u"TableDefs");
    const Integer count = OleGet(defs, u"Count").AsInteger();
    for (Integer i = 0; i < count; ++i) {
      const Variant def = OleGet(defs, u"Item", {Variant(i)});
      if ((OleGet(def, u"Attributes").AsInteger() & dbSystemObject) == 0) names.push_back(VarToStr(OleGet(def, u"Name")));
    }
  } catch (const Exception&) {
  }
  if (HasObject(database)) try {
      OleCall(database, u"Close");
    } catch (const Exception&) {
    }
}
