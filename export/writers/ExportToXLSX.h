// Office Open XML workbooks (.xlsx): a ZIP package with the data worksheet,
// two empty worksheets, shared strings, styles, a theme and the document
// properties. The package is written to the output as its parts complete;
// the worksheet and the shared strings are compressed while the rows come,
// so memory does not grow with the row count.
#pragma once

#include <memory>
#include <vector>

#include "export/writers/ExportToCustomXLS.h"
#include "export/writers/XlsxParts.h"

class TZipArchive;
class TXlsxWorksheetPart;
class TXlsxSharedStringsPart;

class TRODirezaToXLSX : public TRODirezaToCustomXLS {
 public:
  explicit TRODirezaToXLSX(TComponent* owner = nullptr);
  ~TRODirezaToXLSX() override;
  const char* ClassName() const override { return "TRODirezaToXLSX"; }
  String Extension() const override { return u".XLSX"; }

  // zlib's level for every entry, and the threads that compress the parts
  // that grow with the rows (0: the run's own thread).
  int CompressionLevel;
  unsigned CompressionThreads;

 protected:
  void InternalBeforeProcess() override;
  void InternalAfterProcess() override;
  void InternalFileCreate(const String& fileName) override;
  void InternalFileClose() override;
  void WriteFileBegin() override;
  void WriteFileEnd() override;
  void WriteColWidth(Integer column, Integer width) override;
  void WriteRowStart() override;
  void WriteRowEnd() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;
  void WriteCell(const TCellValue& cell, Integer row, Integer column, TAlignment alignment, const TFont* font,
                 TColor color) override;

  void ApplyDefaultFont(TFont& font) override;
  Word GetDefaultNumFormat(TCellType cellType) override;
  Integer GetMaxFontCount() override { return 1048575; }
  Integer GetMaxRowCount() override { return 1048576; }

 private:
  // The cell's style index: a style entry with soColorsFonts, else the
  // fixed format of its type.
  Integer StyleOf(TCellType type, const TFont* font, TColor color, TAlignment alignment);
  void CheckColumn(Integer column);
  // The cell from its text, whichever road brought it.
  void PutCell(TField* field, TCellType cellType, Integer column, StringView text, TAlignment alignment,
               const TFont* font, TColor color);
  // What both roads do first: the column check, pictures left out, the
  // stored type (soFieldMask, blanks, currency without a symbol, floats of
  // precision 0); false when the cell is not written.
  bool StartCellStep(TField* field, TCellType cellType, Integer column, bool empty, TCellType& type);
  void ClosePackage();

  std::unique_ptr<TZipArchive> fsXLSX;
  std::unique_ptr<TXlsxWorksheetPart> FSheet;
  std::unique_ptr<TXlsxSharedStringsPart> FStrings;
  std::vector<TXlsxPicture> FPictures;
  bool FRowOpen = false;
};
