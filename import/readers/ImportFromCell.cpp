#include "import/readers/ImportFromCell.h"

#include <algorithm>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "import/readers/Advantage.h"
#include "import/readers/Clarion.h"
#include "import/readers/DBF.h"
#include "import/readers/DBISAM.h"
#include "import/readers/Lotus123.h"
#include "import/readers/MSExcel.h"
#include "import/readers/MSExcelX.h"
#include "import/readers/OpenOfficeCalc.h"
#include "import/readers/Paradox.h"
#include "import/readers/QuattroPro.h"
#include "import/readers/Skype.h"
#include "import/readers/VCalendar.h"
#include "import/readers/WAB.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// The column type a value reads as, or none for an empty one.
enum class TScanType { None, Integer, Float, DateTime, Boolean, Text };

TScanType ScanTypeOf(const Variant& value) {
  switch (value.VarType()) {
    case varEmpty:
    case varNull: return TScanType::None;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord: return TScanType::Integer;
    case varSingle:
    case varDouble:
    case varCurrency: return TScanType::Float;
    case varDate: return TScanType::DateTime;
    case varBoolean: return TScanType::Boolean;
    default: return TScanType::Text;
  }
}

// The scan only loosens: integers and floats give floats, any other mix
// gives text.
TScanType Widen(TScanType have, TScanType seen) {
  if (seen == TScanType::None || have == seen) return have;
  if (have == TScanType::None) return seen;
  const bool numbers = (have == TScanType::Integer || have == TScanType::Float) &&
                       (seen == TScanType::Integer || seen == TScanType::Float);
  return numbers ? TScanType::Float : TScanType::Text;
}

TSMIDataType DataTypeOf(TScanType t) {
  switch (t) {
    case TScanType::Integer: return itInteger;
    case TScanType::Float: return itFloat;
    case TScanType::DateTime: return itDateTime;
    case TScanType::Boolean: return itBoolean;
    default: return itString;
  }
}

}  // namespace

TRADerevuFromCell::TRADerevuFromCell(TComponent* owner) : TRADerevuBaseComponent(owner) {}
TRADerevuFromCell::~TRADerevuFromCell() = default;

void TRADerevuFromCell::SetSheetIndex(Integer value) {
  FSheetIndex = value;
  if (value != -1) FSheetName.clear();
}

void TRADerevuFromCell::SetSheetName(const String& value) {
  FSheetName = value;
  if (!value.empty()) FSheetIndex = -1;
}

TSpreadSheet* TRADerevuFromCell::CurrentSheet() const {
  if (!FWorkBook) return nullptr;
  const Integer index = std::max(FSheetIndex, 0);
  if (index >= FWorkBook->Sheets.Count()) return nullptr;
  return &FWorkBook->Sheets[index];
}

void TRADerevuFromCell::BeforeImport() {
  TRADerevuBaseComponent::BeforeImport();
  FColumnsFound.clear();
  if (!FWorkBook) FWorkBook = WorkBookCreation();
  if (!FWorkBook) return;
  try {
    FWorkBook->SetSheetIndex(FSheetIndex);
    // The rows are read in order and once: a reader that can keeps only
    // the rows still to come, after the first ones the column detection
    // looks at (the names row and the rows scanned for types).
    if (!FWorkBook->IsIncrementalLoad) {
      const Int64 head = Int64{std::max(RowFieldNames(), 0)} + (ScansColumnTypes() ? std::max(MaxScanRows(), 0) : 0) + 1;
      FWorkBook->RowsOnDemand = static_cast<Integer>(std::min<Int64>(head, kMaxSheetRows));
    }
    row = std::make_unique<TSpreadSheetRow>();
    if (FWorkBook->IsIncrementalLoad)
      FWorkBook->OnCellValue = [this](TComponent*, Integer, Integer r, Integer c, Integer format, const Variant& v,
                                      TAlignment alignment, TSMICellType type) {
        FCCellValue(r, c, format, v, alignment, type);
      };
    if (DataStream != nullptr) {
      FWorkBook->LoadFromStream(*DataStream);
    } else if (FWorkBook->IsIncrementalLoad) {
      FWorkBook->SetFileName(SourceFileName());
      fStream = std::make_unique<TFileStream>(SourceFileName(), fmOpenRead | fmShareDenyNone);
      FWorkBook->LoadFromStream(*fStream);
    } else {
      FWorkBook->LoadFromFile(SourceFileName());
    }
    if (!FSheetName.empty() && FSheetIndex < 0) {
      FSheetIndex = FWorkBook->Sheets.SheetIndexByName(FSheetName);
      FWorkBook->SetSheetIndex(FSheetIndex);
    }
  } catch (...) {
    // A source that cannot be read is the run's failure, reported to the
    // caller; it never ends as a successful import of no rows.
    AfterImport();
    throw;
  }
}

