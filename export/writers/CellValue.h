// A cell handed to a writer on the typed cell path: its cell type and its
// raw value as read from the record. The writer interface around it is in
// CellFileWriter.h.
#pragma once

#include "export/ExportTypes.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"

class TField;

// What a TCellValue holds.
enum TCellValueKind : Byte {
  cvNull,      // no value: a null field, or one that BlankIfZero empties
  cvInteger,   // Int: whole numbers of every width (small, integer, word, auto-increment, large, ...)
  cvFloat,     // Float: float, single, extended and currency (ftCurrency) fields
  cvCurrency,  // Curr: BCD fields, exact to four decimals
  cvDateTime,  // Float as a TDateTime: date, time and date-time fields (Field->DataType() tells which)
  cvBoolean,   // Bool
  cvText,      // Text: texts and memos, constants and system variables, and every other type (time
               // stamps, FMT BCD, GUIDs, blobs, variants) in its GetFieldStr text
};

struct TCellValue {
  TCellValueKind Kind = cvNull;
  // The cell type the string road hands WriteData for this cell (GetFieldType,
  // or the column's DataType for constants): ctBlank means an empty cell,
  // whatever Kind says.
  TCellType CellType = ctBlank;
  // The source field of a data cell; none for constants, system variables
  // and values a custom row source gives.
  TField* Field = nullptr;

  // The raw value: only the member that Kind names holds this cell's value
  // (the others are left from earlier cells).
  Int64 Int = 0;
  double Float = 0;
  Currency Curr;
  bool Bool = false;
  // cvText: the value, as plain UTF-16 (not converted to the character set).
  // The view holds until the next cell.
  StringView Text;
  // Set by the base when the cell's text came from the string road's own
  // sources (GetFieldStr under soFieldMask or for a type the base does not
  // read itself, a constant, a system variable, a custom row source).
  // Writers need not look at it: CellText gives the text in every case.
  const String* Formatted = nullptr;

  bool IsNull() const { return Kind == cvNull; }
  bool IsNumber() const { return Kind == cvInteger || Kind == cvFloat || Kind == cvCurrency; }
  // The value as a double for every kind but cvText and cvNull (0 for those):
  // a TDateTime for dates, 1 or 0 for booleans.
  double AsDouble() const {
    switch (Kind) {
      case cvInteger: return static_cast<double>(Int);
      case cvFloat: case cvDateTime: return Float;
      case cvCurrency: return Curr.ToDouble();
      case cvBoolean: return Bool ? 1 : 0;
      default: return 0;
    }
  }
};
