#include "import/readers/SpreadSheetFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

// ---- cells and rows -----------------------------------------------------------

TSMICell* TSpreadSheetCols::GetCell(Integer col) {
  if (col < 0 || col >= Count() || !FCells[static_cast<size_t>(col)].Used) return nullptr;
  return &FCells[static_cast<size_t>(col)].Cell;
}

const TSMICell* TSpreadSheetCols::GetCell(Integer col) const {
  return const_cast<TSpreadSheetCols*>(this)->GetCell(col);
}

TSMICell& TSpreadSheetCols::Ensure(Integer index) {
  if (index >= Count()) FCells.resize(static_cast<size_t>(index) + 1);
  TSlot& slot = FCells[static_cast<size_t>(index)];
  slot.Used = true;
  return slot.Cell;
}

void TSpreadSheetRow::ClearValues() {
  for (Integer c = 0; c < Cols.Count(); ++c) {
    if (TSMICell* cell = Cols.GetCell(c)) {
      cell->Value = Variant::Null();
      cell->Alignment = taLeftJustify;
      cell->FormatIndex = -1;
    }
  }
}

TSpreadSheetRow* TSpreadSheetCells::Rows(Integer index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return FRows[static_cast<size_t>(index)].get();
}

std::unique_ptr<TSpreadSheetRow> TSpreadSheetCells::NewRow(Integer index) {
  std::unique_ptr<TSpreadSheetRow> row;
  if (FSpareRows.empty()) {
    row = std::make_unique<TSpreadSheetRow>();
  } else {
    // A freed row keeps the room of its cells for the next one.
    row = std::move(FSpareRows.back());
    FSpareRows.pop_back();
    TSpreadSheetCols cols = std::move(row->Cols);
    cols.Clear();
    *row = TSpreadSheetRow();
    row->Cols = std::move(cols);
  }
  row->Index = row->OriginalRecNo = index;
  return row;
}

Integer TSpreadSheetCells::AddRow(Integer row) {
  while (Count() <= row) FRows.push_back(NewRow(Count()));
  return row;
}

void TSpreadSheetCells::RemoveRow(Integer index) {
  if (index >= 0 && index < Count()) FRows.erase(FRows.begin() + index);
}

void TSpreadSheetCells::ReleaseRowsBefore(Integer index) {
  const Integer last = std::min(index, Count());
  for (; FReleased < last; ++FReleased) {
    std::unique_ptr<TSpreadSheetRow>& row = FRows[static_cast<size_t>(FReleased)];
    if (row && FSpareRows.size() < kSpareRows) FSpareRows.push_back(std::move(row));
    row.reset();
  }
}

void TSpreadSheetCells::Clear() {
  FReleased = 0;
  FRows.clear();
  FSpareRows.clear();
  ColCount = RowCount = UsedColCount = UsedRowCount = 0;
}

TSMICell* TSpreadSheetCells::GetCell(Integer col, Integer row) const {
  TSpreadSheetRow* r = Rows(row);
  return r != nullptr ? r->Cols.GetCell(col) : nullptr;
}

Variant TSpreadSheetCells::GetValue(Integer col, Integer row) const {
  const TSMICell* cell = GetCell(col, row);
  return cell != nullptr ? cell->Value : Variant::Null();
}

TSMICell* TSpreadSheetCells::Place(Integer col, Integer row, TAlignment alignment, Integer formatIndex,
                                   TSMICellType cellType) {
  if (col < 0 || row < 0 || col >= kMaxSheetColumns || row >= kMaxSheetRows) return nullptr;
  AddRow(row);
  std::unique_ptr<TSpreadSheetRow>& slot = FRows[static_cast<size_t>(row)];
  if (!slot) {
    // A freed row that a file names again starts anew.
    slot = NewRow(row);
  }
  TSpreadSheetCols& cols = slot->Cols;
  // A new row is as wide as the rows before it.
  if (cols.Count() == 0) cols.Reserve(std::max(UsedColCount, col + 1));
  TSMICell& cell = cols.Ensure(col);
  cell.Alignment = alignment;
  cell.FormatIndex = formatIndex;
  cell.CellType = cellType;
  if (AutoUsedRangeDetect) {
    UsedColCount = std::max(UsedColCount, col + 1);
    UsedRowCount = std::max(UsedRowCount, row + 1);
  }
  return &cell;
}

