// A small dataset for export tests: ID (integer), NAME (string of 10),
// PRICE (float), BORN (date), open on its first row.
#pragma once

#include <gtest/gtest.h>

#include "platform/db/Fields.h"
#include "tests/db/TestDataSet.h"

struct ExportRow {
  Integer Id;
  const char16_t* Name;
  double Price;
  TDateTime Born;
};

inline void FillExportDataSet(TTestDataSet& ds, std::initializer_list<ExportRow> rows) {
  ds.FieldDefs().Add(u"ID", ftInteger);
  ds.FieldDefs().Add(u"NAME", ftString, 10);
  ds.FieldDefs().Add(u"PRICE", ftFloat);
  ds.FieldDefs().Add(u"BORN", ftDate);
  ds.Open();
  for (const ExportRow& row : rows) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(row.Id);
    ds.FieldByName(u"NAME")->SetAsString(row.Name);
    ds.FieldByName(u"PRICE")->SetAsFloat(row.Price);
    ds.FieldByName(u"BORN")->SetAsDateTime(row.Born);
    ds.Post();
  }
  ds.First();
}
