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
  void WriteRowEnd() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;

  // A setting's text in the file's character set, as the cells are.
  String Markup(const String& text) const;

 private:
  bool IsQualified(TField* field, TCellType cellType, const String& text) const;

  std::vector<Integer> FColWidths;
  // The settings' texts in the file's character set, made once per file.
  String FSeparator, FQualifier, FRecordSeparator;
  bool FHasSeparator = false, FHasQualifier = false;
  String FCell;  // reused for every cell, so a row costs no allocations
};
