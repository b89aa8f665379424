// The text and clipboard source: delimited or fixed-width text from a file,
// a caller's stream or the clipboard, cut into lines (one row each) and each
// line into fields.
//
// Source columns are named "Field1", "Field2", ... (the n-th delimited
// field), "Text<from>-<to>" (characters from .. to of a fixed-width line) and
// "Text" (the whole line).
//
// The loader decodes the text once into a single buffer and keeps each line
// as a span of it, so a million-row file costs one buffer and a small index,
// and reaching a row is constant time.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "import/ImportComponent.h"
#include "platform/rtl/Types.h"

class TDataSet;

// What the loader is told: how records are separated and quoted, and which
// lines it keeps.
struct TTextLoadOptions {
  // A preview reads at most PreviewRows lines and about 4 KB per line.
  bool Preview = false;
  // Blank lines are dropped (they still count as lines).
  bool SkipEmpty = false;
  // Empty: fixed-length records of FixedLineLength characters, or the whole
  // text as one line when that is 0.
  String RecordSeparator = u"\r\n";
  WideChar TextQualifier = u'"';  // 0: none
  WideChar FieldDelimiter = u'\t';  // taken for symmetry; lines ignore it
  Int64 FirstRow = 1;
  Int64 LastRow = 2147483647;
  Int64 PreviewRows = -1;
  Int64 FieldNamesRow = 1;
  Int64 FixedLineLength = 0;
};

// A buffer of decoded characters, released with std::free.
struct TFreeDeleter {
  void operator()(char16_t* p) const;
};
using TTextBuffer = std::unique_ptr<char16_t[], TFreeDeleter>;
// An uninitialised buffer of count characters; large ones ask the system
// for huge pages, which a text of many megabytes fills far faster.
TTextBuffer NewTextBuffer(size_t count);

// The decoded text and the lines cut from it (index 0 is line FirstRow).
class TTextLines {
 public:
  Integer Count() const { return static_cast<Integer>(FSpans.size()); }
  // The line's text; empty outside 0 .. Count-1. Valid until the next load.
  StringView Line(Integer index) const;
  void Clear();
  // The whole decoded text (after the byte-order mark, without trailing
  // SUB and ESC characters).
  StringView Text() const { return StringView(FText.get(), FLength); }
  // Takes the text the spans refer to; drops earlier spans.
  void SetText(TTextBuffer text, size_t length);
  // Adds the line of length characters at offset of the text.
  void AddSpan(size_t offset, size_t length) { FSpans.emplace_back(offset, length); }

 private:
  // Left uninitialised until decoded into: a large file is written once.
  TTextBuffer FText;
  size_t FLength = 0;
  std::vector<std::pair<size_t, size_t>> FSpans;  // offset, length
};

// Decodes the stream from its current position to its end (a UTF-16 LE or
// BE mark, a UTF-8 mark, else the ANSI code page) and cuts it into lines;
// the line numbered FieldNamesRow goes into captions.
void LoadTextFromStream(const TTextLoadOptions& options, String& captions, TTextLines& lines, TStream& stream);
// The same from a file, opened for reading while others may read and write.
void LoadTextFile(const TTextLoadOptions& options, String& captions, TTextLines& lines, const String& fileName);
// The same from the clipboard's text (FixedLineLength is not used).
void LoadClipboard(const TTextLoadOptions& options, String& captions, TTextLines& lines);

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
// without a trailing delimiter, each run of qualifiers shrunk to one.
String ExtractFieldText(StringView line, Int64 from, Int64 to, WideChar delimiter, WideChar qualifier);

class TRADerevuFromText : public TRADerevuBaseComponent {
 public:
  explicit TRADerevuFromText(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromText"; }

  // Record length in characters, used only when the record separator is
  // empty.
  Integer FixedLineLength() const { return FFixedLineLength; }
  void SetFixedLineLength(Integer value) { FFixedLineLength = value; }

  void BeforeImport() override;
  void AfterImport() override;
  bool LoadRecord() override;
  void GoFirst() override { intCurRow = 0; }
  void GoNext() override { ++intCurRow; }
  bool NeedMore() override;
  Integer GetTotalCount() override;
  void GetFieldValue(const Variant& name, Variant& value) override;
  bool NotDefined(String& propertyName) override;
  String Extension() const override { return u".CSV"; }
  String FillFileFilters() const override;
  void DetectAutoMapping() override;
  void GetColumnFieldName(Integer index, String& name) override;

  // The text of line FieldNamesRow of the last load.
  const String& Captions() const { return strCaptions; }
  // The lines of the current run; nullptr outside a run.
  const TTextLines* Lines() const { return lstFileRows.get(); }

 protected:
  // The options of a run's load, from the settings.
  TTextLoadOptions RunLoadOptions() const;

 private:
  void ScanColumnTypes();

  Integer intLenText = 0;
  Integer intLenField = 0;
  std::unique_ptr<TTextLines> lstFileRows;
  TFieldBoundsList lst;
  Integer intCurRow = 0;
  StringView strFromFile;
  String strCaptions;
  Integer FFixedLineLength = 0;
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