void TRADerevuFromCell::AfterImport() {
  FCurSheetRow = nullptr;
  FColumnsFound.clear();
  fStream.reset();
  row.reset();
  FWorkBook.reset();
  TRADerevuBaseComponent::AfterImport();
}

void TRADerevuFromCell::FCCellValue(Integer r, Integer column, Integer formatIndex, const Variant& value,
                                    TAlignment alignment, TSMICellType cellType) {
  if (!row || !FWorkBook || column < 0 || column >= kMaxSheetColumns) return;
  const TSMRange& range = FWorkBook->LoadRange();
  if (r < range.FirstRow - 1 || r > range.LastRow) return;
  TSMICell& cell = row->Cols.Ensure(column);
  cell.Value = value;
  cell.Alignment = alignment;
  cell.FormatIndex = formatIndex;
  cell.CellType = cellType;
}

void TRADerevuFromCell::GoFirst() {
  if (FWorkBook) FWorkBook->BeforeLoad();
  intCurRow = RowFirst() - 1;
}

bool TRADerevuFromCell::NeedMore() {
  bool more = FWorkBook != nullptr && intCurRow < RowLast();
  if (more) {
    if (FWorkBook->IsIncrementalLoad) {
      more = intCurRow < GetTotalCount();
    } else {
      if (intCurRow >= 0) FWorkBook->LoadRowsThrough(intCurRow);
      const TSpreadSheet* sheet = CurrentSheet();
      more = sheet != nullptr && intCurRow < sheet->Cells.UsedRowCount && intCurRow < sheet->Cells.Count();
    }
  }
  if (!more && FWorkBook) FWorkBook->AfterLoad();
  return more;
}

Integer TRADerevuFromCell::GetTotalCount() {
  if (!FWorkBook) return TRADerevuBaseComponent::GetTotalCount();
  const TSpreadSheet* sheet = CurrentSheet();
  if (sheet == nullptr) return 0;
  return std::max(sheet->Cells.UsedRowCount, sheet->Cells.Count());
}

bool TRADerevuFromCell::LoadRecord() {
  if (!FWorkBook) {
    FCurSheetRow = nullptr;
  } else if (FWorkBook->IsIncrementalLoad) {
    if (row) row->ClearValues();
    if (!FWorkBook->LoadRecord(intCurRow)) return false;
    FCurSheetRow = row.get();
  } else {
    const TSpreadSheet* sheet = CurrentSheet();
    FCurSheetRow = sheet != nullptr ? sheet->Cells.Rows(intCurRow) : nullptr;
  }
  return TRADerevuBaseComponent::LoadRecord();
}

Integer TRADerevuFromCell::ColumnOf(const Variant& name) {
  const String* text = name.StringValue();
  if (text == nullptr) return FWorkBook->FindColumn(VarToStr(name));
  // The same few names come for every row, in the same order: each found
  // column is kept for the run (a sheet's columns only grow while it is
  // read), and the search begins after the name found last.
  const size_t count = FColumnsFound.size();
  for (size_t i = 0; i < count; ++i) {
    const size_t at = (FLastColumnFound + 1 + i) % count;
    if (FColumnsFound[at].Name == *text) {
      FLastColumnFound = at;
      return FColumnsFound[at].Column;
    }
  }
  const Integer column = FWorkBook->FindColumn(*text);
  if (column >= 0) {
    FLastColumnFound = count;
    FColumnsFound.push_back({*text, column});
  }
  return column;
}

void TRADerevuFromCell::GetFieldValue(const Variant& name, Variant& value) {
  value = Variant::Null();
  if (!FWorkBook) return;
  const Integer index = ColumnOf(name);
  if (index < 0) return;
  if (FWorkBook->NameKind() == nkFieldName) {
    if (FCurSheetRow != nullptr)
      if (const TSMICell* cell = FCurSheetRow->Cols.GetCell(index)) value = cell->Value;
    return;
  }
  if (const TSpreadSheet* sheet = CurrentSheet())
    if (const TSMICell* cell = sheet->Cells.GetCell(index, intCurRow)) value = cell->Value;
}