void TSpreadSheetCells::SetValue(Integer col, Integer row, const Variant& value, TAlignment alignment,
                                 Integer formatIndex, TSMICellType cellType) {
  if (value.IsNull() || value.IsEmpty()) return;
  if (TSMICell* cell = Place(col, row, alignment, formatIndex, cellType)) cell->Value = value;
}

void TSpreadSheetCells::SetValue(Integer col, Integer row, Variant&& value, TAlignment alignment,
                                 Integer formatIndex, TSMICellType cellType) {
  if (value.IsNull() || value.IsEmpty()) return;
  if (TSMICell* cell = Place(col, row, alignment, formatIndex, cellType)) cell->Value = std::move(value);
}

Variant TSpreadSheetCells::ValueByCell(const String& cellRange) const {
  Integer row = -1, col = -1;
  ParseColRow(UpperCase(cellRange), row, col);
  return GetValue(col, row);
}

Variant TSpreadSheetCells::ValueByRange(const String& range) const {
  const size_t colon = range.find(u':');
  if (colon == String::npos) return Variant::Null();
  Integer r1 = -1, c1 = -1, r2 = -1, c2 = -1;
  ParseColRow(UpperCase(range.substr(0, colon)), r1, c1);
  ParseColRow(UpperCase(range.substr(colon + 1)), r2, c2);
  if (r1 < 0 || c1 < 0 || r2 < r1 || c2 < c1) return Variant::Null();
  r2 = std::min(r2, UsedRowCount - 1);
  c2 = std::min(c2, UsedColCount - 1);
  std::vector<Variant> rows;
  for (Integer r = r1; r <= r2; ++r) {
    std::vector<Variant> cells;
    for (Integer c = c1; c <= c2; ++c) {
      const TSMICell* cell = GetCell(c, r);
      cells.push_back(cell != nullptr ? cell->Value : Variant());
    }
    if (c1 == c2)
      rows.push_back(cells.empty() ? Variant() : cells.front());
    else
      rows.push_back(Variant::ArrayOf(std::move(cells)));
  }
  return Variant::ArrayOf(std::move(rows));
}

void TSpreadSheetCells::SortByColumn(Integer colIndex, bool ascending) {
  auto less = [colIndex](const std::unique_ptr<TSpreadSheetRow>& a, const std::unique_ptr<TSpreadSheetRow>& b) {
    const TSMICell* ca = a->Cols.GetCell(colIndex);
    const TSMICell* cb = b->Cols.GetCell(colIndex);
    if (ca == nullptr || cb == nullptr) return ca == nullptr && cb != nullptr;
    try {
      return VarCompareValue(ca->Value, cb->Value) == vrLessThan;
    } catch (const Exception&) {
      return VarToStr(ca->Value) < VarToStr(cb->Value);
    }
  };
  if (ascending)
    std::stable_sort(FRows.begin(), FRows.end(), less);
  else
    std::stable_sort(FRows.begin(), FRows.end(), [&less](const auto& a, const auto& b) { return less(b, a); });
}

void TSpreadSheetCells::ClearSort() {
  std::stable_sort(FRows.begin(), FRows.end(),
                   [](const auto& a, const auto& b) { return a->OriginalRecNo < b->OriginalRecNo; });
}

