// The message texts of datasets, fields and field definitions, kept in one
// place so that every raise uses the same words.
#pragma once

#include "platform/db/DBTypes.h"
#include "platform/rtl/Types.h"

namespace DBMessages {
inline constexpr char16_t SFieldNotFound[] = u"Field '%s' not found";
inline constexpr char16_t SDataSetOpen[] = u"Cannot perform this operation on an open dataset";
inline constexpr char16_t SDataSetClosed[] = u"Cannot perform this operation on a closed dataset";
inline constexpr char16_t SNotEditing[] = u"Dataset not in edit or insert mode";
inline constexpr char16_t SDataSetReadOnly[] = u"Cannot modify a read-only dataset";
inline constexpr char16_t SFieldReadOnly[] = u"Field '%s' cannot be modified";
inline constexpr char16_t SFieldRequired[] = u"Field '%s' must have a value";
inline constexpr char16_t SDataSetEmpty[] = u"Cannot perform this operation on an empty dataset";
inline constexpr char16_t SFieldAccessError[] = u"Cannot access field '%s' as type %s";
inline constexpr char16_t SInvalidIntegerValue[] = u"'%s' is not a valid integer value for field '%s'";
inline constexpr char16_t SInvalidFloatValue[] = u"'%s' is not a valid floating point value for field '%s'";
inline constexpr char16_t SInvalidBoolValue[] = u"'%s' is not a valid boolean value for field '%s'";
inline constexpr char16_t SFieldValueError[] = u"Invalid value for field '%s'";
inline constexpr char16_t SUnknownFieldType[] = u"Field '%s' is of an unknown type";
inline constexpr char16_t SInvalidFieldSize[] = u"Invalid field size";
inline constexpr char16_t SFieldRangeError[] =
    u"%s is not a valid value for field '%s'. The allowed range is %d to %d";
// The same for ranges that are not whole numbers.
inline constexpr char16_t SFieldFloatRangeError[] =
    u"%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr char16_t SFieldOutOfRange[] = u"Value of field '%s' is out of range";
inline constexpr char16_t SDataSetMissing[] = u"Field '%s' has no dataset";
inline constexpr char16_t SDuplicateFieldName[] = u"Duplicate field name '%s'";
inline constexpr char16_t SDuplicateName[] = u"Duplicate name '%s' in %s";
inline constexpr char16_t SFieldNameMissing[] = u"Field name missing";
inline constexpr char16_t SFieldTypeMismatch[] = u"Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr char16_t SFieldSizeMismatch[] = u"Size mismatch for field '%s', expecting: %d actual: %d";
inline constexpr char16_t SRecordNotFound[] = u"Record not found";
inline constexpr char16_t SCalcFieldType[] = u"Calculated field '%s' cannot be of type %s";
inline constexpr char16_t STextTrue[] = u"True";
inline constexpr char16_t STextFalse[] = u"False";
}  // namespace DBMessages

// The type's name in messages: "String", "Integer", "DateTime"...
String FieldTypeName(TFieldType type);
