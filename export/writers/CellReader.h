// Reading a field's current value into a TCellValue, and its text as
// GetFieldStr gives it, without a String per value: the typed cell path of
// the cell-file writer base stands on it.
#pragma once

#include <string>

#include "export/writers/CellValue.h"
#include "platform/rtl/FormatSettings.h"

// Reads cells the string road would read through GetFieldStr (without the
// soFieldMask option): the value straight from the field's native buffer,
// its text formatted into a buffer the reader reuses. Fields whose class or
// type it does not know are read through the caller's fallback text.
class TCellReader {
 public:
  // Fills cell.Kind and the raw value of the field's current value; false
  // when the reader does not know the field (the caller then gives the
  // text as cvText). Texts of cvText live in the reader until the next read.
  bool Read(TField* field, TCellValue& cell);
  // Whether GetFieldStr's BlankIfZero rule empties this value (null, or a
  // zero number, date or time of the types the rule names).
  static bool IsBlankedByZero(const TCellValue& cell);
  // Appends the text AsString gives for the value (FloatToStr, IntToStr,
  // the field's boolean texts, the date and time formats of the settings).
  void AppendText(const TCellValue& cell, String& out, const TFormatSettings& fs);

 private:
  void AppendDateTime(const TCellValue& cell, String& out, const TFormatSettings& fs);

  std::string FBytes;  // native buffer of the current value
  String FText;        // text of the current cvText value when it had to be decoded
  // Date texts repeat: the last text of each kind of date field (date,
  // time, date-time) is kept with its value and format.
  struct TDateCache {
    String Format;
    double Value = 0;
    String Text;
    bool Valid = false;
  } FDateCache[3];
};