String TSpreadSheet::PlainText() const {
  String text;
  for (Integer r = 0; r < Cells.UsedRowCount; ++r) {
    for (Integer c = 0; c < Cells.UsedColCount; ++c) {
      text += u'\t';
      if (const TSMICell* cell = Cells.GetCell(c, r)) {
        if (cell->Value.VarType() == varBoolean)
          text += cell->Value.AsBoolean() ? u"True" : u"False";
        else
          text += VarToStr(cell->Value);
      }
    }
    text += u"\r\n";
  }
  return text;
}

Integer TSpreadSheets::Add() {
  FSheets.push_back(std::make_unique<TSpreadSheet>());
  FSheets.back()->Caption = String(strSheetName) + IntToStr(Count());
  return Count() - 1;
}

void TSpreadSheets::Remove(Integer index) {
  if (index >= 0 && index < Count()) FSheets.erase(FSheets.begin() + index);
}

TSpreadSheet& TSpreadSheets::Spreadsheet(Integer index) {
  index = std::max(index, 0);
  while (Count() <= index) Add();
  return *FSheets[static_cast<size_t>(index)];
}

TSpreadSheet* TSpreadSheets::SheetByName(const String& name) const {
  const Integer i = SheetIndexByName(name);
  return i >= 0 ? FSheets[static_cast<size_t>(i)].get() : nullptr;
}

Integer TSpreadSheets::SheetIndexByName(const String& name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (FSheets[static_cast<size_t>(i)]->Caption == name) return i;
  return -1;
}

// ---- readers ------------------------------------------------------------------

TCustomSpreadSheetFile::TCustomSpreadSheetFile(TComponent* owner) : TComponent(owner) {}

TSpreadSheetFile::TSpreadSheetFile(TComponent* owner) : TCustomSpreadSheetFile(owner) {}

void TSpreadSheetFile::ApplyEvents() {
  Sheets.Clear();
  if (!OnDimensions)
    OnDimensions = [this](TComponent*, Integer sheetNo, Integer, Integer lastRow, Integer, Integer lastColumn) {
      TSpreadSheetCells& cells = Sheets.Spreadsheet(sheetNo).Cells;
      cells.RowCount = lastRow;
      cells.ColCount = std::min(lastColumn, FLoadRange.LastCol);
      if (!cells.AutoUsedRangeDetect) {
        cells.UsedRowCount = std::min(cells.RowCount, kMaxSheetRows);
        cells.UsedColCount = std::min(cells.ColCount, kMaxSheetColumns);
      }
    };
  if (!OnCellValue) OnCellValue = TStoreInSheets{this};
  if (!OnGetCellValue)
    OnGetCellValue = [this](TComponent*, Integer sheetNo, Integer row, Integer column, Variant& value) {
      value = Sheets.Spreadsheet(sheetNo).Cells.GetValue(column, row);
    };
  if (!OnSheet)
    OnSheet = [this](TComponent*, const String& caption, Integer index, bool& skip) {
      if (FSheetIndex >= 0) skip = index != FSheetIndex;
      Sheets[Sheets.Add()].Caption = caption;
    };
  if (!OnSheetName)
    OnSheetName = [this](TComponent*, const String& caption, Integer index) {
      if (index >= 0 && index < Sheets.Count()) Sheets[index].Caption = caption;
    };
  if (!OnColumnWidth)
    OnColumnWidth = [this](TComponent*, Integer sheetNo, Integer columnNo, Integer width) {
      if (columnNo < 0 || columnNo >= kMaxSheetColumns) return;
      std::vector<Integer>& widths = Sheets.Spreadsheet(sheetNo).ColWidths;
      if (static_cast<Integer>(widths.size()) <= columnNo) widths.resize(static_cast<size_t>(columnNo) + 1, 0);
      widths[static_cast<size_t>(columnNo)] = width;
    };
  if (!OnRowHeight)
    OnRowHeight = [this](TComponent*, Integer sheetNo, Integer rowNo, Integer height) {
      if (rowNo < 0 || rowNo >= kMaxSheetRows) return;
      TSpreadSheetCells& cells = Sheets.Spreadsheet(sheetNo).Cells;
      cells.AddRow(rowNo);
      if (TSpreadSheetRow* row = cells.Rows(rowNo)) row->RowHeight = height;
    };
}