bool TRADerevuFromCell::NotDefined(String& propertyName) {
  if (TRADerevuBaseComponent::NotDefined(propertyName)) return true;
  if (SourceFileName().empty() && DataStream == nullptr) {
    propertyName = u"SourceFileName";
    return true;
  }
  return false;
}

void TRADerevuFromCell::DetectAutoMapping() {
  const TSpreadSheet* sheet = CurrentSheet();
  if (sheet == nullptr) return;
  const TSpreadSheetCells& cells = sheet->Cells;
  const Integer namesRow = RowFieldNames();
  const bool hasNames = namesRow > 0 && (namesRow < cells.RowCount || namesRow <= cells.UsedRowCount);
  for (Integer c = 0; c < cells.UsedColCount; ++c) {
    TSMIColumn& column = *Columns().Add();
    const TSMICell* nameCell = hasNames ? cells.GetCell(c, namesRow - 1) : nullptr;
    if (nameCell != nullptr) {
      column.FieldName = column.Caption = VarToStr(nameCell->Value);
      column.Alignment = nameCell->Alignment;
    }
    if (column.FieldName.empty()) column.FieldName = GetSpreadSheetColByID(c + 1);
    column.DataType = itString;
    if (ScansColumnTypes() && MaxScanRows() > 0) {
      TScanType scanned = TScanType::None;
      const Integer first = std::max(namesRow, 0);
      const Integer last = static_cast<Integer>(std::min<Int64>(Int64{first} + MaxScanRows(), cells.Count() - 1));
      for (Integer r = first; r <= last; ++r)
        if (const TSMICell* cell = cells.GetCell(c, r)) scanned = Widen(scanned, ScanTypeOf(cell->Value));
      column.DataType = DataTypeOf(scanned);
    }
    if (c < static_cast<Integer>(sheet->ColWidths.size())) column.Size = sheet->ColWidths[static_cast<size_t>(c)] / 230;
  }
}

void TRADerevuFromCell::GetColumnFieldName(Integer index, String& name) {
  if (FWorkBook && FWorkBook->NameKind() == nkFieldName) {
    TRADerevuBaseComponent::GetColumnFieldName(index, name);
    return;
  }
  name = GetSpreadSheetColByID(index + 1);
}

void TRADerevuFromCell::LoadSpecificationFromStrings(const TWideStrings& list) {
  TRADerevuBaseComponent::LoadSpecificationFromStrings(list);
  for (int i = 0; i < list.Count(); ++i) {
    const String line = list.Get(i);
    if (line.rfind(u"SheetIndex=", 0) != 0) continue;
    Integer value = 0;
    if (TryStrToInt(Trim(line.substr(11)), value)) SetSheetIndex(value);
  }
}

void TRADerevuFromCell::SaveSpecificationToStringList(TWideStrings& list, const String& specName) {
  TRADerevuBaseComponent::SaveSpecificationToStringList(list, specName);
  list.Add(u"[Sheet]");
  list.Add(u"SheetIndex=" + IntToStr(FSheetIndex));
}

// ---- the Excel source ---------------------------------------------------------

TRADerevuFromXLS::TRADerevuFromXLS(TComponent* owner) : TRADerevuFromCell(owner) { SetTableType(teXLS); }

std::unique_ptr<TSpreadSheetFile> TRADerevuFromXLS::WorkBookCreation() {
  return CreateSpreadSheetReader(teXLS, SourceFileName());
}

namespace {

// Descriptions and patterns, each followed by "|", then the filter of all
// files.
template <size_t N>
String FileFilters(const char16_t* const (&entries)[N][2]) {
  String filter;
  for (const auto& entry : entries) filter += String(entry[0]) + u"|" + entry[1] + u"|";
  return filter + strAllFiles;
}

}  // namespace

String TRADerevuFromXLS::FillFileFilters() const {
  static const char16_t* const kEntries[][2] = {
      {u"Excel spreadsheet (*.xls)", u"*.XLS"},
      {u"Excel file (*.xls)", u"*.XLS"},
      {u"Excel 12 Workbook (*.xlsx)", u"*.XLSX"},
      {u"Excel 12 Macro-Enabled Workbook (*.xlsm)", u"*.XLSM"},
      {u"Excel 12 Binary Workbook (*.xlsb)", u"*.XLSB"},
      {u"Excel 12 Template (*.xltx)", u"*.XLTX"},
      {u"Excel 12  Macro-Enabled Template (*.xltm)", u"*.XLTM"}};
  return FileFilters(kEntries);
}

