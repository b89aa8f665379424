// The reader model shared by every file reader of the import: a workbook of
// sheets, rows and cells, and the reader bases TCustomSpreadSheetFile and
// TSpreadSheetFile. A reader turns its file into notifications (a sheet
// begins, its dimensions, a cell value, a column width, a row height); by
// default the base answers them itself and fills Sheets, and a consumer may
// install its own handlers instead (the incremental load of the database
// readers).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/db/DBTypes.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

// A column list: each name with its column (letters mode: 1-based number;
// field lists: the 0-based column, or -1).
struct TColumnEntry {
  String Name;
  Integer Column = -1;
};
using TColumnList = std::vector<TColumnEntry>;

enum TSMICellType : Byte {
  ictUnknown, ictEmpty, ictString, ictInteger, ictDecimal, ictDateTime, ictBoolean, ictMemo, ictDate, ictTime
};
enum TSMIRowStatus : Byte { rsNormal, rsDeleted, rsError };
using TSMIRowStatuses = Byte;  // one bit per TSMIRowStatus
inline constexpr TSMIRowStatuses RowStatusBit(TSMIRowStatus s) { return static_cast<TSMIRowStatuses>(1u << s); }
enum TSMIColumnNameKind : Byte { nkAlphabet, nkFieldName };
enum TSMIParseItem : Byte { ipiText, ipiBLOB, ipiVBA, ipiPictures, ipiSummaryInformation, ipiComments };
using TSMIParseItems = Byte;  // one bit per TSMIParseItem
inline constexpr TSMIParseItems ParseItemBit(TSMIParseItem i) { return static_cast<TSMIParseItems>(1u << i); }

// Sheets never grow past these: a row or column beyond them in a file is
// dropped, so a forged reference cannot make the workbook allocate without
// bound. They are the largest sheet any reader's format can describe.
inline constexpr Integer kMaxSheetRows = 1 << 24;
inline constexpr Integer kMaxSheetColumns = 1 << 16;

class TSMICell {
 public:
  Variant Value;
  TAlignment Alignment = taLeftJustify;
  Integer FormatIndex = -1;
  TSMICellType CellType = ictUnknown;
  void Assign(const TSMICell& source) { *this = source; }
};

// The cells of one row by column; a position may hold no cell.
class TSpreadSheetCols {
 public:
  Integer Count() const { return static_cast<Integer>(FCells.size()); }
  // The cell, or nullptr outside 0..Count-1 or at an empty position.
  TSMICell* GetCell(Integer col);
  const TSMICell* GetCell(Integer col) const;
  // Pads with empty positions up to index and stores a copy of value there.
  void SetCell(Integer index, const TSMICell& value) { Ensure(index) = value; }
  // The cell at index, created (padding the list) when missing.
  TSMICell& Ensure(Integer index);
  void Clear() { FCells.clear(); }
  // Room for count cells without moving them again.
  void Reserve(Integer count) { FCells.reserve(static_cast<size_t>(count)); }

 private:
  // A cell and whether the position holds one; kept inline, so a row of
  // cells is one allocation.
  struct TSlot {
    TSMICell Cell;
    bool Used = false;
  };
  std::vector<TSlot> FCells;
};

class TSpreadSheetRow {
 public:
  Integer OriginalRecNo = 0;
  TSMIRowStatus Status = rsNormal;
  bool Visible = true;
  Integer RowHeight = 0;
  Integer Index = 0;
  TSpreadSheetCols Cols;
  // Every cell gets Null, left alignment and format -1; its type stays.
  void ClearValues();
};

class TSpreadSheetCells {
 public:
  TSpreadSheetCells() = default;
  TSpreadSheetCells(const TSpreadSheetCells&) = delete;
  TSpreadSheetCells& operator=(const TSpreadSheetCells&) = delete;

  Integer Count() const { return static_cast<Integer>(FRows.size()); }
  TSpreadSheetRow* Rows(Integer index) const;
  Integer ColCount = 0;
  Integer RowCount = 0;
  Integer UsedColCount = 0;
  Integer UsedRowCount = 0;
  bool AutoUsedRangeDetect = true;

