// A destination table and a source that serves rows from a vector, for
// tests of the import run.
#pragma once

#include <map>
#include <vector>

#include "import/ImportComponent.h"
#include "platform/rtl/PublishedProperties.h"
#include "table/VirtualTable.h"

using TSourceRow = std::map<String, String>;

// A source whose rows are maps from column name to text. It honours
// RowFirst and RowLast as file readers do and counts its open and close
// calls.
class TVectorReader : public TRADerevuBaseComponent {
 public:
  explicit TVectorReader(TComponent* owner = nullptr) : TRADerevuBaseComponent(owner) {
    SetAnimatedStatus(false);
    SetOptions(0);
  }
  std::vector<TSourceRow> Rows;
  // Counts only the rows read so far and the next one, as a sheet read on
  // demand does.
  bool CountsRowsAsItReads = false;
  int Opened = 0;
  int Closed = 0;

  void BeforeImport() override {
    TRADerevuBaseComponent::BeforeImport();
    ++Opened;
  }
  void AfterImport() override { ++Closed; }
  void GoFirst() override { FRow = static_cast<size_t>(std::max<Integer>(RowFirst(), 1) - 1); }
  void GoNext() override { ++FRow; }
  bool NeedMore() override { return FRow < Rows.size() && FRow < static_cast<size_t>(RowLast()); }
  Integer GetTotalCount() override {
    return static_cast<Integer>(CountsRowsAsItReads ? std::min(FRow + 1, Rows.size()) : Rows.size());
  }
  void GetFieldValue(const Variant& name, Variant& value) override {
    value = Variant::Null();
    if (FRow >= Rows.size()) return;
    auto it = Rows[FRow].find(name.AsString());
    if (it != Rows[FRow].end()) value = Variant(it->second);
  }

 private:
  size_t FRow = 0;
};

// A virtual table with a published TableName (the SQL mode reads it); keyed
// imports find their rows through the table's own Locate.
class TImportTable : public TVirtualTable, public IPublishedProperties {
 public:
  String PublishedTableName = u"GOODS";

  bool ReadPublishedText(StringView name, String& value) const override {
    if (name != u"TableName") return false;
    value = PublishedTableName;
    return true;
  }
  bool WritePublishedText(StringView, const String&) override { return false; }
};