// ---- the Lotus and Quattro sources ----------------------------------------------

TRADerevuFromWKS::TRADerevuFromWKS(TComponent* owner) : TRADerevuFromCell(owner) { SetTableType(teWKS); }

std::unique_ptr<TSpreadSheetFile> TRADerevuFromWKS::WorkBookCreation() {
  return CreateSpreadSheetReader(teWKS, SourceFileName());
}

String TRADerevuFromWKS::FillFileFilters() const {
  static const char16_t* const kEntries[][2] = {
      {u"Lotus 1-2-3 file (*.wk1)", u"*.WK1"},     {u"Lotus 1-2-3 file (*.wk2)", u"*.WK2"},
      {u"Lotus Symphony file (*.wr1)", u"*.WR1"},  {u"Lotus 1-2-3/98 file (*.123)", u"*.123"},
      {u"Lotus 1-2-3 file (*.wk3)", u"*.WK3"},     {u"Lotus 1-2-3 file (*.wk4)", u"*.WK4"},
      {u"Lotus 1-2-3 file (*.wk4)", u"*.WKS"},     {u"Lotus 1-2-3 file (*.wk4)", u"*.WKE"}};
  return FileFilters(kEntries);
}

TRADerevuFromQuattro::TRADerevuFromQuattro(TComponent* owner) : TRADerevuFromCell(owner) { SetTableType(teQuattro); }

std::unique_ptr<TSpreadSheetFile> TRADerevuFromQuattro::WorkBookCreation() {
  return CreateSpreadSheetReader(teQuattro, SourceFileName());
}

String TRADerevuFromQuattro::FillFileFilters() const {
  static const char16_t* const kEntries[][2] = {
      {u"QuattroPro file (*.wq1)", u"*.WQ1"},
      {u"QuattroPro file (*.wq2)", u"*.WQ2"},
      {u"QuattroPro file (*.wkq)", u"*.WKQ"},
      {u"QuattroPro for Windows 7.0 (*.wb3)", u"*.WB3"},
      {u"QuattroPro Project File (*.qpw)", u"*.QPW"}};
  return FileFilters(kEntries);
}

// ---- the dBase source ---------------------------------------------------------

TRADerevuFromDBF::TRADerevuFromDBF(TComponent* owner) : TRADerevuFromCell(owner) { SetTableType(teDBase); }

std::unique_ptr<TSpreadSheetFile> TRADerevuFromDBF::WorkBookCreation() {
  return CreateSpreadSheetReader(teDBase, SourceFileName());
}

String TRADerevuFromDBF::FillFileFilters() const { return String(u"DBase file (*.dbf)|*.DBF|") + strAllFiles; }

void TRADerevuFromDBF::DetectAutoMapping() {
  const auto* table = dynamic_cast<const TDBF*>(WorkBook());
  if (table == nullptr) {
    TRADerevuFromCell::DetectAutoMapping();
    return;
  }
  for (const TDBFField& field : table->Fields()) {
    TSMIColumn& column = *Columns().Add();
    column.FieldName = field.FieldName;
    column.Size = field.Length;
    column.Precision = field.Decimals;
    column.DataType = DBFFieldDataType(field, table->DBFVersion());
  }
}

Integer TRADerevuFromDBF::GetTotalCount() {
  if (const auto* table = dynamic_cast<const TDBF*>(WorkBook())) return table->RecordCount();
  return TRADerevuFromCell::GetTotalCount();
}

bool TRADerevuFromDBF::LoadRecord() {
  auto* table = dynamic_cast<TDBF*>(WorkBook());
  FSelected = nullptr;
  if (table == nullptr || !table->IsIncrementalLoad) return TRADerevuFromCell::LoadRecord();
  if (!table->SelectRecord(intCurRow)) return false;
  FSelected = table;
  return TRADerevuBaseComponent::LoadRecord();
}

void TRADerevuFromDBF::GetFieldValue(const Variant& name, Variant& value) {
  if (FSelected == nullptr || FSelected != WorkBook()) {
    TRADerevuFromCell::GetFieldValue(name, value);
    return;
  }
  const String* text = name.StringValue();
  FSelected->FieldValue(FSelected->FindColumn(text != nullptr ? *text : VarToStr(name)), value);
}

