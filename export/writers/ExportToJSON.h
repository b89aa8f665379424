// JSON output: an array of records, each an object holding its section
// ("RECORD", "HEADER" or "FOOTER") with one member per non-empty value.
// The text is UTF-8 or UTF-16 as asked; any 8-bit character set gives ASCII
// with every other character escaped, which is valid JSON in all of them.
#pragma once

#include "export/writers/CellFileWriter.h"
#include "export/writers/RunCharacterSet.h"

class TRODirezaToJSON : public TRODirezaToCellBufferedFile {
 public:
  explicit TRODirezaToJSON(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaToJSON"; }

  WideChar QuoteTerm = u'"';  // character 0: values and names unquoted

  String GetFieldStr(TField* field) override;
  String Extension() const override { return u".JSON"; }

 protected:
  void InternalBeforeProcess() override;
  void InternalAfterProcess() override;
  bool TitleIsSupported() override { return false; }
  void WriteFileBegin() override;
  void WriteFileEnd() override;
  void WriteRowStart() override;
  void WriteRowEnd() override;
  void WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                 TAlignment alignment, const TFont* font, TColor color) override;

 private:
  void AppendString(StringView text);
  String Indent() const;

  TRunCharacterSet FRunCharacterSet;
  bool FAsciiOnly = false;
  bool FFirstRecord = true;
  bool FFirstMember = true;
  std::vector<const TSMEColumn*> FExported;
  std::vector<std::pair<const TField*, String>> FMemberHeads;  // per output column
  String FLine;
  String FRecord;
};

// Milliseconds from 1970-01-01 00:00 to the date-time, rounded to the
// nearest millisecond.
Int64 JsonDateMilliseconds(TDateTime value);
