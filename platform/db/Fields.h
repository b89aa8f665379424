// The typed field classes: how each field type reads, writes, converts and
// shows its values, and the default field class of every field type.
//
// Number and date texts follow the process-wide FormatSettings. A null
// field reads as 0, false or an empty text and its texts are empty; writing
// an empty text clears the field. Texts that do not convert raise
// EDatabaseError ("'%s' is not a valid integer value for field '%s'") or
// the runtime's EConvertError for dates.
#pragma once

#include <memory>

#include "platform/db/Field.h"
#include "platform/rtl/Streams.h"

// The default class for a field type; nullptr for types without one.
TFieldClass DefaultFieldClass(TFieldType type);

// ---------------------------------------------------------------------------
// Texts

// 8-bit text in the system ANSI code page, at most Size bytes (ftString,
// ftFixedChar). Numbers, dates and booleans convert through the text
// ("T", "t", "Y", "y" first letters are true; true writes "T").
class TStringField : public TField {
 public:
  explicit TStringField(TComponent* owner);
  const char* ClassName() const override { return "TStringField"; }
  Integer GetDataSize() const override { return FSize + 1; }
  void SetFieldType(TFieldType value) override;
  bool FixedChar() const { return FDataType == ftFixedChar; }
  // The stored bytes; false for null.
  bool GetValue(AnsiString& value) const;

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  AnsiString GetAsAnsiString() const override;
  void SetAsAnsiStringValue(const AnsiString& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  Integer GetDefaultWidth() const override { return FSize; }
  void CheckTypeSize(Integer value) const override;
};

// UTF-16 text of at most Size units (ftWideString, ftFixedWideChar).
class TWideStringField : public TStringField {
 public:
  explicit TWideStringField(TComponent* owner);
  const char* ClassName() const override { return "TWideStringField"; }
  Integer GetDataSize() const override { return (FSize + 1) * 2; }
  void SetFieldType(TFieldType value) override;
  bool GetValue(String& value) const;

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  AnsiString GetAsAnsiString() const override;
  void SetAsAnsiStringValue(const AnsiString& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
};

// A GUID in its 38-character text form "{...}"; the size is always 38.
class TGuidField : public TStringField {
 public:
  explicit TGuidField(TComponent* owner);
  const char* ClassName() const override { return "TGuidField"; }

 protected:
  void CheckTypeSize(Integer value) const override;
};

// ---------------------------------------------------------------------------
// Numbers

// The base of number fields: right-aligned, shown through DisplayFormat and
// edited through EditFormat (FormatFloat pictures; DisplayFormat also for
// editing when EditFormat is empty).
class TNumericField : public TField {
 public:
  explicit TNumericField(TComponent* owner);
  const String& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& value);
  const String& EditFormat() const { return FEditFormat; }
  void SetEditFormat(const String& value);

 protected:
  // The picture for a text: the display format, or for editing the edit
  // format when there is one.
  const String& FormatFor(bool displayText) const;
  // Whole numbers: an empty text clears the field, others must be whole
  // numbers ("'%s' is not a valid integer value for field '%s'"); the texts
  // use the format pictures.
  void SetWholeText(const String& text);
  String WholeText(Int64 value, bool displayText) const;
  // A value rounded (ties to even) for writing: "Invalid value for field
  // '%s'" for NaN, the range error with min and max beyond 64 bits.
  Int64 RoundForWrite(double value, double min, double max) const;
  // Values read as a narrower type: "Value of field '%s' is out of range"
  // when they do not fit.
  Int64 RoundForRead(double value) const;
  Integer NarrowForRead(Int64 value) const;
  String FDisplayFormat;
  String FEditFormat;
};

// Whole numbers of 32 bits and less. MinValue and MaxValue (both 0: no
// limit but the type's own) bound what may be written; a value outside
// raises "%s is not a valid value for field '%s'. The allowed range is %d
// to %d".
class TIntegerField : public TNumericField {
 public:
  explicit TIntegerField(TComponent* owner);
  const char* ClassName() const override { return "TIntegerField"; }
  Integer GetDataSize() const override;
  Integer MinValue() const { return FMinValue; }
  void SetMinValue(Integer value) { FMinValue = value; }
  Integer MaxValue() const { return FMaxValue; }
  void SetMaxValue(Integer value) { FMaxValue = value; }
  bool GetValue(Integer& value) const;

