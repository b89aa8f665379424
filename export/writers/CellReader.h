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
  // Forgets what it learnt about fields (a new run may have new ones).
  void Reset();
  // Fills cell.Kind and the raw value of the field's current value, and
  // cell.CellType as GetValueType gives it without BlankIfZero (the type
  // alone decides it then); false when the reader does not know the field
  // (the caller then gives the text as cvText). Texts of cvText live in the
  // reader until the next read.
  bool Read(TField* field, TCellValue& cell);
  // Whether GetFieldStr's BlankIfZero rule empties this value (null, or a
  // zero number, date or time of the types the rule names).
  static bool IsBlankedByZero(const TCellValue& cell);
  // Appends the text AsString gives for the value (FloatToStr, IntToStr,
  // the field's boolean texts, the date and time formats of the settings).
  static void AppendText(const TCellValue& cell, String& out, const TFormatSettings& fs);

 private:
  // How a field's value is read, decided once per field.
  enum TReadKind : Byte {
    rkUnknown, rkNone, rkInteger, rkLongWord, rkLargeint, rkReal, rkBCD, rkBoolean, rkDateTime, rkAnsi, rkWide,
    rkMemo, rkWideMemo
  };
  static TReadKind KindOf(const TField* field);
  struct TPlan {
    const TField* Field = nullptr;
    TReadKind Kind = rkUnknown;
    TCellType CellType = ctString;
  };
  const TPlan& PlanOf(const TField* field);

  // Fields seen, by the bits of their address.
  TPlan FPlans[64];
  std::string FBytes;  // native buffer of the current value
  String FText;        // text of the current cvText value when it had to be decoded
};
