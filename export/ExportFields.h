// Which fields the export treats as text (quoted by the text writers, for
// instance).
#pragma once

#include "platform/db/DBTypes.h"
#include "platform/db/Field.h"
#include "platform/db/Fields.h"

// The field types whose values are text.
constexpr bool IsStringFieldType(TFieldType type) {
  switch (type) {
    case ftString: case ftMemo: case ftFmtMemo: case ftFixedChar: case ftWideString: case ftWideMemo:
      return true;
    default:
      return false;
  }
}

// A text field: one of the text types, or any field that reports itself as a
// blob. No field is no text field.
inline bool IsStringField(const TField* field) {
  return field != nullptr && (IsStringFieldType(field->DataType()) || field->IsBlob());
}

// A field whose values are numbers (the numeric field classes).
inline bool IsNumericField(const TField* field) { return dynamic_cast<const TNumericField*>(field) != nullptr; }

// A blob whose value is text (the memo types), as against binary data.
inline bool IsMemoField(const TField* field) {
  if (field == nullptr) return false;
  const TFieldType type = field->DataType();
  return type == ftMemo || type == ftFmtMemo || type == ftWideMemo || type == ftOraClob;
}