 protected:
  TIntegerField(TComponent* owner, TFieldType type, Integer minRange, Integer maxRange);
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  String GetText(bool displayText) const override;
  Integer GetDefaultWidth() const override;
  void CheckRange(Int64 value) const;
  Integer FMinValue = 0;
  Integer FMaxValue = 0;
  Integer FMinRange;
  Integer FMaxRange;
};

// 16-bit signed values (ftSmallint).
class TSmallintField : public TIntegerField {
 public:
  explicit TSmallintField(TComponent* owner);
  const char* ClassName() const override { return "TSmallintField"; }
};

// 8-bit signed values (ftShortint), kept in the low byte of 16 bits.
class TShortintField : public TIntegerField {
 public:
  explicit TShortintField(TComponent* owner);
  const char* ClassName() const override { return "TShortintField"; }
};

// 8-bit unsigned values (ftByte), kept in the low byte of 16 bits.
class TByteField : public TIntegerField {
 public:
  explicit TByteField(TComponent* owner);
  const char* ClassName() const override { return "TByteField"; }
};

// 16-bit unsigned values (ftWord).
class TWordField : public TIntegerField {
 public:
  explicit TWordField(TComponent* owner);
  const char* ClassName() const override { return "TWordField"; }
};

// Values the dataset numbers (ftAutoInc).
class TAutoIncField : public TIntegerField {
 public:
  explicit TAutoIncField(TComponent* owner);
  const char* ClassName() const override { return "TAutoIncField"; }
};

// 32-bit unsigned values (ftLongWord). AsInteger of a value above the
// 32-bit signed range raises "Value of field '%s' is out of range".
class TLongWordField : public TNumericField {
 public:
  explicit TLongWordField(TComponent* owner);
  const char* ClassName() const override { return "TLongWordField"; }
  Integer GetDataSize() const override { return 4; }
  LongWord MinValue() const { return FMinValue; }
  void SetMinValue(LongWord value) { FMinValue = value; }
  LongWord MaxValue() const { return FMaxValue; }
  void SetMaxValue(LongWord value) { FMaxValue = value; }
  bool GetValue(LongWord& value) const;

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  String GetText(bool displayText) const override;
  Integer GetDefaultWidth() const override { return 10; }
  LongWord FMinValue = 0;
  LongWord FMaxValue = 0;
};

// 64-bit signed values (ftLargeint), with MinValue and MaxValue as for
// TIntegerField.
class TLargeintField : public TNumericField {
 public:
  explicit TLargeintField(TComponent* owner);
  const char* ClassName() const override { return "TLargeintField"; }
  Integer GetDataSize() const override { return 8; }
  Int64 MinValue() const { return FMinValue; }
  void SetMinValue(Int64 value) { FMinValue = value; }
  Int64 MaxValue() const { return FMaxValue; }
  void SetMaxValue(Int64 value) { FMaxValue = value; }
  bool GetValue(Int64& value) const;

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  String GetText(bool displayText) const override;
  Integer GetDefaultWidth() const override { return 15; }
  Int64 FMinValue = 0;
  Int64 FMaxValue = 0;
};

// The base of the floating-point fields (ftFloat, ftCurrency, ftSingle,
// ftExtended; all read and written as a double). Precision is the number
// of significant digits of the texts; with Currency on, the display text
// is a currency text and the edit text has the currency decimals. MinValue
// and MaxValue (both 0: no limit) bound what may be written.
class TRealField : public TNumericField {
 public:
  Integer GetDataSize() const override;
  bool Currency() const { return FCurrency; }
  void SetCurrency(bool value);
  Integer Precision() const { return FPrecision; }
  // Clamped to 2 and the type's most digits.
  void SetPrecision(Integer value);
  double MinValue() const { return FMinValue; }
  void SetMinValue(double value) { FMinValue = value; }
  double MaxValue() const { return FMaxValue; }
  void SetMaxValue(double value) { FMaxValue = value; }
  bool GetValue(double& value) const;