void TSpreadSheetFile::StoreInSheets(Integer sheetNo, Integer row, Integer column, Integer formatIndex,
                                     Variant&& value, TAlignment alignment, TSMICellType cellType) {
  if (column > FLoadRange.LastCol || row > FLoadRange.LastRow) return;
  try {
    Sheets.Spreadsheet(sheetNo).Cells.SetValue(column, row, std::move(value), alignment, formatIndex, cellType);
  } catch (const Exception&) {
    // Storing one cell never fails the load.
  }
}

void TSpreadSheetFile::StoreCell(Integer sheetNo, Integer row, Integer column, Integer formatIndex,
                                 Variant&& value, TAlignment alignment, TSMICellType cellType) {
  if (const TStoreInSheets* own = OnCellValue.target<TStoreInSheets>(); own != nullptr && own->Owner == this)
    StoreInSheets(sheetNo, row, column, formatIndex, std::move(value), alignment, cellType);
  else if (OnCellValue)
    OnCellValue(this, sheetNo, row, column, formatIndex, value, alignment, cellType);
}

void TSpreadSheetFile::LoadFromFile(const String& fileName) {
  if (CheckFileExists) {
    if (Trim(fileName).empty()) throw ESMIFileException(String(strEFileIsEmpty));
    if (!FileExists(fileName)) throw ESMIFileException(Format(strEFileNotExist, {fileName}));
  }
  FFileName = fileName;
  ApplyEvents();
}

void TSpreadSheetFile::LoadFromStream(TStream& /*stream*/) { ApplyEvents(); }

void TSpreadSheetFile::LoadFromOLEStream(TStream& stream) {
  Byte header[12];
  stream.ReadBuffer(header, sizeof header);
  if (std::memcmp(header, "BDOC", 4) != 0) stream.Seek(-12, TSeekOrigin::soCurrent);
  InternalLoadFromOLEStream(stream);
}

Integer TSpreadSheetFile::FindColumn(const String& fieldName) {
  if (FNameKind == nkFieldName) return -1;
  return GetSpreadSheetColID(fieldName, CurrentSheet().Cells.UsedColCount);
}

void TSpreadSheetFile::FillColumnList(TColumnList& list, const String& fieldList) {
  list.clear();
  if (FNameKind == nkAlphabet) BuildColList(CurrentSheet().Cells.UsedColCount, fieldList, list);
}

void TSpreadSheetFile::UpdateProgress(Int64 position, Int64 totalSize) {
  if (ReadProgressCallback) ReadProgressCallback(position, totalSize);
  if (OnLoadProgress) OnLoadProgress(this, position, totalSize);
}

void TSpreadSheetFile::SetRowStatus(Integer sheetNo, Integer rowNo, TSMIRowStatus status) {
  TSpreadSheetRow* row = Sheets.Spreadsheet(sheetNo).Cells.Rows(rowNo);
  if (row == nullptr) return;
  row->Status = status;
  if (OnRecordStatusChanged) OnRecordStatusChanged(this, sheetNo, row, status);
}

// ---- helpers ------------------------------------------------------------------

Integer GetSpreadSheetColID(StringView letters, Integer maxColCount) {
  if (letters.empty()) return -1;
  Int64 number = 0;
  for (char16_t c : letters) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (c < u'A' || c > u'Z') return -1;
    number = number * 26 + (c - u'A' + 1);
    if (number > maxColCount) return -1;
  }
  return static_cast<Integer>(number - 1);
}

String GetSpreadSheetColByID(Integer n) {
  String s;
  while (n > 0) {
    --n;
    s.insert(s.begin(), static_cast<char16_t>(u'A' + n % 26));
    n /= 26;
  }
  return s;
}

