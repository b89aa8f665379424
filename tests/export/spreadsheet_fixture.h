// A table with one column of every cell type the spreadsheet writers store
// (integer, text, float, date, date-time, boolean, currency, time, memo) and
// values that trip readers: line breaks, quotes, "<&>", Slovene letters, an
// emoji, a leading blank, dates past the 16-bit day count, a null.
#pragma once

#include "platform/db/Fields.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/db/TestDataSet.h"

struct SpreadsheetRow {
  Integer Id;
  const char16_t* Name;  // nullptr: null
  double Price;
  TDateTime Born;
  TDateTime Stamp;
  bool Active;
  double Total;
  TDateTime At;
  const char16_t* Note;
};

inline const SpreadsheetRow kSpreadsheetRows[] = {
    {1, u"Ana \u010Ceba\u0161ek", 12.5, EncodeDate(2009, 7, 7), EncodeDate(2009, 7, 7) + EncodeTime(13, 45, 30, 0), true,
     1234.56, EncodeTime(8, 30, 0, 0), u"line1\nline2"},
    {70000, u"say \"hi\" <&>", -0.125, EncodeDate(2100, 1, 1), EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 59, 0),
     false, -5, EncodeTime(23, 59, 59, 0), u"\U0001F600 smile"},
    {-1, nullptr, 0.001, EncodeDate(1900, 3, 1), EncodeDate(2026, 1, 2) + EncodeTime(0, 0, 1, 0), true, 0,
     EncodeTime(0, 0, 1, 0), u" leading blank"},
};

inline void FillSpreadsheetDataSet(TTestDataSet& ds) {
  ds.FieldDefs().Add(u"ID", ftInteger);
  ds.FieldDefs().Add(u"NAME", ftWideString, 40);
  ds.FieldDefs().Add(u"PRICE", ftFloat);
  ds.FieldDefs().Add(u"BORN", ftDate);
  ds.FieldDefs().Add(u"STAMP", ftDateTime);
  ds.FieldDefs().Add(u"ACTIVE", ftBoolean);
  ds.FieldDefs().Add(u"TOTAL", ftCurrency);
  ds.FieldDefs().Add(u"AT", ftTime);
  ds.FieldDefs().Add(u"NOTE", ftWideString, 40);
  ds.Open();
  for (const SpreadsheetRow& row : kSpreadsheetRows) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(row.Id);
    if (row.Name != nullptr) ds.FieldByName(u"NAME")->SetAsString(row.Name);
    ds.FieldByName(u"PRICE")->SetAsFloat(row.Price);
    ds.FieldByName(u"BORN")->SetAsDateTime(row.Born);
    ds.FieldByName(u"STAMP")->SetAsDateTime(row.Stamp);
    ds.FieldByName(u"ACTIVE")->SetAsBoolean(row.Active);
    ds.FieldByName(u"TOTAL")->SetAsFloat(row.Total);
    ds.FieldByName(u"AT")->SetAsDateTime(row.At);
    ds.FieldByName(u"NOTE")->SetAsString(row.Note);
    ds.Post();
  }
  ds.First();
}
