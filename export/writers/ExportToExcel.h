// Workbooks saved by a spreadsheet application driven through automation
// ("Excel.Application"). The writer sends a row's values with one range
// assignment and sets number formats per column, falling back to one call
// per cell only when memo columns or detail levels exist.
#pragma once

#include <vector>

#include "export/writers/CellFileWriter.h"

enum TMSExcelVersion : Byte {
  evExcelAuto, evExcel2, evExcel2FarEast, evExcel3, evExcel4, evExcel5, evExcel7, evExcel9597, evExcel8,
  evExcel2007
};
inline constexpr TMSExcelVersion DefaultExcelVersion = evExcelAuto;

class TRODirezaToExcel : public TRODirezaToCellFile {
 public:
  explicit TRODirezaToExcel(TComponent* owner = nullptr);
  ~TRODirezaToExcel() override;
  const char* ClassName() const override { return "TRODirezaToExcel"; }

  TMSExcelVersion ExcelVersion = DefaultExcelVersion;
  String TemplateFile;
  bool UseCurrentInstance = false;
  Integer StartColumn = 0;
  Integer StartRow = 0;
  bool FreezeFixed = false;
  bool DeleteDefaultSheets = false;
  String Password;
  std::vector<String> PageHeader;
  std::vector<String> PageFooter;

  String Extension() const override { return u".XLS"; }

  // The number format of a column or cell of the type: "0", "0.00" ...,
  // "" for dates and times, "@" (text) for the rest.
  String GetFormat(TFieldType fieldType, Integer precision) const;
  // A text that the spreadsheet would take for a formula: "=" or "-", then
  // one of the known function names and "(" in any case.
  static bool IsFormula(StringView text);

 protected:
  void InternalFileCreate(const String& fileName) override;
  void CloseFileStream() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteColWidth(Integer column, Integer width) override;
  void WriteRowStart() override;
  void WriteRowEnd() override;
  void WriteHeader() override;
  void WriteFooter() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;
  void WriteMergeData(TCellType cellType, Integer row, Integer column, Integer count, const String& text,
                      TAlignment alignment, const TFont* font, TColor color) override;

  bool IsNewestCom = false;
  String strLastFileName;
  bool FIsMemoColumnExist = false;
  std::vector<Variant> arrData;  // the current row's values, by column
  TColor colorDefault = clWhite;
  Integer intMergedSheetRows = 0;
  Variant xls;  // the application
  Variant xlw;  // the workbook

 private:
  void CreateNewSheet(const String& sheetName);
  void SaveFileStream();
  Variant ActiveSheet();
  // A range of one sheet row between two sheet columns (from 1), in A1 notation.
  Variant RowRange(Integer sheetRow, Integer firstColumn, Integer lastColumn);
  // The exported column at a position among the exported columns; none past them.
  const TSMEColumn* ExportedColumn(Integer position) const;
  bool RowAtATime() const { return !FIsMemoColumnExist && Statistic.CurrentDataLevel == 0; }
};
