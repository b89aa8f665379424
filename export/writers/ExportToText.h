// Delimited and fixed-width text output.
#pragma once

#include <vector>

#include "export/writers/CellFileWriter.h"

enum TSMETextQualifying : Byte { tqAny, tqStringOnly, tqNoNumber };

// What a new text writer takes as its TextQualifying.
namespace ZAZ2TXT {
extern TSMETextQualifying defTextQualifying;
}

class TRODirezaToText : public TRODirezaToCellBufferedFile {
 public:
  explicit TRODirezaToText(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToText"; }

  TSMETextQualifying TextQualifying;
  bool AddCtrlZ = false;  // a character 26 after the footer

  Integer MappingVersion() override { return Fixed ? 1 : 2; }
  String GetFieldStr(TField* field) override;
  String Extension() const override { return Fixed ? u".TXT" : u".CSV"; }

 protected:
  bool MergeIsSupported() override { return true; }
  void WriteFooter() override;
  void WriteFileBegin() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteColWidth(Integer column, Integer width) override;
  void WriteDataBegin() override;
  void WriteRowStart() override;
  void WriteRowEnd() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;
  void WriteCell(const TCellValue& cell, Integer row, Integer column, TAlignment alignment, const TFont* font,
                 TColor color) override;

  // A setting's text in the file's character set, as the cells are.
  String Markup(const String& text) const;

 private:
  bool IsQualified(TField* field, TCellType cellType, StringView text) const;
  // The cell's text padded, qualified and followed by its separator, added
  // to the row; the text is already in the file's character set.
  void AppendCell(TField* field, TCellType cellType, Integer column, StringView text, TAlignment alignment);
  // Whether the cell needs more than its text: padding or qualifying.
  bool IsPlainCell(TField* field, TCellType cellType) const;
  void AppendCellEnd(Integer column);
  // Writes the collected row: one WriteString, so one encoding, per row.
  void FlushRow();

  std::vector<Integer> FColWidths;
  // The settings' texts in the file's character set, made once per file.
  String FSeparator, FQualifier, FRecordSeparator;
  bool FHasSeparator = false, FHasQualifier = false;
  // Rows of the current title block so far; its second is the blank row
  // after the titles, whose cells get no separator.
  Integer FTitleBlockRows = 0;
  bool FBlankTitleRow = false;
  String FRow;    // the row being written, reused for every row
  String FValue;     // a cell's padded text
  String FCellText;  // a typed cell's text when it needs padding or qualifying
};
