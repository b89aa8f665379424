// The text and clipboard source: delimited or fixed-width text from a file,
// a caller's stream or the clipboard, cut into lines (one row each) and each
// line into fields.
//
// Source columns are named "Field1", "Field2", ... (the n-th delimited
// field), "Text<from>-<to>" (characters from .. to of a fixed-width line) and
// "Text" (the whole line).
//
// The rows are read one after the other from the decoded blocks of the
// text (TextLines.h); a run reads the text twice, once to count its rows and
// once to import them, and never holds more than a block and a line.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "import/ImportComponent.h"
#include "import/readers/TextLines.h"
#include "platform/rtl/Types.h"

class TDataSet;

// One field of a line: 1-based character positions, both included; a field
// with Start > End is empty. Positions are not limited in size, so fields of
// any length import whole.
struct TFieldBounds {
  Int64 Start = 1;
  Int64 End = 0;
};
using TFieldBoundsList = std::vector<TFieldBounds>;

// Splits one line. Delimited: one entry per field, outer qualifiers left
// out, delimiters inside qualifiers kept. Fixed: the fields of dataSet in
// order, each as wide as its display width (End is what counts; without a
// dataset the list stays empty).
void FillFields(const TDataSet* dataSet, bool fixed, WideChar delimiter, WideChar qualifier, StringView line,
                TFieldBoundsList& list);
// The text of characters from .. to (1-based, both included) of the line,
// without a trailing delimiter, each run of qualifiers shrunk to one: a view
// into the line, or into scratch when qualifiers were shrunk.
StringView FieldText(StringView line, Int64 from, Int64 to, WideChar delimiter, WideChar qualifier, String& scratch);
String ExtractFieldText(StringView line, Int64 from, Int64 to, WideChar delimiter, WideChar qualifier);

class TRADerevuFromText : public TRADerevuBaseComponent {
 public:
  explicit TRADerevuFromText(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromText"; }

  // Record length in characters, used only when the record separator is
  // empty.
  Integer FixedLineLength() const { return FFixedLineLength; }
  void SetFixedLineLength(Integer value) { FFixedLineLength = value; }
  // Bytes of text decoded at a time.
  size_t BlockSize() const { return FBlockSize; }
  void SetBlockSize(size_t value) { FBlockSize = value; }

  void BeforeImport() override;
  void AfterImport() override;
  bool LoadRecord() override;
  void GoFirst() override { MoveToRow(0); }
  void GoNext() override { MoveToRow(intCurRow + 1); }
  bool NeedMore() override;
  Integer GetTotalCount() override;
  void GetFieldValue(const Variant& name, Variant& value) override;
  Integer SourceColumnIndex(const String& name) override;
  StringView SourceColumnText(Integer index, String& scratch) override;
  bool NotDefined(String& propertyName) override;
  bool ProcessRowsForColumnTypes() override { return true; }
  String Extension() const override { return u".CSV"; }
  String FillFileFilters() const override;
  void DetectAutoMapping() override;
  void GetColumnFieldName(Integer index, String& name) override;

  // The text of line FieldNamesRow of the last load.
  const String& Captions() const { return strCaptions; }

 protected:
  // The options of a run's load, from the settings.
  TTextLoadOptions RunLoadOptions() const;

 private:
  void ScanColumnTypes();
  // Drops the text of a run.
  void CloseText();
  // Makes line row (0: line RowFirst) current; false when there is none.
  bool MoveToRow(Integer row);

  Integer intLenText = 0;
  Integer intLenField = 0;
  // The text being read, its stream when the component opened it, and the
  // number of lines a run imports.
  std::unique_ptr<TStream> FFileStream;
  std::unique_ptr<TTextLineReader> lstFileRows;
  Integer FLineCount = 0;
  // The line strFromFile holds (FHasLine), or where the reader stands.
  Integer FLineIndex = -1;
  bool FHasLine = false;
  TFieldBoundsList lst;
  Integer intCurRow = 0;
  StringView strFromFile;
  String strCaptions;
  Integer FFixedLineLength = 0;
  size_t FBlockSize = TTextLoadOptions().BlockSize;
};

// The same source reading the clipboard's text.
class TRADerevuFromClipboard : public TRADerevuFromText {
 public:
  explicit TRADerevuFromClipboard(TComponent* owner = nullptr) : TRADerevuFromText(owner) {}
  ~TRADerevuFromClipboard() override;
  const char* ClassName() const override { return "TRADerevuFromClipboard"; }

  void BeforeImport() override;
  void AfterImport() override;

 private:
  std::unique_ptr<TStream> FClipboardStream;
};
