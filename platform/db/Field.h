// The field: one column of a dataset's current record, read and written in
// the type's native form through the dataset and offered as every other
// type through the As* accessors. The typed field classes are in Fields.h.
#pragma once

#include <functional>

#include "platform/db/DBTypes.h"
#include "platform/rtl/Bcd.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TDataSet;
class TFieldDef;

class TField : public TComponent {
 public:
  explicit TField(TComponent* owner);
  ~TField() override;
  const char* ClassName() const override { return "TField"; }

  // Binding.
  TDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* value);
  const String& FieldName() const { return FFieldName; }
  void SetFieldName(const String& value);
  Integer FieldNo() const { return FFieldNo; }
  void SetFieldNo(Integer value) { FFieldNo = value; }
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType value) { FDataType = value; }
  TFieldKind FieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind value) { FFieldKind = value; }
  bool Calculated() const { return FFieldKind == fkCalculated; }
  bool Lookup() const { return FFieldKind == fkLookup; }
  Integer Index() const;
  // Offset of a calculated field's flag byte in the calculation area.
  Integer Offset() const { return FOffset; }
  void SetOffset(Integer value) { FOffset = value; }
  // Size: characters of a string, bytes of a byte field, decimals of a BCD.
  Integer Size() const { return FSize; }
  virtual void SetSize(Integer value);
  // Bytes of the native value buffer.
  virtual Integer GetDataSize() const { return 0; }
  Integer DataSize() const { return GetDataSize(); }
  virtual bool IsBlob() const { return false; }
  // Whether a definition of this type and size can feed this field.
  virtual bool IsCompatible(TFieldType dataType) const { return dataType == FDataType; }

  // Presentation and rules.
  String DisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
  void SetDisplayLabel(const String& value);
  String DisplayName() const { return DisplayLabel(); }
  Integer DisplayWidth() const;
  void SetDisplayWidth(Integer value) { FDisplayWidth = value; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  bool Required() const { return FRequired; }
  void SetRequired(bool value) { FRequired = value; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  const String& DefaultExpression() const { return FDefaultExpression; }
  void SetDefaultExpression(const String& value) { FDefaultExpression = value; }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value) { FAlignment = value; }
  const String& Origin() const { return FOrigin; }
  void SetOrigin(const String& value) { FOrigin = value; }
  // Whether the field can be written now (dataset open and modifiable).
  virtual bool CanModify() const;

  // Lookup fields.
  TDataSet* LookupDataSet() const { return FLookupDataSet; }
  void SetLookupDataSet(TDataSet* value) { FLookupDataSet = value; }
  String KeyFields, LookupKeyFields, LookupResultField;

  // Value access in the field's own type through the dataset's active
  // record. A null buffer reads presence only, writes null.
  bool GetData(void* buffer, bool nativeFormat = true) const;
  void SetData(const void* buffer, bool nativeFormat = true);
  virtual bool IsNull() const;
  void Clear() { SetData(nullptr); }
  // Drops values a field keeps between reads (blobs).
  virtual void FreeBuffers() {}

  // Conversions. A type the field cannot give or take raises EDatabaseError
  // "Cannot access field '%s' as type %s".
  String AsString() const { return GetAsString(); }
  void SetAsString(const String& value) { SetAsStringValue(value); }
  String AsWideString() const { return GetAsString(); }
  void SetAsWideString(const String& value) { SetAsStringValue(value); }
  AnsiString AsAnsiString() const { return GetAsAnsiString(); }
  void SetAsAnsiString(const AnsiString& value) { SetAsAnsiStringValue(value); }
  Integer AsInteger() const { return GetAsInteger(); }
  void SetAsInteger(Integer value) { SetAsIntegerValue(value); }
  Int64 AsLargeInt() const { return GetAsLargeInt(); }
  void SetAsLargeInt(Int64 value) { SetAsLargeIntValue(value); }
  double AsFloat() const { return GetAsFloat(); }
  void SetAsFloat(double value) { SetAsFloatValue(value); }
  double AsExtended() const { return GetAsFloat(); }
  void SetAsExtended(double value) { SetAsFloatValue(value); }
  float AsSingle() const { return static_cast<float>(GetAsFloat()); }
  void SetAsSingle(float value) { SetAsFloatValue(value); }
  Currency AsCurrency() const { return GetAsCurrency(); }
  void SetAsCurrency(Currency value) { SetAsCurrencyValue(value); }
  bool AsBoolean() const { return GetAsBoolean(); }
  void SetAsBoolean(bool value) { SetAsBooleanValue(value); }
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  void SetAsDateTime(TDateTime value) { SetAsDateTimeValue(value); }
  TBcd AsBCD() const { return GetAsBCD(); }
  void SetAsBCD(const TBcd& value) { SetAsBCDValue(value); }
  TSQLTimeStamp AsSQLTimeStamp() const { return GetAsSQLTimeStamp(); }
  void SetAsSQLTimeStamp(const TSQLTimeStamp& value) { SetAsSQLTimeStampValue(value); }
  TSQLTimeStampOffset AsSQLTimeStampOffset() const { return GetAsSQLTimeStampOffset(); }
  void SetAsSQLTimeStampOffset(const TSQLTimeStampOffset& value) { SetAsSQLTimeStampOffsetValue(value); }
  std::vector<Byte> AsBytes() const { return GetAsBytes(); }
  void SetAsBytes(const std::vector<Byte>& value) { SetAsBytesValue(value); }
  // Null for a null field.
  Variant AsVariant() const { return GetAsVariant(); }
  void SetAsVariant(const Variant& value);
  Variant Value() const { return GetAsVariant(); }
  void SetValue(const Variant& value) { SetAsVariant(value); }
  // The value of the record as it was before the edit, as it is in the
  // store, and as it is being written (the dataset's temporary states).
  Variant OldValue() const;
  Variant CurValue() const;
  Variant NewValue() const;

  // Text for editing (Text) and for display (DisplayText); OnGetText
  // replaces both, OnSetText replaces writing Text.
  String Text() const { return GetTextValue(false); }
  void SetText(const String& value);
  String DisplayText() const { return GetTextValue(true); }

  // Events; the first argument is the sender.
  std::function<void(TField*)> OnChange;
  // Runs before a value is stored; buffer is the native value (nullptr: null).
  std::function<void(TField*)> OnValidate;
  std::function<void(TField*, String& text, bool displayText)> OnGetText;
  std::function<void(TField*, const String& text)> OnSetText;

  // Called by the dataset around a write.
  void Validate(const void* buffer);
  virtual void Change();
  // The dataset sends deFocusControl for this field.
  void FocusControl();
  // Raises "Cannot access field '%s' as type %s".
  [[noreturn]] void AccessError(const char16_t* typeName) const;
  // Raises "Field '%s' cannot be modified" unless the field can be written.
  void CheckReadOnly() const;
  // The buffer being validated (OnValidate reads it through the As*
  // accessors, which see the value about to be stored).
  const void* ValidateBuffer() const { return FValidateBuffer; }
  bool Validating() const { return FValidating; }

 protected:
  virtual String GetAsString() const;
  virtual void SetAsStringValue(const String& value);
  virtual AnsiString GetAsAnsiString() const;
  virtual void SetAsAnsiStringValue(const AnsiString& value);
  virtual Integer GetAsInteger() const;
  virtual void SetAsIntegerValue(Integer value);
  virtual Int64 GetAsLargeInt() const;
  virtual void SetAsLargeIntValue(Int64 value);
  virtual double GetAsFloat() const;
  virtual void SetAsFloatValue(double value);
  virtual Currency GetAsCurrency() const;
  virtual void SetAsCurrencyValue(Currency value);
  virtual bool GetAsBoolean() const;
  virtual void SetAsBooleanValue(bool value);
  virtual TDateTime GetAsDateTime() const;
  virtual void SetAsDateTimeValue(TDateTime value);
  virtual TBcd GetAsBCD() const;
  virtual void SetAsBCDValue(const TBcd& value);
  virtual TSQLTimeStamp GetAsSQLTimeStamp() const;
  virtual void SetAsSQLTimeStampValue(const TSQLTimeStamp& value);
  virtual TSQLTimeStampOffset GetAsSQLTimeStampOffset() const;
  virtual void SetAsSQLTimeStampOffsetValue(const TSQLTimeStampOffset& value);
  virtual std::vector<Byte> GetAsBytes() const;
  virtual void SetAsBytesValue(const std::vector<Byte>& value);
  virtual Variant GetAsVariant() const;
  // Variant writes after Null and Empty were handled (they clear the field).
  virtual void SetVarValue(const Variant& value);
  virtual String GetClassDesc() const;
  // Text and display text; the base gives AsString.
  virtual String GetText(bool displayText) const;
  String GetTextValue(bool displayText) const;
  // Reads a value in another of the dataset's states.
  Variant GetStateValue(TDataSetState state) const;

  TDataSet* FDataSet = nullptr;
  String FFieldName;
  Integer FFieldNo = 0;
  TFieldType FDataType = ftUnknown;
  TFieldKind FFieldKind = fkData;
  Integer FOffset = 0;
  Integer FSize = 0;
  String FDisplayLabel;
  Integer FDisplayWidth = 0;
  bool FVisible = true;
  bool FRequired = false;
  bool FReadOnly = false;
  String FDefaultExpression;
  TAlignment FAlignment = taLeftJustify;
  String FOrigin;
  TDataSet* FLookupDataSet = nullptr;
  const void* FValidateBuffer = nullptr;
  bool FValidating = false;
};

using TFieldClass = TField* (*)(TComponent* owner);
