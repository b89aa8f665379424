// The five display formats (float, currency, integer, date, time) that the
// controls show numbers and dates with, with built-in defaults, the format
// for a field data type, its spreadsheet form, and their text file of
// "Name=Value" lines.
#pragma once

#include <memory>

#include "platform/db/DBTypes.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"

class TDataSet;
class TField;

class TksDisplayFormats {
 public:
  // Every stored text empty: each format answers its default.
  TksDisplayFormats() = default;

  // Reads "Name=Value" lines (a byte-order mark picks UTF-8 or UTF-16,
  // otherwise the ANSI code page); a format whose name is absent is empty.
  void LoadFromStream(TStream& stream);
  // One line per non-empty format, in the ANSI code page, CR LF after each.
  void SaveToStream(TStream& stream) const;

  void SetFloatFormat(const String& value) { FFloatFormat = value; }
  void SetCurrencyFormat(const String& value) { FCurrencyFormat = value; }
  void SetIntegerFormat(const String& value) { FIntegerFormat = value; }
  void SetDateFormat(const String& value) { FDateFormat = value; }
  void SetTimeFormat(const String& value) { FTimeFormat = value; }
  // The stored text, or its default when it is empty: "#,##0.00" for
  // float and currency, "#,##0" for integer, and the process format
  // settings' short date and short time formats at the time of the call.
  String GetFloatFormat() const;
  String GetCurrencyFormat() const;
  String GetIntegerFormat() const;
  String GetDateFormat() const;
  String GetTimeFormat() const;
  // The date format, a blank, the time format.
  String GetDateTimeFormat() const;

  // The format for values of the data type; the default for types that have
  // none.
  String FormatForFieldType(TFieldType dataType, const String& defaultFormat) const;
  String FormatForField(const TField& field) const;
  // A number format as the spreadsheet route wants it: for the integer,
  // float and currency types, comma and point swapped when a comma comes
  // before the first point, otherwise empty; other types' formats as given.
  static String FormatForExcel(StringView format, TFieldType dataType);

  void RestoreDefaults();
  void CopyFrom(const TksDisplayFormats& source);
  // Numeric fields get their display and edit format, date-time fields
  // their display format; integer fields only when asked.
  void FormatDatasetFields(TDataSet& dataSet, bool formatIntegerFields) const;

 private:
  String FFloatFormat;
  String FCurrencyFormat;
  String FIntegerFormat;
  String FDateFormat;
  String FTimeFormat;
};

// The data types whose values are shown as numbers: small integer, integer,
// word, float, currency, large integer and short integer.
bool IsNumericFormatType(TFieldType dataType);

// The formats are shared by reference: the process-wide object lives while
// anybody holds it.
using IksDisplayFormats = std::shared_ptr<TksDisplayFormats>;

// The shared object; when nobody holds it, a new one with defaults.
IksDisplayFormats DisplayFormats();