 protected:
  TRealField(TComponent* owner, TFieldType type, Integer precision, Integer maxPrecision);
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  String GetText(bool displayText) const override;
  Integer GetDefaultWidth() const override { return FPrecision + 1; }
  bool FCurrency = false;
  Integer FPrecision;
  Integer FMaxPrecision;
  double FMinValue = 0;
  double FMaxValue = 0;
};

// 64-bit floating point (ftFloat); precision 15.
class TFloatField : public TRealField {
 public:
  explicit TFloatField(TComponent* owner);
  const char* ClassName() const override { return "TFloatField"; }

 protected:
  TFloatField(TComponent* owner, TFieldType type);
};

// A float shown as money (ftCurrency).
class TCurrencyField : public TFloatField {
 public:
  explicit TCurrencyField(TComponent* owner);
  const char* ClassName() const override { return "TCurrencyField"; }
};

// 32-bit floating point (ftSingle); precision 7.
class TSingleField : public TRealField {
 public:
  explicit TSingleField(TComponent* owner);
  const char* ClassName() const override { return "TSingleField"; }
};

// Extended values, handed over as doubles (ftExtended); precision 15, at
// most 18.
class TExtendedField : public TRealField {
 public:
  explicit TExtendedField(TComponent* owner);
  const char* ClassName() const override { return "TExtendedField"; }
};

// Currency values with Size decimals (0 to 4, default 4) kept as a TBcd
// (ftBCD). MinValue and MaxValue (both 0: no limit) bound what may be
// written.
class TBCDField : public TNumericField {
 public:
  explicit TBCDField(TComponent* owner);
  const char* ClassName() const override { return "TBCDField"; }
  Integer GetDataSize() const override { return sizeof(TBcd); }
  bool Currency() const { return FCurrency; }
  void SetCurrency(bool value);
  Integer Precision() const { return FPrecision; }
  void SetPrecision(Integer value) { FPrecision = value; }
  ::Currency MinValue() const { return FMinValue; }
  void SetMinValue(::Currency value) { FMinValue = value; }
  ::Currency MaxValue() const { return FMaxValue; }
  void SetMaxValue(::Currency value) { FMaxValue = value; }
  bool GetValue(::Currency& value) const;

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  ::Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(::Currency value) override;
  TBcd GetAsBCD() const override;
  void SetAsBCDValue(const TBcd& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  String GetText(bool displayText) const override;
  Integer GetDefaultWidth() const override;
  void CheckTypeSize(Integer value) const override;
  bool FCurrency = false;
  Integer FPrecision = 0;
  ::Currency FMinValue;
  ::Currency FMaxValue;
};

// Decimal numbers of up to 64 digits (ftFMTBcd): Precision digits, Size of
// them after the point (defaults 15 and 8). A value is rounded to Size
// decimals when written; more integer digits than Precision - Size allows
// raise "BCD overflow".
class TFMTBCDField : public TNumericField {
 public:
  explicit TFMTBCDField(TComponent* owner);
  const char* ClassName() const override { return "TFMTBCDField"; }
  Integer GetDataSize() const override { return sizeof(TBcd); }
  bool Currency() const { return FCurrency; }
  void SetCurrency(bool value);
  Integer Precision() const { return FPrecision; }
  void SetPrecision(Integer value) { FPrecision = value; }
  bool GetValue(TBcd& value) const;

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  ::Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(::Currency value) override;
  TBcd GetAsBCD() const override;
  void SetAsBCDValue(const TBcd& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  String GetText(bool displayText) const override;
  Integer GetDefaultWidth() const override { return FPrecision + 2; }
  void CheckTypeSize(Integer value) const override;
  bool FCurrency = false;
  Integer FPrecision = 15;
};

// ---------------------------------------------------------------------------
// Booleans, dates and times

// A 16-bit flag (ftBoolean). DisplayValues "text for true;text for false"
// (empty: "True" and "False") gives the texts; writing a text accepts any
// beginning of either, without regard to case.
class TBooleanField : public TField {
 public:
  explicit TBooleanField(TComponent* owner);
  const char* ClassName() const override { return "TBooleanField"; }
  Integer GetDataSize() const override { return 2; }
  const String& DisplayValues() const { return FDisplayValues; }
  void SetDisplayValues(const String& value);
  bool GetValue(bool& value) const;

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  Integer GetDefaultWidth() const override;
  String FDisplayValues;
  String FTrueText;
  String FFalseText;
};

// Dates and times (ftDateTime; TDateField ftDate, TTimeField ftTime), read
// and written as TDateTime. The display text uses DisplayFormat; without
// one, and for editing, a date-time shows as "c", a date in the short date
// format and a time in the long time format.
class TDateTimeField : public TField {
 public:
  explicit TDateTimeField(TComponent* owner);
  const char* ClassName() const override { return "TDateTimeField"; }
  Integer GetDataSize() const override;
  const String& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& value);
  bool GetValue(TDateTime& value) const;

