// Translation between the engine's internal data types and field types.
#pragma once

#include "platform/db/DBTypes.h"
#include "table/DataTypes.h"

// Used through its class; a dataset class can name a derived map with other
// answers.
class TFieldTypeMap {
 public:
  virtual ~TFieldTypeMap() = default;
  // Raises an assertion failure "Unknown data type" for a code without a
  // field type (dtFixedChar, dtFixedWideChar, dtXML, unknown codes).
  virtual TFieldType GetFieldType(TDataType dataType) const;
  // A sub type carried by a wider field type (a small or unsigned integer,
  // or a single) is the answer when it applies.
  virtual TDataType GetDataType(TFieldType fieldType, TDataType subDataType) const;
  static const TFieldTypeMap& Default();
};
