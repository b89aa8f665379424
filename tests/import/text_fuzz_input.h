// One fuzz input for the text import: the bytes are the text, imported in
// every option mode (delimited and fixed, each delimiter, qualifier and
// record separator, skipped blank lines, trimming, a type scan, tiny
// blocks) into a table, with mappings and with columns detected from the
// text. A failed run is a correct outcome; a crash or an escaping exception
// is a fault. The fuzz target and the corpus replay test share this path.
#pragma once

#include <string_view>

#include "import/readers/ImportFromText.h"
#include "platform/rtl/Streams.h"
#include "table/VirtualTable.h"

namespace text_fuzz {

struct TMode {
  bool Fixed;
  WideChar Delimiter;
  WideChar Qualifier;
  const char16_t* Separator;
  Integer FixedLineLength;
  bool SkipEmpty;
  TSMITrimSpaces Trim;
  Integer RowFirst;
  Integer RowFieldNames;
  size_t BlockSize;
  bool Detect;  // no mappings: columns detected and scanned for types
};

inline constexpr TMode kModes[] = {
    {false, u',', u'"', u"\r\n", 0, false, tsNoTrim, 2, 1, 1 << 20, false},
    {false, u';', u'\'', u"\n", 0, true, tsTrimLeftRight, 1, 1, 3, false},
    {false, u'\t', 0, u"\r", 0, false, tsTrimRight, 3, 5, 1, true},
    {false, u',', u'"', u"||", 0, true, tsTrimLeft, 2, 1, 7, true},
    {false, 0, u'"', u"\r\n", 0, false, tsNoTrim, 1, 0, 2, false},
    {true, 0, 0, u"\r\n", 0, false, tsNoTrim, 2, 1, 5, false},
    {true, u',', u'"', u"", 7, true, tsTrimLeftRight, 1, 1, 4, true},
    {true, 0, 0, u"", 0, false, tsNoTrim, 1, 1, 1 << 20, false},
};

inline void ImportInMode(std::string_view bytes, const TMode& mode) {
  TVirtualTable table;
  table.AddField(u"A", ftWideString, 8);
  table.AddField(u"B", ftInteger);
  table.AddField(u"C", ftFloat);
  table.AddField(u"D", ftDate);
  table.Open();
  for (int k = 0; k < table.Fields().Count(); ++k) table.Fields()[k]->SetDisplayWidth(3);
  TRADerevuFromText reader;
  reader.SetAnimatedStatus(false);
  reader.SetOptions(mode.SkipEmpty ? OptionBit(soSkipEmptyRow) : 0);
  reader.SetDataSet(&table);
  reader.SetFixed(mode.Fixed);
  reader.SetFieldDelimiterCustom(mode.Delimiter);
  reader.SetTextQualifierCustom(mode.Qualifier);
  reader.SetRecordSeparatorCustom(mode.Separator);
  reader.SetFixedLineLength(mode.FixedLineLength);
  reader.SetTrimSpaces(mode.Trim);
  reader.SetRowFirst(mode.RowFirst);
  reader.SetRowFieldNames(mode.RowFieldNames);
  reader.SetRowLast(200);
  reader.SetBlockSize(mode.BlockSize);
  if (mode.Detect) {
    reader.SetMaxScanRows(20);
  } else if (mode.Fixed) {
    for (const char16_t* line : {u"A=Text1-3", u"B=Text4-6", u"C=Text7-9", u"D=Text", u"A=Field1"})
      reader.Mappings().Add(line);
  } else {
    for (const char16_t* line : {u"A=Field1", u"B=Field2", u"C=Field3", u"D=Field4", u"A=Field9+Field1"})
      reader.Mappings().Add(line);
  }
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  stream.SetPosition(0);
  reader.LoadFromStream(stream);
}

inline void ImportTextInput(std::string_view bytes) {
  for (const TMode& mode : kModes) ImportInMode(bytes, mode);
}

}  // namespace text_fuzz