 protected:
  TDateTimeField(TComponent* owner, TFieldType type);
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  String GetText(bool displayText) const override;
  Integer GetDefaultWidth() const override;
  String FDisplayFormat;
};

class TDateField : public TDateTimeField {
 public:
  explicit TDateField(TComponent* owner);
  const char* ClassName() const override { return "TDateField"; }
};

class TTimeField : public TDateTimeField {
 public:
  explicit TTimeField(TComponent* owner);
  const char* ClassName() const override { return "TTimeField"; }
};

// SQL time stamps (ftTimeStamp), 16 bytes. The text uses DisplayFormat when
// displaying and "c" otherwise. Writing an invalid stamp raises the
// runtime's "Invalid SQL date/time values".
class TSQLTimeStampField : public TField {
 public:
  explicit TSQLTimeStampField(TComponent* owner);
  const char* ClassName() const override { return "TSQLTimeStampField"; }
  Integer GetDataSize() const override { return sizeof(TSQLTimeStamp); }
  const String& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& value);

 protected:
  TSQLTimeStampField(TComponent* owner, TFieldType type);
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  TSQLTimeStamp GetAsSQLTimeStamp() const override;
  void SetAsSQLTimeStampValue(const TSQLTimeStamp& value) override;
  TSQLTimeStampOffset GetAsSQLTimeStampOffset() const override;
  void SetAsSQLTimeStampOffsetValue(const TSQLTimeStampOffset& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  String GetText(bool displayText) const override;
  Integer GetDefaultWidth() const override { return 20; }
  // The picture of a text: DisplayFormat when displaying, else "" ("c").
  StringView FormatFor(bool displayText) const;
  String FDisplayFormat;
};

// SQL time stamps with a zone offset (ftTimeStampOffset), 20 bytes; the
// text ends with " +hh:nn" or " -hh:nn".
class TSQLTimeStampOffsetField : public TSQLTimeStampField {
 public:
  explicit TSQLTimeStampOffsetField(TComponent* owner);
  const char* ClassName() const override { return "TSQLTimeStampOffsetField"; }
  Integer GetDataSize() const override { return sizeof(TSQLTimeStampOffset); }

