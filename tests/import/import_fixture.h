// A destination dataset with one field of each kind the import converts,
// and a reader that serves one row of texts by column name.
#pragma once

#include <map>

#include "import/ImportComponent.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/db/TestDataSet.h"

// The fields, in order: ID integer, NAME string, "First Name" string, PRICE
// float, AMOUNT currency, BORN date, STAMP date-time, AT time, OK boolean,
// BIG large integer, NOTES memo, DATA blob.
inline void AddImportFields(TTestDataSet& ds) {
  ds.FieldDefs().Add(u"ID", ftInteger);
  ds.FieldDefs().Add(u"NAME", ftString, 20);
  ds.FieldDefs().Add(u"First Name", ftString, 20);
  ds.FieldDefs().Add(u"PRICE", ftFloat);
  ds.FieldDefs().Add(u"AMOUNT", ftCurrency);
  ds.FieldDefs().Add(u"BORN", ftDate);
  ds.FieldDefs().Add(u"STAMP", ftDateTime);
  ds.FieldDefs().Add(u"AT", ftTime);
  ds.FieldDefs().Add(u"OK", ftBoolean);
  ds.FieldDefs().Add(u"BIG", ftLargeint);
  ds.FieldDefs().Add(u"NOTES", ftMemo);
  ds.FieldDefs().Add(u"DATA", ftBlob);
}

// A source with a single current row; a column it lacks reads as null.
class TRowReader : public TRADerevuBaseComponent {
 public:
  explicit TRowReader(TComponent* owner = nullptr) : TRADerevuBaseComponent(owner) {}
  std::map<String, String> Row;
  bool Mime = false;

  String Extension() const override { return u".ROW"; }
  bool BLOBIsMIME() override { return Mime; }
  void GetFieldValue(const Variant& name, Variant& value) override {
    TRADerevuBaseComponent::GetFieldValue(name, value);
    auto it = Row.find(value.AsString());
    value = it == Row.end() ? Variant::Null() : Variant(it->second);
  }
};

// Runs a test with known process-wide format settings and puts the old ones
// back afterwards.
class FormatSettingsGuard {
 public:
  explicit FormatSettingsGuard(const TFormatSettings& settings) : FSaved(FormatSettings) {
    FormatSettings = settings;
  }
  ~FormatSettingsGuard() { FormatSettings = FSaved; }
  FormatSettingsGuard(const FormatSettingsGuard&) = delete;
  FormatSettingsGuard& operator=(const FormatSettingsGuard&) = delete;

 private:
  TFormatSettings FSaved;
};
