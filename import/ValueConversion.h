// Turning a source value into one fit for its destination field: numbers by
// the source's separators and currency, dates and times by the date-mask
// reader, booleans by the source's words, blob texts from Base64 or CDATA,
// and texts of DOS and EBCDIC sources.
#pragma once

#include "import/ImportSettings.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TField;

// How a field type is converted.
enum class TConversionKind { Float, DateTime, Time, Boolean, Other };
TConversionKind ConversionKindOf(TFieldType fieldType);
// Numeric and date-time fields take no character-set decoding.
bool IsNumericOrDateTimeType(TFieldType fieldType);

// What the conversion needs besides the field.
struct TConversionContext {
  const TSMIDataFormats& Formats;
  // The component's date-time and time masks (BuildDTFormat, BuildTimeFormat);
  // they outlive the conversion.
  StringView DateTimeMask;
  StringView TimeMask;
  // Blob texts of the source are Base64.
  bool BlobIsMime = false;
};

// True for Null, Empty and any value whose text is empty; texts are looked
// at without a copy.
bool IsEmptyText(const Variant& value);

// Converts a non-empty value for the field. A text that cannot be read keeps
// its text (cleaned of separators for numbers), so that the field's own
// assignment accepts or rejects it; errors of the reading are swallowed.
void ConvertValueForField(Variant& value, const TField& field, const TConversionContext& context);

// The number a text holds with that decimal separator: [sign]digits
// [separator digits][E[sign]digits]. False for anything else, also for a
// "." that is not the separator.
bool ReadNumberWithSeparator(StringView text, WideChar decimalSeparator, double& value);

// Base64 groups of four characters; a trailing incomplete group is ignored.
// Each byte becomes the character of that code.
String Decode64(StringView text);
// The source character sets. The export has routines of the same names
// that go the other way, so the import keeps its own in a namespace: a
// program holding both links.
namespace ImportText {
// The EBCDIC code of a character's low 8 bits.
Byte ASCII2EBCDIC(Byte c);
String EBCDICCode(StringView text);
// Text read from an EBCDIC source: the value's characters are the source's
// bytes as the ANSI code page read them; each byte is decoded by the
// inverse of the EBCDIC table (a byte the table does not produce reads as
// "?").
String EBCDICToText(StringView text);
// Text of a DOS source re-read in the OEM code page when oem is set.
String UECode(bool oem, const String& text);
}  // namespace ImportText
