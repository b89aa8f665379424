// The field: one column of a dataset's current record, read and written in
// the type's native form through the dataset and offered as every other
// type through the As* accessors. The typed field classes are in Fields.h.
#pragma once

#include <functional>
#include <vector>

#include "platform/db/DBTypes.h"
#include "platform/rtl/Bcd.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TDataSet;
class TFieldDef;
class TFields;

class TField : public TComponent {
 public:
  explicit TField(TComponent* owner);
  // Leaves its dataset (closing it first, so that no record refers to a
  // field that is gone).
  ~TField() override;
  const char* ClassName() const override { return "TField"; }

  // Binding.
  TDataSet* DataSet() const { return FDataSet; }
  // Raises "Cannot perform this operation on an open dataset" when either
  // dataset is open and "Duplicate field name '%s'" when the new dataset has
  // a field of the same name.
  void SetDataSet(TDataSet* value);
  const String& FieldName() const { return FFieldName; }
  void SetFieldName(const String& value);
  Integer FieldNo() const { return FFieldNo; }
  void SetFieldNo(Integer value) { FFieldNo = value; }
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType value) { FDataType = value; }
  // The type a definition gives a field made for it; classes that serve
  // several types (blobs, strings) take it, the others keep their own.
  virtual void SetFieldType(TFieldType) {}
  TFieldKind FieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind value) { FFieldKind = value; }
  bool Calculated() const { return FFieldKind == fkCalculated; }
  bool Lookup() const { return FFieldKind == fkLookup; }
  // Position in the dataset's field list; -1 without a dataset.
  Integer Index() const;
  // Offset of a calculated field's flag byte in the calculation area.
  Integer Offset() const { return FOffset; }
  void SetOffset(Integer value) { FOffset = value; }
  // Size: characters of a string, bytes of a byte field, decimals of a BCD.
  Integer Size() const { return FSize; }
  // Raises "Invalid field size" for a size the class cannot take, and
  // "Cannot perform this operation on an open dataset" while its dataset is
  // open (the record buffers were laid out for the old size).
  virtual void SetSize(Integer value);
  // Bytes of the native value buffer.
  virtual Integer GetDataSize() const { return 0; }
  Integer DataSize() const { return GetDataSize(); }
  virtual bool IsBlob() const { return false; }
  // Whether a definition of this type can feed this field.
  virtual bool IsCompatible(TFieldType dataType) const;

  // Presentation and rules. Changes to what controls show tell the open
  // dataset's links (deLayoutChange, deDataSetChange for formats).
  String DisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
  void SetDisplayLabel(const String& value);
  String DisplayName() const { return DisplayLabel(); }
  // The width set, or the class's default for its size and formats.
  Integer DisplayWidth() const;
  void SetDisplayWidth(Integer value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  bool Required() const { return FRequired; }
  void SetRequired(bool value) { FRequired = value; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  const String& DefaultExpression() const { return FDefaultExpression; }
  void SetDefaultExpression(const String& value) { FDefaultExpression = value; }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  const String& Origin() const { return FOrigin; }
  void SetOrigin(const String& value) { FOrigin = value; }
  // Whether the field can be written now: not read-only, a data field (or a
  // calculated one while calculated fields are computed) and its dataset
  // open and modifiable.
  virtual bool CanModify() const;

  // Lookup fields: the value of LookupResultField in the record of
  // LookupDataSet whose LookupKeyFields equal this dataset's KeyFields (one
  // key field).
  TDataSet* LookupDataSet() const { return FLookupDataSet; }
  void SetLookupDataSet(TDataSet* value) { FLookupDataSet = value; }
  String KeyFields, LookupKeyFields, LookupResultField;

  // Value access in the field's own type through the dataset's active
  // record. A null buffer reads presence only, writes null. A read writes
  // at most DataSize bytes.
  bool GetData(void* buffer, bool nativeFormat = true) const;
  void SetData(const void* buffer, bool nativeFormat = true);
  virtual bool IsNull() const;
  virtual void Clear() { SetData(nullptr); }
  // Drops values a field keeps between reads (blobs).
  virtual void FreeBuffers() {}

  // Conversions. A type the field cannot give or take raises EDatabaseError
  // "Cannot access field '%s' as type %s". A null field reads as 0, false,
  // an empty text or an empty byte array.
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
  // Null and Empty clear the field.
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
  // Runs before a value is stored; the As* accessors read the value about
  // to be stored (null for a write of null).
  std::function<void(TField*)> OnValidate;
  std::function<void(TField*, String& text, bool displayText)> OnGetText;
  std::function<void(TField*, const String& text)> OnSetText;

  // Called by the dataset around a write; buffer is the native value.
  void Validate(const void* buffer);
  virtual void Change();
  // The dataset sends deFocusControl for this field.
  void FocusControl();
  // Raises "Cannot access field '%s' as type %s".
  [[noreturn]] void AccessError(const char16_t* typeName) const;
  // Raises "Field '%s' cannot be modified" unless the field can be written.
  void CheckReadOnly() const;
  // The buffer being validated.
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
  // "(Name)" from the class name without "T" and "Field", upper-cased when
  // the field has a value: what fields without a text show.
  virtual String GetClassDesc() const;
  // Text and display text; the base gives AsString.
  virtual String GetText(bool displayText) const;
  String GetTextValue(bool displayText) const;
  // Reads a value in another of the dataset's states.
  Variant GetStateValue(TDataSetState state) const;
  // Width when none was set; 10 here.
  virtual Integer GetDefaultWidth() const { return 10; }
  // Raises "Invalid field size" for a size the class cannot take; the base
  // takes only 0 (blobs any size).
  virtual void CheckTypeSize(Integer value) const;
  // Tells an open dataset's links that what they show changed.
  void PropertyChanged(bool layoutAffected);
  // Sets a property that controls show, telling them when it changed.
  template <class T>
  void ChangeProperty(T& member, const T& value, bool layoutAffected) {
    if (member == value) return;
    member = value;
    PropertyChanged(layoutAffected);
  }
  // Raises "%s is not a valid value for field '%s'. The allowed range is
  // %d to %d".
  [[noreturn]] void RangeError(Int64 value, Int64 min, Int64 max) const;
  [[noreturn]] void RangeError(double value, double min, double max) const;

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

 private:
  friend class TFields;
};

using TFieldClass = TField* (*)(TComponent* owner);

// The field class of the given C++ class: TFieldClass c = &NewField<TStringField>.
template <class T>
TField* NewField(TComponent* owner) {
  return new T(owner);
}

// Copies a native value of the field (a Variant by assignment, anything
// else by its DataSize bytes).
void CopyFieldValue(const TField* field, const void* source, void* dest);
// The types whose fields work with another form than the native one
// (dates and times as TDateTime, ftBCD as Currency).
bool HasNonNativeForm(TFieldType type);
