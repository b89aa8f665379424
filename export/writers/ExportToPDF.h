// PDF reports: the rows laid out top to bottom on pages, each cell a text
// run at its column's left edge, with grid lines, backgrounds and font
// colours. The document is written strictly forward: one page's content is
// held at a time, and fonts are written once at the end.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "export/writers/CellFileWriter.h"
#include "export/writers/PdfFonts.h"

enum TPDFCompressionMethod : Byte { cmFastest, cmNormal, cmMaxCompress };
enum TSMEViewerPreference : Byte { evpHideToolBar, evpHideMenuBar, evpHideWindowUI, evpFitWindow, evpCenterWindow };
using TSMEViewerPreferences = Byte;  // bits of TSMEViewerPreference
enum TSMEPDFPageLayout : Byte {
  eplDefault, eplSinglePage, eplOneColumn, eplTwoColumnLeft, eplTwoColumnRight, eplTwoPageLeft, eplTwoPageRight
};
enum TPDFFilterDecode : Byte { fdASCIIHex, fdASCII85, fdLZW, fdDCT, fdFlate };

class TRODirezaToPDF : public TRODirezaToCellBufferedFile {
 public:
  explicit TRODirezaToPDF(TComponent* owner = nullptr);
  ~TRODirezaToPDF() override;
  const char* ClassName() const override { return "TRODirezaToPDF"; }
  String Extension() const override { return u".PDF"; }

  // A4 in points, portrait.
  static constexpr Integer A4PageWidth = 595;
  static constexpr Integer A4PageHeight = 842;
  static constexpr Integer RowHeight = 20;

  TSMEViewerPreferences ViewerPreferences = 0;
  TSMEPDFPageLayout PageLayout = eplDefault;
  TPDFCompressionMethod CompressionMethod = cmNormal;
  TPDFFilterDecode FontDecode = fdASCIIHex;
  TPDFFilterDecode ImageDecode = fdFlate;

  void Assign(const TComponent* source) override;

  // The data as a stream filter gives it, and the filter's name; a filter
  // this writer does not encode (LZW, DCT) leaves the data plain and names
  // none.
  static std::string EncodeString(const std::string& data, TPDFFilterDecode decode, TPDFCompressionMethod method);
  static const char* FilterName(TPDFFilterDecode decode);
  // A text as a PDF string literal holds it: backslash, parentheses and
  // line breaks escaped.
  static std::string EscapeText(std::string_view text);
  static void AppendEscaped(std::string& out, std::string_view text);

 protected:
  virtual void WritePageBegin();
  virtual void WritePageEnd();

  bool MergeIsSupported() override { return false; }
  void WriteString(const String& text) override;
  void WriteFileBegin() override;
  void WriteFileEnd() override;
  void WriteHeader() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteColWidth(Integer column, Integer width) override;
  void WriteRowStart() override;
  void WriteRowEnd() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;
  void WriteMergeData(TCellType cellType, Integer row, Integer column, Integer count, const String& text,
                      TAlignment alignment, const TFont* font, TColor color) override;
  void WriteCell(const TCellValue& cell, Integer row, Integer column, TAlignment alignment, const TFont* font,
                 TColor color) override;

 private:
  struct TPageNode {
    Integer Ref = 0;
    std::string Kids;  // "n 0 R " for each of its pages
    Integer Count = 0;
  };

  void WriteLine8(const std::string& bytes);  // one line of the document
  void WriteRaw(const std::string& bytes);
  void AddRef(Integer ref);
  Integer GetNextRefIndex() { return FLastUsedRefIndex++; }
  // The colour operator line ("r g b RG" or "rg", with its end of line).
  const std::string& PDFColor(TColor color, bool stroking);
  void WriteRect(Integer left, Integer top, Integer width, Integer height, TColor foreColor, TColor backColor);
  void WriteFonts();
  // One cell's background, text and column line, on either road.
  void DrawCell(TCellType cellType, Integer row, Integer column, StringView text, const TFont* font, TColor color);

  std::vector<Integer> arrColWidths;
  Integer MaxKids = 10;
  Integer FLastUsedRefIndex = 4;
  std::vector<std::pair<Integer, Int64>> CrossRef;
  TPDFFonts tblFont;
  std::vector<TPageNode> lstPages;
  Integer intTotalPages = 0;
  Int64 FilePos = 0;  // bytes written to the document so far
  Integer intLastMergeCol = -1;
  Integer StreamRefIndex = 0, LengthRefIndex = 0, ProcRefIndex = 0, ResRefIndex = 0;
  Integer intCurRowHeight = RowHeight;
  Integer intCurYPos = 10;
  Integer FOneSheetWidth = A4PageWidth, PageWidth = A4PageWidth, PageHeight = A4PageHeight;
  bool IsMemStream = false;
  bool FPageOpen = false;
  std::string MemStream;  // the current page's content
  std::string FLine;      // reused per line
  TFont FLastFont;        // the font of the last text cell, and its entry
  Integer FLastFontIndex = -1;
  std::unordered_map<UInt64, std::string> FColors;
};