TSMIDataType VODCellType2VODDataType(TSMICellType cellType) {
  switch (static_cast<TSMICellType>(cellType & 0x7F)) {
    case ictInteger: return itInteger;
    case ictDecimal: return itFloat;
    case ictDateTime: return itDateTime;
    case ictBoolean: return itBoolean;
    case ictMemo: return itMEMO;
    default: return itString;
  }
}

std::unique_ptr<TSpreadSheetFile> CreateSpreadSheetReader(TTableTypeImport type, const String& fileName) {
  if (type == teXLS) {
    if (TMSExcelX::IsPackageExtension(fileName)) return std::make_unique<TMSExcelX>();
    return std::make_unique<TMSExcel>();
  }
  if (type == teDBase) return std::make_unique<TDBF>();
  if (type == teParadox) return std::make_unique<TDBParadox>();
  if (type == teADT) return std::make_unique<TADT>();
  if (type == teDBISAM) return std::make_unique<TDBISAM>();
  if (type == teClarion) return std::make_unique<TClarion>();
  if (type == teWKS) return std::make_unique<TLotus123>();
  if (type == teQuattro) return std::make_unique<TQuattroPro>();
  if (type == teODS) return std::make_unique<TSMIOpenOfficeSpreadsheet>();
  if (type == teVCalendar) return std::make_unique<TSMIVCalendar>();
  if (type == teSkype) return std::make_unique<TSMISkype>();
  if (type == teWAB) return std::make_unique<TSMIWAB>();
  throw ESMISpreadsheetType(String(strESpreadsheetType));
}

void FillArrayValue(Integer columnCount, const TSpreadSheetRow* row, TSMIColumnNameKind nameKind,
                    std::vector<TPreviewValue>& values, const TColumnList& columns) {
  for (TPreviewValue& value : values) {
    value.Value = Variant::Null();
    if (row == nullptr) continue;
    Integer col = -1;
    if (nameKind == nkFieldName) {
      for (const TColumnEntry& entry : columns)
        if (entry.Name == value.Name) {
          col = entry.Column;
          break;
        }
    } else {
      col = GetSpreadSheetColID(value.Name, columnCount);
    }
    if (const TSMICell* cell = row->Cols.GetCell(col)) value.Value = cell->Value;
  }
}

void LoadSpreadSheetPreview(TTableTypeImport importType, void* grid, const String& fileName,
                            const String& fieldList, Integer sheetIndex, Integer firstRow, Integer rowCount,
                            Integer lastRow, TColumnList& columns, bool isOEM, std::vector<String>& sheets,
                            const TPreviewRowCallback& rowCallback, const TPreviewProgressCallback& progress) {
  sheets.clear();
  std::unique_ptr<TSpreadSheetFile> reader = CreateSpreadSheetReader(importType, fileName);
  if (progress) reader->ReadProgressCallback = progress;
  reader->SetSheetIndex(sheetIndex);
  reader->LoadRange().LastRow = static_cast<Integer>(std::min<Int64>(Int64{rowCount} + firstRow, 2147483647));
  reader->IsIncrementalLoad = false;
  reader->LoadFromFile(fileName);
  for (Integer i = 0; i < reader->Sheets.Count(); ++i) sheets.push_back(reader->Sheets[i].Caption);
  reader->FillColumnList(columns, fieldList);
  std::vector<TPreviewValue> values;
  for (const TColumnEntry& entry : columns) values.push_back({entry.Name, entry.Column, Variant::Null()});
  const TSpreadSheet& sheet = reader->Sheets.Spreadsheet(sheetIndex);
  const Integer columnCount = sheet.Cells.UsedColCount;
  for (Int64 r = Int64{firstRow} - 1; r < Int64{rowCount} + firstRow - 1 && r <= sheet.Cells.UsedRowCount && r < lastRow;
       ++r) {
    const TSpreadSheetRow* row = sheet.Cells.Rows(static_cast<Integer>(r));
    if (row == nullptr) continue;
    FillArrayValue(columnCount, row, reader->NameKind(), values, columns);
    if (rowCallback)
      rowCallback(grid, static_cast<Integer>(values.size()), static_cast<Integer>(r - firstRow + 2), isOEM, values);
  }
}