void ParseColRow(StringView value, Integer& row, Integer& col) {
  size_t i = 0;
  while (i < value.size() && value[i] >= u'A' && value[i] <= u'Z') ++i;
  const StringView letters = value.substr(0, i);
  Int64 number = 0;
  while (i < value.size() && value[i] >= u'0' && value[i] <= u'9') {
    number = std::min<Int64>(number * 10 + (value[i] - u'0'), Int64{1} << 40);
    ++i;
  }
  row = static_cast<Integer>(std::min<Int64>(number - 1, 2147483647));
  col = GetSpreadSheetColID(letters, 512);
}

void BuildColList(Integer count, const String& fieldList, TColumnList& list) {
  list.clear();
  if (fieldList.empty()) {
    for (Integer i = 1; i <= count; ++i) list.push_back({GetSpreadSheetColByID(i), i});
    return;
  }
  size_t start = 0;
  while (true) {
    const size_t end = fieldList.find(u';', start);
    const String piece = fieldList.substr(start, end == String::npos ? String::npos : end - start);
    list.push_back({piece, GetSpreadSheetColID(piece, count)});
    if (end == String::npos) break;
    start = end + 1;
  }
}

bool IsNan(double value) {
  UInt64 bits;
  std::memcpy(&bits, &value, sizeof bits);
  const Cardinal high = static_cast<Cardinal>(bits >> 32);
  return (high & 0x7F800000u) == 0x7F800000u && (high & 0x007FFFFFu) != 0;
}

bool BCDToCurr(const Byte* bcd, Currency& value) {
  const Byte precision = bcd[0];
  if (precision == 0) return false;
  const Byte places = bcd[1] & 63;
  long double number = 0;
  const int digits = std::min<int>(precision, 64);
  for (int i = 0; i < digits; ++i) {
    const Byte b = bcd[2 + i / 2];
    number = number * 10 + ((i % 2 == 0) ? (b >> 4) : (b & 15));
  }
  if (bcd[1] & 0x80) number = -number;
  number *= std::pow(10.0L, 4 - static_cast<int>(places));
  const long double rounded = std::nearbyint(number);
  if (rounded > 9.2e18L || rounded < -9.2e18L) return false;
  value = Currency::FromScaled(static_cast<Int64>(rounded));
  return true;
}

bool SMBCDToCurr(const Byte* bcd, Integer digits, double& value) {
  if (digits < 0 || digits > 32) return false;
  String text = u"+" + String(static_cast<size_t>(digits), u'0');
  const Byte b = bcd[0];
  const bool negative = (b & 0x80) == 0 && (b & 0x40) != 0;
  if (negative) text[0] = u'-';
  for (Integer i = 0; i < digits; ++i) {
    Byte byte = bcd[1 + i / 2];
    if (negative) byte = static_cast<Byte>(~byte);
    const int digit = (i % 2 == 0) ? (byte >> 4) : (byte & 15);
    text[static_cast<size_t>(i) + 1] = static_cast<char16_t>(u'0' + std::min(digit, 9));
  }
  const Integer point = digits + 2 - (b & 63);
  if (point >= 1 && point <= static_cast<Integer>(text.size())) text.insert(static_cast<size_t>(point) - 1, u".");
  TFormatSettings fs = FormatSettings;
  fs.DecimalSeparator = u'.';
  return TryStrToFloat(text, value, fs);
}

TDateTime Julian2DMY(Integer julianDay) {
  Int64 l = Int64{julianDay} + 68569;
  const Int64 n = 4 * l / 146097;
  l -= (146097 * n + 3) / 4;
  const Int64 i = 4000 * (l + 1) / 1461001;
  l = l - 1461 * i / 4 + 31;
  const Int64 k = 80 * l / 2447;
  const Int64 day = l - 2447 * k / 80;
  l = k / 11;
  const Int64 month = k + 2 - 12 * l;
  const Int64 year = 100 * (n - 49) + i + l;
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
    throw EConvertError(u"Invalid argument to date encode");
  return EncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day));
}
