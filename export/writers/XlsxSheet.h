// The two XLSX parts that grow with the rows: the data worksheet and the
// shared strings. Each is compressed while it is written, into a temporary
// file for large runs (memory stays a few blocks whatever the row count);
// its head, which holds what is known only at the end (the used range, the
// string count), is compressed on its own and joined in front when the part
// becomes its package entry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "export/writers/XlsxParts.h"
#include "export/writers/XmlStreamWriter.h"
#include "export/writers/ZipArchive.h"

// A part whose body is compressed as it is written.
class TXlsxGrowingPart {
 public:
  // temporaryFile: the compressed body goes to a file deleted when closed,
  // else to memory.
  TXlsxGrowingPart(bool temporaryFile, TDeflatePool* pool, int level);
  ~TXlsxGrowingPart();

  TXmlStreamWriter& Body() { return FXml; }
  // The entry: the head (a complete XML start), then the body.
  void AddTo(TZipArchive& zip, std::string_view name, std::string_view head);

 private:
  std::unique_ptr<TStream> FSink;
  std::unique_ptr<TZipDeflater> FDeflater;
  int FLevel;
  TXmlStreamWriter FXml;
};

// xl/worksheets/sheet1.xml: rows and cells as they come.
class TXlsxWorksheetPart {
 public:
  TXlsxWorksheetPart(bool temporaryFile, TDeflatePool* pool, int level);

  void StartRow(Integer row, Integer height);  // row from 0; height in the export's units (20 = default)
  void EndRow();
  void NumberCell(Integer column, Integer style, double value);
  void IntegerCell(Integer column, Integer style, Int64 value);
  void SharedStringCell(Integer column, Integer style, Integer index);
  void BooleanCell(Integer column, Integer style, bool value);
  void BlankCell(Integer column, Integer style);
  void AddColumnWidth(Integer column, Integer width);

  String HeaderText, FooterText;  // page header and footer, empty for none
  bool HasDrawing = false;
  void AddTo(TZipArchive& zip);

 private:
  std::string Head() const;
  // A cell with its style (omitted when 0), type ("" for a number) and value
  // ("" for none).
  void PutCell(Integer column, Integer style, std::string_view type, std::string_view value);
  const std::string& ColumnName(Integer column);

  TXlsxGrowingPart FPart;
  std::vector<std::string> FColumnNames;
  std::vector<std::pair<Integer, Integer>> FColWidths;
  Integer FRow = 0;
  Integer FMaxRow = -1, FMaxColumn = -1;
  char FRowDigits[16] = {};
  size_t FRowDigitCount = 0;
};

// xl/sharedStrings.xml: one item per text cell, in order (equal texts are
// not merged, so nothing of the strings stays in memory).
class TXlsxSharedStringsPart {
 public:
  TXlsxSharedStringsPart(bool temporaryFile, TDeflatePool* pool, int level);
  // The index of the text's item.
  Integer Add(StringView text);
  Integer Count() const { return FCount; }
  void AddTo(TZipArchive& zip);

 private:
  TXlsxGrowingPart FPart;
  Integer FCount = 0;
};
