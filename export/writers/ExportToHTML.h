// HTML pages holding the exported cells as a table inside a page template.
// Texts are escaped by the export's one escaping policy and written in the
// character set, characters outside an 8-bit set as numeric references.
#pragma once

#include <functional>
#include <vector>

#include "export/writers/CellFileWriter.h"
#include "export/writers/MarkupOutput.h"
#include "export/writers/RunCharacterSet.h"

class TRODirezaToHTML : public TRODirezaToCellBufferedFile {
 public:
  explicit TRODirezaToHTML(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToHTML"; }

  bool EmbeddedImages = false;
  bool HeaderFooterWithHTML = false;  // header and footer lines are HTML, written as they are
  std::vector<String> HTMLPattern;    // the page template; empty: the default page
  std::function<void(TRODirezaToHTML* sender, TSMEColumn* column, String& attributes, String& tag)>
      OnGetExtHTMLCellParamsEvent;
  std::function<void(TRODirezaToHTML* sender, String& attributes)> OnGetExtHTMLTableParamsEvent;
  std::function<void(TRODirezaToHTML* sender, String& attributes)> OnGetExtHTMLRowParamsEvent;

  String GetFieldStr(TField* field) override;
  String Extension() const override { return u".HTM"; }
  void Assign(const TComponent* source) override;

 protected:
  void InternalBeforeProcess() override;
  void InternalAfterProcess() override;
  void WriteFileBegin() override;
  void WriteFileEnd() override;
  void WriteDataBegin() override;
  void WriteDataEnd() override;
  void WriteRowStart() override;
  void WriteRowEnd() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteColWidth(Integer column, Integer width) override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;
  void WriteMergeData(TCellType cellType, Integer row, Integer column, Integer count, const String& text,
                      TAlignment alignment, const TFont* font, TColor color) override;

 private:
  void Put(StringView markup);
  void PutText(StringView text);
  void Emit();
  // The cell's content as HTML: escaped text in its font's tags.
  String Content(TCellType cellType, const String& text, const TFont* font);
  String PictureCell(TField* field, const String& text, const String& tag, const String& attributes);

  TRunCharacterSet FRunCharacterSet;
  TMarkupOutput FOut;
  bool IsCustomHTMLTemplate = false;
  size_t intCurLineHTMLPattern = 0;
  size_t intCurColumn = String::npos;  // where "</BODY>" begins in that line
  std::vector<Integer> arrWidthByColumns;
  Integer intCurPicFile = 1;
  String strDefTDTag;
  std::vector<String> FWidthAttributes;  // "width=..." of each column
  String FAttributes, FTag;
  bool IsTBodyTag = false;
};

// The HTML font size of a size in points; -1 for none.
Integer HTMLFontSize(Integer points);
// "color=\"#rrggbb\"" (with "bg" before it for a background); empty for black.
String HTMLColor(TColor color, bool background);