 protected:
  void SetAsStringValue(const String& value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  TSQLTimeStamp GetAsSQLTimeStamp() const override;
  void SetAsSQLTimeStampValue(const TSQLTimeStamp& value) override;
  TSQLTimeStampOffset GetAsSQLTimeStampOffset() const override;
  void SetAsSQLTimeStampOffsetValue(const TSQLTimeStampOffset& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  String GetText(bool displayText) const override;
  Integer GetDefaultWidth() const override { return 27; }
};

// ---------------------------------------------------------------------------
// Bytes and blobs

// Byte values of a fixed size. The text shows the class ("(Bytes)").
// AsString gives the bytes as 8-bit text; writes longer than Size are cut.
class TBinaryField : public TField {
 protected:
  TBinaryField(TComponent* owner, TFieldType type);
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  AnsiString GetAsAnsiString() const override;
  void SetAsAnsiStringValue(const AnsiString& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  String GetText(bool displayText) const override;
  void CheckTypeSize(Integer value) const override;
};

// Exactly Size bytes (ftBytes); shorter values are padded with zeros.
class TBytesField : public TBinaryField {
 public:
  explicit TBytesField(TComponent* owner);
  const char* ClassName() const override { return "TBytesField"; }
  Integer GetDataSize() const override { return FSize; }

 protected:
  TBytesField(TComponent* owner, TFieldType type);
  std::vector<Byte> GetAsBytes() const override;
  void SetAsBytesValue(const std::vector<Byte>& value) override;
};

// Up to Size bytes after a 16-bit length (ftVarBytes).
class TVarBytesField : public TBytesField {
 public:
  explicit TVarBytesField(TComponent* owner);
  const char* ClassName() const override { return "TVarBytesField"; }
  Integer GetDataSize() const override { return FSize + 2; }

 protected:
  std::vector<Byte> GetAsBytes() const override;
  void SetAsBytesValue(const std::vector<Byte>& value) override;
};

// Values of any length read and written through the dataset's blob stream.
// AsString is the bytes as 8-bit text in the ANSI code page; the text shows
// the class ("(Blob)", "(BLOB)" with a value). Modified is set by streams
// that wrote the value.
class TBlobField : public TField {
 public:
  explicit TBlobField(TComponent* owner);
  const char* ClassName() const override { return "TBlobField"; }
  bool IsBlob() const override { return true; }
  void SetFieldType(TFieldType value) override;
  TFieldType BlobType() const { return FDataType; }
  void SetBlobType(TFieldType value) { SetFieldType(value); }
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }
  bool IsNull() const override;
  // Empties the value.
  void Clear() override;
  Integer BlobSize() const;
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName) const;

 protected:
  TBlobField(TComponent* owner, TFieldType type);
  // The stored bytes, valid until the next read of the field.
  const std::string& ReadData() const;
  std::vector<Byte> ReadBytes() const;
  void WriteBytes(const void* data, size_t size);
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  AnsiString GetAsAnsiString() const override;
  void SetAsAnsiStringValue(const AnsiString& value) override;
  std::vector<Byte> GetAsBytes() const override;
  void SetAsBytesValue(const std::vector<Byte>& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  String GetText(bool displayText) const override;
  void CheckTypeSize(Integer value) const override;
  // The stream of a write, or a clear error when the dataset has none.
  std::unique_ptr<TStream> OpenStream(TBlobStreamMode mode) const;
  bool FModified = false;

 private:
  mutable std::string FReadBuffer;
};

// 8-bit text of any length (ftMemo).
class TMemoField : public TBlobField {
 public:
  explicit TMemoField(TComponent* owner);
  const char* ClassName() const override { return "TMemoField"; }

 protected:
  Variant GetAsVariant() const override;
};

// UTF-16 text of any length (ftWideMemo); the stream holds UTF-16LE bytes.
class TWideMemoField : public TBlobField {
 public:
  explicit TWideMemoField(TComponent* owner);
  const char* ClassName() const override { return "TWideMemoField"; }

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  AnsiString GetAsAnsiString() const override;
  void SetAsAnsiStringValue(const AnsiString& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
};

// Pictures (ftGraphic).
class TGraphicField : public TBlobField {
 public:
  explicit TGraphicField(TComponent* owner);
  const char* ClassName() const override { return "TGraphicField"; }
};

// ---------------------------------------------------------------------------
// Variants and objects

// Any variant (ftVariant). The native buffer is a constructed Variant that
// the dataset assigns to and from; every As* accessor converts the variant.
class TVariantField : public TField {
 public:
  explicit TVariantField(TComponent* owner);
  const char* ClassName() const override { return "TVariantField"; }
  Integer GetDataSize() const override { return sizeof(Variant); }

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& value) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer value) override;
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  ::Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(::Currency value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  std::vector<Byte> GetAsBytes() const override;
  void SetAsBytesValue(const std::vector<Byte>& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
};

// Object fields: the tables of this program hold none, so they show their
// class and give no values.
class TObjectField : public TField {
 protected:
  TObjectField(TComponent* owner, TFieldType type);
};

class TADTField : public TObjectField {
 public:
  explicit TADTField(TComponent* owner);
  const char* ClassName() const override { return "TADTField"; }
};

class TArrayField : public TObjectField {
 public:
  explicit TArrayField(TComponent* owner);
  const char* ClassName() const override { return "TArrayField"; }
};

class TReferenceField : public TObjectField {
 public:
  explicit TReferenceField(TComponent* owner);
  const char* ClassName() const override { return "TReferenceField"; }

 protected:
  void CheckTypeSize(Integer) const override {}
};

class TDataSetField : public TObjectField {
 public:
  explicit TDataSetField(TComponent* owner);
  const char* ClassName() const override { return "TDataSetField"; }
};