  // Appends rows until rows 0..row exist; returns row.
  Integer AddRow(Integer row);
  void RemoveRow(Integer index);
  void Clear();
  TSMICell* GetCell(Integer col, Integer row) const;
  Variant GetValue(Integer col, Integer row) const;
  // Nothing for a negative or too large position or a Null or unassigned
  // value; otherwise stores the cell and widens the used range.
  void SetValue(Integer col, Integer row, const Variant& value, TAlignment alignment, Integer formatIndex,
                TSMICellType cellType);
  // The same, taking the value over.
  void SetValue(Integer col, Integer row, Variant&& value, TAlignment alignment, Integer formatIndex,
                TSMICellType cellType);
  // "B3" (any case) → the value there, or Null.
  Variant ValueByCell(const String& cellRange) const;
  // "A1:C3" → an array of row arrays (a single column: an array of values);
  // Null for anything else.
  Variant ValueByRange(const String& range) const;
  void SortByColumn(Integer colIndex, bool ascending);
  void ClearSort();
  // Frees the rows before index; their positions stay and read as empty.
  // A sheet read row by row keeps only the rows still to be read this way.
  void ReleaseRowsBefore(Integer index);

 private:
  // The cell to store a value at (its format and type set), or nullptr
  // for a position outside the sheet.
  TSMICell* Place(Integer col, Integer row, TAlignment alignment, Integer formatIndex, TSMICellType cellType);

  // A row for position index, made anew or taken from the freed ones.
  std::unique_ptr<TSpreadSheetRow> NewRow(Integer index);

  std::vector<std::unique_ptr<TSpreadSheetRow>> FRows;
  Integer FReleased = 0;  // rows before it are freed
  // Freed rows kept for the rows still to come: a sheet read row by row
  // makes its rows without an allocation each.
  static constexpr size_t kSpareRows = 4;
  std::vector<std::unique_ptr<TSpreadSheetRow>> FSpareRows;
};

class TSpreadSheet {
 public:
  TSpreadSheetCells Cells;
  String Caption;
  std::vector<Integer> ColWidths;
  // The used range as text: per row, a tab before each cell's text, CR LF
  // after each row.
  String PlainText() const;
};

class TSpreadSheets {
 public:
  Integer Count() const { return static_cast<Integer>(FSheets.size()); }
  TSpreadSheet& operator[](Integer index) const { return *FSheets.at(static_cast<size_t>(index)); }
  // A new sheet named "Sheet" and its 1-based position; returns its index.
  Integer Add();
  void Remove(Integer index);
  void Clear() { FSheets.clear(); }
  // The sheet at index (a negative index counts as 0), added when missing.
  TSpreadSheet& Spreadsheet(Integer index);
  TSpreadSheet* SheetByName(const String& name) const;
  Integer SheetIndexByName(const String& name) const;

 private:
  std::vector<std::unique_ptr<TSpreadSheet>> FSheets;
};

class TSMRange {
 public:
  Integer FirstRow = 1;
  Integer LastRow = 2147483647;
  Integer FirstCol = 1;
  Integer LastCol = 2147483647;
  void Assign(const TSMRange& source) { *this = source; }
};

struct TBIFFRecordHeader {
  Word ID = 0;
  Word Len = 0;
};

class TCustomSpreadSheetFile;
using TOnColumnWidth = std::function<void(TComponent* sender, Integer sheetNo, Integer columnNo, Integer width)>;
using TOnRowHeight = std::function<void(TComponent* sender, Integer sheetNo, Integer rowNo, Integer height)>;
using TOnDimensions = std::function<void(TComponent* sender, Integer sheetNo, Integer firstRow, Integer lastRow,
                                         Integer firstColumn, Integer lastColumn)>;
using TOnCellValue =
    std::function<void(TComponent* sender, Integer sheetNo, Integer row, Integer column, Integer formatIndex,
                       const Variant& value, TAlignment alignment, TSMICellType cellType)>;
