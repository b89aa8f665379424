// The OpenDocument spreadsheet source (.ods): TSMIOpenOfficeSpreadsheet
// reads the tables of the package's "content.xml" into sheets, one cell
// text at a time as the part is inflated; TRADerevuFromOpenOfficeCalc is its
// import component. Only cell texts are read (a number as it is shown),
// not formulas, number formats or the document's properties. With rows on
// demand the sheet asked for is read as the import walks it, so a large
// sheet never lives in memory whole.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "import/readers/ImportFromCell.h"
#include "import/readers/SummaryInformation.h"

class TXmlTokenizer;

// The looks of a text style's font.
struct TSMIOOFont {
  Integer Size = 0;
  Cardinal Color = 0;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
};

struct TSMIORect {
  Integer Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// An automatic style of the content part.
class TSMIOOStyle {
 public:
  virtual ~TSMIOOStyle() = default;
  String StyleName;
  String StyleFamily;
};

// Families "text" and "paragraph".
class TSMIOOStyleText : public TSMIOOStyle {
 public:
  TSMIOOFont TextFont;
  Cardinal Color = 16777215;
  TAlignment Alignment = taLeftJustify;
};

// Family "graphic".
class TSMIOOStyleGraphic : public TSMIOOStyle {
 public:
  TSMIORect ClipRect;
};

// A list style ("text:list-style", no family).
class TSMIOOStyleNumList : public TSMIOOStyle {
 public:
  String NumPrefix, NumSufix, NumFormat;
  Integer SpaceBefore = 0;
  String BulletChar = String(1, u'\x07');
};

class TSMIOOStyles {
 public:
  Integer Count() const { return static_cast<Integer>(FStyles.size()); }
  void Add(std::unique_ptr<TSMIOOStyle> style);
  void ClearStyles();
  // The style at a valid index, nullptr otherwise.
  TSMIOOStyle* GetStyle(Integer index) const;
  // The first style of exactly that name, nullptr when none.
  TSMIOOStyle* FindByStyleName(const String& name) const;

 private:
  std::vector<std::unique_ptr<TSMIOOStyle>> FStyles;
  std::unordered_map<String, TSMIOOStyle*> FByName;
};

class TSMIOpenOfficeSpreadsheet : public TSpreadSheetFile {
 public:
  explicit TSMIOpenOfficeSpreadsheet(TComponent* owner = nullptr);
  ~TSMIOpenOfficeSpreadsheet() override;
  const char* ClassName() const override { return "TSMIOpenOfficeSpreadsheet"; }

  // The default handlers, then the summary and the styles are cleared and
  // every table is read (SheetIndex -1).
  void ApplyEvents() override;
  void LoadFromFile(const String& fileName) override;
  // Reads the package from the stream's position. Raises "Invalid file
  // version or file format." for a stream that is no package or has no
  // "content.xml".
  void LoadFromStream(TStream& stream) override;
  // With RowsOnDemand, the table of the sheet asked for pauses after its
  // first rows when it declares its columns and those rows fill them all
  // (the consumer takes the width of the rows to come from them); it is
  // then read as far as the rows asked for.
  void LoadRowsThrough(Integer row) override;
  // Every load leaves SheetIndex at -1 (all tables are read): columns are
  // found by the width of the sheet that was asked for.
  Integer FindColumn(const String& fieldName) override;
  void FillColumnList(TColumnList& list, const String& fieldList) override;

  const TSMISummaryInformation& SummaryInformation() const { return FSummaryInformation; }
  void SetSummaryInformation(const TSMISummaryInformation& value) { FSummaryInformation.Assign(value); }
  const TSMIOOStyles& Styles() const { return FStyles; }

 private:
  // The content part being read; it may pause between rows.
  class TContent;

  // Reads the package; sheet is the one asked for (-1: any).
  void Load(TStream& stream, Integer sheet);
  // The style list element's children; returns at its end tag.
  void ReadStyles(TXmlTokenizer& xml);

  TSMISummaryInformation FSummaryInformation;
  TSMIOOStyles FStyles;
  // The sheet the last load was asked for (-1: none, the first counts).
  Integer FAskedSheet = -1;
  // While a sheet is read on demand.
  std::unique_ptr<TContent> FContent;
};

class TRADerevuFromOpenOfficeCalc : public TRADerevuFromCell {
 public:
  explicit TRADerevuFromOpenOfficeCalc(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromOpenOfficeCalc"; }
  std::unique_ptr<TSpreadSheetFile> WorkBookCreation() override;
  bool ScansColumnTypes() const override { return true; }
  bool ProcessRowsForColumnTypes() override { return true; }
  String Extension() const override { return u".ODS"; }
  String FillFileFilters() const override;
  // Every cell the reader delivers is text, so a column mapped as it is
  // can be read as a view of its cell.
  Integer SourceColumnIndex(const String& name) override;
  StringView SourceColumnText(Integer index, String& scratch) override;
};

// "#RRGGBB" → red + green * 256 + blue * 65536 (0 for anything else).
Cardinal GetColorFromHTML(StringView text);
// The leading decimal digits of the text (0 when there are none).
Integer GetNumericValue(StringView text);
// "rect(left, top, width, height)" (the first four digit runs) into rect;
// any other text leaves it unchanged.
void GetRectFromHTML(StringView text, TSMIORect& rect);
