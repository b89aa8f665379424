// The bridge between the import engine and the readers built on
// TSpreadSheetFile: TRADerevuFromCell creates its reader (WorkBookCreation),
// makes it load the source, and walks the rows of one sheet for the engine;
// an incremental reader (the database tables) fills a single row per
// record instead. TRADerevuFromXLS is the Excel source. The unit also holds
// the wizard's preview loader.
#pragma once

#include <functional>
#include <memory>

#include "import/ImportComponent.h"
#include "import/readers/SpreadSheetFile.h"

class TRADerevuFromCell : public TRADerevuBaseComponent {
 public:
  explicit TRADerevuFromCell(TComponent* owner = nullptr);
  ~TRADerevuFromCell() override;
  const char* ClassName() const override { return "TRADerevuFromCell"; }

  Integer SheetIndex() const { return FSheetIndex; }
  // Any value but -1 clears SheetName.
  void SetSheetIndex(Integer value);
  const String& SheetName() const { return FSheetName; }
  // A non-empty name sets SheetIndex to -1; the name is resolved at load.
  void SetSheetName(const String& value);
  // The reader of the current run (nullptr outside a run).
  TSpreadSheetFile* WorkBook() const { return FWorkBook.get(); }

  void BeforeImport() override;
  void AfterImport() override;
  bool LoadRecord() override;
  void GoFirst() override;
  void GoNext() override { ++intCurRow; }
  bool NeedMore() override;
  Integer GetTotalCount() override;
  void GetFieldValue(const Variant& name, Variant& value) override;
  bool NotDefined(String& propertyName) override;
  void DetectAutoMapping() override;
  void GetColumnFieldName(Integer index, String& name) override;
  void LoadSpecificationFromStrings(const TWideStrings& list) override;
  void SaveSpecificationToStringList(TWideStrings& list, const String& specName) override;

  // Creates the reader; each source overrides it.
  virtual std::unique_ptr<TSpreadSheetFile> WorkBookCreation() { return nullptr; }
  // Whether the column detection scans the rows for types (MaxScanRows).
  virtual bool ScansColumnTypes() const { return false; }

 protected:
  // The sheet rows are read from.
  TSpreadSheet* CurrentSheet() const;
  Integer intCurRow = 0;

 private:
  void FCCellValue(Integer row, Integer column, Integer formatIndex, const Variant& value, TAlignment alignment,
                   TSMICellType cellType);
  // The reader's column for a source name (FindColumn), remembered.
  Integer ColumnOf(const Variant& name);

  Integer FSheetIndex = 0;
  String FSheetName;
  TSpreadSheetRow* FCurSheetRow = nullptr;
  std::unique_ptr<TFileStream> fStream;
  std::unique_ptr<TSpreadSheetRow> row;
  std::unique_ptr<TSpreadSheetFile> FWorkBook;
  TColumnList FColumnsFound;
  size_t FLastColumnFound = 0;
};

class TRADerevuFromXLS : public TRADerevuFromCell {
 public:
  explicit TRADerevuFromXLS(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromXLS"; }
  // TMSExcelX for the package extensions, TMSExcel for any other.
  std::unique_ptr<TSpreadSheetFile> WorkBookCreation() override;
  bool ScansColumnTypes() const override { return true; }
  String Extension() const override { return u".XLS"; }
  String FillFileFilters() const override;
};

// The Lotus 1-2-3 and Symphony source.
class TRADerevuFromWKS : public TRADerevuFromCell {
 public:
  explicit TRADerevuFromWKS(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromWKS"; }
  std::unique_ptr<TSpreadSheetFile> WorkBookCreation() override;
  String Extension() const override { return u".WK1"; }
  String FillFileFilters() const override;
};

// The Quattro and Quattro Pro source.
class TRADerevuFromQuattro : public TRADerevuFromCell {
 public:
  explicit TRADerevuFromQuattro(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromQuattro"; }
  std::unique_ptr<TSpreadSheetFile> WorkBookCreation() override;
  String Extension() const override { return u".WQ1"; }
  String FillFileFilters() const override;
};

// The dBase and FoxPro source: columns from the field descriptors, the row
// count from the table header.
class TDBF;

class TRADerevuFromDBF : public TRADerevuFromCell {
 public:
  explicit TRADerevuFromDBF(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromDBF"; }
  std::unique_ptr<TSpreadSheetFile> WorkBookCreation() override;
  String Extension() const override { return u".DBF"; }
  String FillFileFilters() const override;
  void DetectAutoMapping() override;
  Integer GetTotalCount() override;
  // A table's record is read where it lies, each field only when the run
  // asks for it, never copied through the cells of a sheet row.
  bool LoadRecord() override;
  void GetFieldValue(const Variant& name, Variant& value) override;

 private:
  TDBF* FSelected = nullptr;  // the table whose current record LoadRecord chose
};

// A reader's cell type as a column type.
TSMIDataType VODCellType2VODDataType(TSMICellType cellType);

// The reader for a source type and file (the Excel readers by extension);
// raises ESMISpreadsheetType "Incorrect type of spreadsheet." for a type
// without one.
std::unique_ptr<TSpreadSheetFile> CreateSpreadSheetReader(TTableTypeImport type, const String& fileName);

// One preview value: the column's name and index and the cell's value.
struct TPreviewValue {
  String Name;
  Integer Column = -1;
  Variant Value;
};
using TPreviewRowCallback =
    std::function<void(void* grid, Integer columnCount, Integer rowNumber, bool isOEM, std::vector<TPreviewValue>& values)>;
using TPreviewProgressCallback = std::function<void(Int64 position, Int64 total)>;

// Loads the file with the type's reader and hands the rows from firstRow
// (1-based) on, at most rowCount of them and not past lastRow, to the row
// callback; the sheet captions go into sheets. The reader's errors reach
// the caller.
void LoadSpreadSheetPreview(TTableTypeImport importType, void* grid, const String& fileName,
                            const String& fieldList, Integer sheetIndex, Integer firstRow, Integer rowCount,
                            Integer lastRow, TColumnList& columns, bool isOEM, std::vector<String>& sheets,
                            const TPreviewRowCallback& rowCallback, const TPreviewProgressCallback& progress);
// Fills the values from one row (nullptr: all Null) by the columns' names.
void FillArrayValue(Integer columnCount, const TSpreadSheetRow* row, TSMIColumnNameKind nameKind,
                    std::vector<TPreviewValue>& values, const TColumnList& columns);
