// Documents with a table, saved by a word processor driven through
// automation ("Word.Application"). Header and footer lines become
// paragraphs before and after the table.
#pragma once

#include "export/writers/CellFileWriter.h"
#include "export/writers/OfficeAutomationSupport.h"

enum TSMEWordFileFormat : Byte {
  ewDefault, ewDocument, ewDocument97, ewText, ewDOSText, ewRTF, ewUnicodeText, ewHTML, ewWebArchive,
  ewFilteredHTML, ewXML, ewPDF, ewXPS, ewODT
};

class TRODirezaToWord : public TRODirezaToCellFile {
 public:
  explicit TRODirezaToWord(TComponent* owner = nullptr);
  ~TRODirezaToWord() override;
  const char* ClassName() const override { return "TRODirezaToWord"; }

  bool UseCurrentInstance = false;
  String TemplateFile;
  String Password;
  TSMEWordFileFormat FileFormat = ewDefault;

  String Extension() const override { return u".DOC"; }

 protected:
  void InternalFileCreate(const String& fileName) override;
  void CloseFileStream() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteDataBegin() override;
  void WriteColWidth(Integer column, Integer width) override;
  void WriteRowStart() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;
  void WriteMergeData(TCellType cellType, Integer row, Integer column, Integer count, const String& text,
                      TAlignment alignment, const TFont* font, TColor color) override;

  bool IsNewestCom = false;
  String strLastFileName;
  TOfficeTableShape FShape;  // the widths (arrColWidths) and dimensions received
  Integer intTotalMergedCols = 0;  // cells merged away in the current table row
  Integer intTableRows = 0;        // rows the table has
  Variant word, document, table;

 private:
  // The table row (from 1) of an output row; below 1 for rows before the table.
  Integer TableRow(Integer row) const { return row - static_cast<Integer>(Header.size()) + 1; }
  float MarginPoints(float value) const;
};

// The word processor's colour index of a colour; 0 for colours it has none for.
Integer WordColorIndex(TColor color);