using TOnGetCellValue =
    std::function<void(TComponent* sender, Integer sheetNo, Integer row, Integer column, Variant& value)>;
using TOnSheet = std::function<void(TComponent* sender, const String& caption, Integer index, bool& skip)>;
using TOnSheetName = std::function<void(TComponent* sender, const String& caption, Integer index)>;
using TOnRecord =
    std::function<void(TComponent* sender, const TBIFFRecordHeader& header, const std::vector<Byte>& data)>;
using TOnRecordStatusChanged =
    std::function<void(TComponent* sender, Integer sheetNo, TSpreadSheetRow* row, TSMIRowStatus status)>;
using TErrorParseRecord = std::function<void(TComponent* sender, const Exception& error, bool& abort)>;
using TOnLoadProgress = std::function<void(TComponent* sender, Int64 position, Int64 totalSize)>;
using TReadProgressCallback = std::function<void(Int64 position, Int64 totalSize)>;

class TCustomSpreadSheetFile : public TComponent {
 public:
  explicit TCustomSpreadSheetFile(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TCustomSpreadSheetFile"; }

  const String& FileName() const { return FFileName; }
  void SetFileName(const String& value) { FFileName = value; }
  bool LoadNULLs() const { return FLoadNULLs; }
  void SetLoadNULLs(bool value) { FLoadNULLs = value; }
  // The sheet to load; -1 loads every sheet.
  Integer SheetIndex() const { return FSheetIndex; }
  void SetSheetIndex(Integer value) { FSheetIndex = value; }
  TSMRange& LoadRange() { return FLoadRange; }
  void SetLoadRange(const TSMRange& value) { FLoadRange.Assign(value); }
  virtual bool IsEncrypted() { return false; }

  TErrorParseRecord OnErrorProcess;
  TOnColumnWidth OnColumnWidth;
  TOnRowHeight OnRowHeight;
  TOnDimensions OnDimensions;
  TOnCellValue OnCellValue;
  TOnGetCellValue OnGetCellValue;
  TOnSheet OnSheet;
  TOnSheetName OnSheetName;
  TOnRecord OnRecord;
  TOnRecordStatusChanged OnRecordStatusChanged;
  bool IsIncrementalLoad = false;

 protected:
  String FFileName;
  bool FLoadNULLs = false;
  Integer FSheetIndex = -1;
  TSMRange FLoadRange;
};

class TSpreadSheetFile : public TCustomSpreadSheetFile {
 public:
  explicit TSpreadSheetFile(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TSpreadSheetFile"; }

  TOnLoadProgress OnLoadProgress;
  TSMIColumnNameKind NameKind() const { return FNameKind; }
  void SetNameKind(TSMIColumnNameKind value) { FNameKind = value; }
  TSMIRowStatuses LoadRowStatutes() const { return FLoadRowStatutes; }
  void SetLoadRowStatutes(TSMIRowStatuses value) { FLoadRowStatutes = value; }
  TSMIParseItems ParseItems() const { return FParseItems; }
  void SetParseItems(TSMIParseItems value) { FParseItems = value; }
  bool HasParseItem(TSMIParseItem item) const { return (FParseItems & ParseItemBit(item)) != 0; }

  TBIFFRecordHeader BufferHeader;
  bool CheckFileExists = true;
  TSpreadSheets Sheets;
  TReadProgressCallback ReadProgressCallback;
  Integer LastLoadedRecNo = -1;

  // Empties Sheets and installs the default handler in every notification
  // that has none; readers parse their file after calling it.
  virtual void ApplyEvents();
  virtual String ReadBLOBValue(Cardinal /*block*/, Cardinal /*length*/) { return {}; }
  virtual String ReadBLOBUnicodeValue(Cardinal /*block*/, Cardinal /*length*/) { return {}; }
  virtual void InternalLoadFromOLEStream(TStream& stream) { LoadFromStream(stream); }
  // Checks the name (ESMIFileException), sets FileName, ApplyEvents.
  virtual void LoadFromFile(const String& fileName);
  virtual void LoadFromStream(TStream& stream);
  // Skips a 12-byte header that begins with "BDOC", then
  // InternalLoadFromOLEStream.
  virtual void LoadFromOLEStream(TStream& stream);
  virtual void BeforeLoad() { LastLoadedRecNo = -1; }
  virtual void AfterLoad() {}
  virtual bool LoadRecord(Integer recNo) {
    LastLoadedRecNo = recNo;
    return true;
  }
  virtual Integer FindColumn(const String& fieldName);
  virtual void FillColumnList(TColumnList& list, const String& fieldList);

  // Rows on demand: when a consumer sets RowsOnDemand to n > 0 before the
  // load and loads one sheet, a reader that can may stop after the sheet's
  // first n rows; the consumer then calls LoadRowsThrough for each row it
  // reads, in order. The rows before that row are freed, so a large sheet
  // never lives in memory whole. Readers that cannot load the whole sheet
  // and LoadRowsThrough does nothing.
  Integer RowsOnDemand = 0;
  // Reads on until the sheet's row `row` is complete or the sheet ends, and
  // frees the rows before it.
  virtual void LoadRowsThrough(Integer /*row*/) {}

  void UpdateProgress(Int64 position, Int64 totalSize);
  void SetRowStatus(Integer sheetNo, Integer rowNo, TSMIRowStatus status);

 protected:
  // Hands a cell to OnCellValue; the handler ApplyEvents installs takes
  // the value over instead of copying it.
  void StoreCell(Integer sheetNo, Integer row, Integer column, Integer formatIndex, Variant&& value,
                 TAlignment alignment, TSMICellType cellType);

  // The sheet that FindColumn and FillColumnList look at.
  TSpreadSheet& CurrentSheet() { return Sheets.Spreadsheet(FSheetIndex); }

  TSMIColumnNameKind FNameKind = nkAlphabet;
  TSMIRowStatuses FLoadRowStatutes = RowStatusBit(rsNormal);
  TSMIParseItems FParseItems =
      ParseItemBit(ipiText) | ParseItemBit(ipiBLOB) | ParseItemBit(ipiSummaryInformation);

 private:
  // The default OnCellValue: stores the cell in Sheets.
  struct TStoreInSheets {
    TSpreadSheetFile* Owner;
    void operator()(TComponent*, Integer sheetNo, Integer row, Integer column, Integer formatIndex,
                    const Variant& value, TAlignment alignment, TSMICellType cellType) const {
      Owner->StoreInSheets(sheetNo, row, column, formatIndex, Variant(value), alignment, cellType);
    }
  };
  void StoreInSheets(Integer sheetNo, Integer row, Integer column, Integer formatIndex, Variant&& value,
                     TAlignment alignment, TSMICellType cellType);
};

// Column letters: "A" is 0, "Z" 25, "AA" 26; -1 for anything that is not
// letters or exceeds maxColCount columns.
Integer GetSpreadSheetColID(StringView letters, Integer maxColCount);
// 1 → "A", 27 → "AA"; empty for n <= 0.
String GetSpreadSheetColByID(Integer n);
// "C12" → row 11, column 2 (letters up to 512 columns).
void ParseColRow(StringView value, Integer& row, Integer& col);
// Fills the list with column letters (1..count) or the names of the field
// list (";"-separated), each with its column as object.
void BuildColList(Integer count, const String& fieldList, TColumnList& list);
// True for every NaN and infinity (and magnitudes from 2^1017 up).
bool IsNan(double value);
// A 34-byte packed BCD record to a currency; false when it has no digits or
// does not fit.
bool BCDToCurr(const Byte* bcd, Currency& value);
// A sign-and-scale byte and 16 bytes of packed digits, digits of them.
bool SMBCDToCurr(const Byte* bcd, Integer digits, double& value);
// The calendar date of a Julian day number.
TDateTime Julian2DMY(Integer julianDay);
