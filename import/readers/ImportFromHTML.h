// The HTML table source: every row (TR) of every table of a page, in
// document order, is one source row, and its cells (TD, TH) its columns,
// named "Field1", "Field2", ... A small tag scanner of its own reads the
// page once; each row is kept as a short normalized string of its tags and
// cell texts ("<TD>text</TD>...", tag names as written, no attributes).
#pragma once

#include <vector>

#include "import/ImportComponent.h"
#include "import/WideStrings.h"
#include "import/readers/MarkupText.h"

enum TSMIExtTag : Byte { etImage, etURL };
// One bit per TSMIExtTag.
using TSMIExtTags = Byte;
inline constexpr TSMIExtTags ExtTagBit(TSMIExtTag tag) { return static_cast<TSMIExtTags>(1u << tag); }
// The extra tags a new HTML source reads; none unless a host sets them.
extern TSMIExtTags DefExtTags;

// What one load of a page gives.
struct THTMLLoad {
  // The normalized field-name row ("" when none was read).
  String CaptionRow;
  // One identifier per cell of the naming row: "Field1", "Field2", ...
  TWideStrings* Captions = nullptr;
  // The normalized rows from the first to the last row.
  std::vector<String>* Rows = nullptr;
};

// Reads the page from the stream's position. Rows are counted from 1 over
// all tables; those from firstRow to lastRow are kept (in preview mode at
// most previewRows of them). fieldNamesRow names the columns (0 or less:
// row 1 gives the identifiers, no names).
void LoadHTMLFromStream(bool preview, THTMLLoad& load, TStream& stream, Integer firstRow, Integer lastRow,
                        Integer previewRows, Integer fieldNamesRow, TSMIExtTags extTags);
void LoadHTMLFile(bool preview, THTMLLoad& load, const String& fileName, Integer firstRow, Integer lastRow,
                  Integer previewRows, Integer fieldNamesRow, TSMIExtTags extTags);
// Without a list: the raw text of cell index (1-based) of the row, empty
// when it has fewer cells. With a list: appends one identifier per cell
// of the row to it (index is then -1).
void GetValue(TWideStrings* list, Integer index, StringView row, String& value);
// Loads the file in preview mode and hands each row (from 1) to the
// callback, one raw value per column: the columns of the field list (";"
// separated) when it is given, else those the page names (columns is
// filled with them).
void LoadHTMLPreview(void* grid, const String& fieldList, const String& fileName, const String& unused,
                     Integer firstRow, Integer lastRow, Integer fieldNamesRow, Integer previewRows, bool flag,
                     TWideStrings& columns, const TMarkupPreviewCallback& callback, TSMIExtTags extTags);

class TRADerevuFromHTML : public TRADerevuBaseComponent {
 public:
  explicit TRADerevuFromHTML(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromHTML"; }

  // Only etImage has an effect: an image cell reads as its source.
  TSMIExtTags ExtTagsParse() const { return FExtTagsParse; }
  void SetExtTagsParse(TSMIExtTags value) { FExtTagsParse = value; }

  void BeforeImport() override;
  void AfterImport() override;
  bool LoadRecord() override;
  void GoFirst() override { intCurRow = 0; }
  void GoNext() override { ++intCurRow; }
  bool NeedMore() override;
  Integer GetTotalCount() override { return static_cast<Integer>(lstFileRows.size()); }
  void GetFieldValue(const Variant& name, Variant& value) override;
  bool NotDefined(String& propertyName) override;
  String Extension() const override { return u".HTML"; }
  String FillFileFilters() const override;
  void DetectAutoMapping() override;
  // A mapping reads a column by its identifier ("Field2"), whatever the
  // column's name.
  void GetColumnFieldName(Integer index, String& name) override;

 private:
  std::vector<String> lstFileRows;
  TWideStrings lstCaptions;
  Integer intCurRow = 0;
  String strCaptionRow;
  String strFromFile;
  TSMIExtTags FExtTagsParse;
};
