// Types of the dataset's views: search options, search key values, and the
// link of a local detail dataset to its master.
#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/db/DataSource.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Variant.h"
#include "table/DataTypes.h"

class TMemDataSet;

// Search options (a set of bits). The platform's loCaseInsensitive and
// loPartialKey are the first two.
using TLocateExOptions = Byte;
inline constexpr TLocateExOptions lxCaseInsensitive = 1;
inline constexpr TLocateExOptions lxPartialKey = 2;
inline constexpr TLocateExOptions lxNearest = 4;    // also a record whose value is above the key
inline constexpr TLocateExOptions lxNext = 8;       // search on from the record after the current one
inline constexpr TLocateExOptions lxUp = 16;        // search backward from the record before the current one
inline constexpr TLocateExOptions lxPartialCompare = 32;  // the key need only occur in the value

// The values of a search key, one per key field. A single value serves the
// first key field; later key fields without a value search for null. A
// variant array (what callers through TDataSet pass for several fields)
// gives one value per item.
struct TKeyValues {
  TKeyValues() = default;
  TKeyValues(const Variant& value)  // NOLINT: one value is a one-field key
      : Values(value.ArrayItems() ? *value.ArrayItems() : std::vector<Variant>{value}) {}
  TKeyValues(std::initializer_list<Variant> values) : Values(values) {}
  explicit TKeyValues(std::vector<Variant> values) : Values(std::move(values)) {}
  // Null beyond the given values.
  Variant At(size_t index) const { return index < Values.size() ? Values[index] : Variant::Null(); }
  std::vector<Variant> Values;
};

// One pair of master and detail fields: the master's current value in the
// detail field's internal form. The value is always a copy, so a link never
// points into a master record buffer that moves or is freed.
struct TLocalMDLink {
  bool IsNull = true;
  std::vector<Byte> Buffer;
  TDataType BufferType = dtUnknown;
  Word FieldNo = 0;  // of the detail descriptor
};

// A field-name list "A;B; C" split at ";" with blanks trimmed; pos advances
// past each name. An empty name comes back for ";;".
String SplitFieldName(const String& fields, size_t& pos);
std::vector<String> SplitFieldNames(const String& fields);

// The detail dataset's link to its master's data source.
class TDADetailDataLink : public TDataLink {
 public:
  explicit TDADetailDataLink(TMemDataSet* dataSet) : FDataSet(dataSet) {}
  TMemDataSet* GetDetailDataSet() const { return FDataSet; }

  void ActiveChanged() override;
  void CheckBrowseMode() override;
  void RecordChanged(TField* field) override;

 private:
  TMemDataSet* FDataSet;
};
