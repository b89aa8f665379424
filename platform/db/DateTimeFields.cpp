// Date, time and SQL time-stamp fields.
#include "platform/db/DBConsts.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/TextConvert.h"

// ---------------------------------------------------------------------------
// TDateTimeField, TDateField, TTimeField

TDateTimeField::TDateTimeField(TComponent* owner) : TDateTimeField(owner, ftDateTime) {}
TDateTimeField::TDateTimeField(TComponent* owner, TFieldType type) : TField(owner) { FDataType = type; }
TDateField::TDateField(TComponent* owner) : TDateTimeField(owner, ftDate) {}
TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner, ftTime) {}

Integer TDateTimeField::GetDataSize() const { return FDataType == ftDateTime ? 8 : 4; }

void TDateTimeField::SetDisplayFormat(const String& value) { ChangeProperty(FDisplayFormat, value, false); }

bool TDateTimeField::GetValue(TDateTime& value) const { return GetData(&value, false); }

TDateTime TDateTimeField::GetAsDateTime() const {
  TDateTime value = 0;
  GetValue(value);
  return value;
}

void TDateTimeField::SetAsDateTimeValue(TDateTime value) { SetData(&value, false); }

double TDateTimeField::GetAsFloat() const { return GetAsDateTime(); }

void TDateTimeField::SetAsFloatValue(double value) { SetAsDateTimeValue(value); }

String TDateTimeField::GetAsString() const { return GetText(false); }

void TDateTimeField::SetAsStringValue(const String& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  switch (FDataType) {
    case ftDate: SetAsDateTimeValue(StrToDate(value)); break;
    case ftTime: SetAsDateTimeValue(StrToTime(value)); break;
    default: SetAsDateTimeValue(StrToDateTime(value)); break;
  }
}

Variant TDateTimeField::GetAsVariant() const {
  TDateTime value;
  return GetValue(value) ? VarFromDateTime(value) : Variant::Null();
}

void TDateTimeField::SetVarValue(const Variant& value) { SetAsDateTimeValue(value.AsDateTime()); }

String TDateTimeField::GetText(bool displayText) const {
  TDateTime value;
  if (!GetValue(value)) return String();
  StringView format;
  if (displayText && !FDisplayFormat.empty()) {
    format = FDisplayFormat;
  } else if (FDataType == ftDate) {
    format = FormatSettings.ShortDateFormat;
  } else if (FDataType == ftTime) {
    format = FormatSettings.LongTimeFormat;
  }
  return FormatDateTime(format, value);
}

Integer TDateTimeField::GetDefaultWidth() const {
  switch (FDataType) {
    case ftDate: return 10;
    case ftTime: return 8;
    default: return 18;
  }
}

// ---------------------------------------------------------------------------
// TSQLTimeStampField

TSQLTimeStampField::TSQLTimeStampField(TComponent* owner) : TSQLTimeStampField(owner, ftTimeStamp) {}
TSQLTimeStampField::TSQLTimeStampField(TComponent* owner, TFieldType type) : TField(owner) { FDataType = type; }

void TSQLTimeStampField::SetDisplayFormat(const String& value) { ChangeProperty(FDisplayFormat, value, false); }

StringView TSQLTimeStampField::FormatFor(bool displayText) const {
  return displayText ? StringView(FDisplayFormat) : StringView();
}

TSQLTimeStamp TSQLTimeStampField::GetAsSQLTimeStamp() const {
  TSQLTimeStamp value;
  if (!GetData(&value)) return TSQLTimeStamp();
  return value;
}

void TSQLTimeStampField::SetAsSQLTimeStampValue(const TSQLTimeStamp& value) {
  // Checked here so that no read of the record fails later.
  CheckSqlTimeStamp(value);
  SetData(&value);
}

TSQLTimeStampOffset TSQLTimeStampField::GetAsSQLTimeStampOffset() const {
  return SQLTimeStampToSQLTimeStampOffset(GetAsSQLTimeStamp());
}

void TSQLTimeStampField::SetAsSQLTimeStampOffsetValue(const TSQLTimeStampOffset& value) {
  SetAsSQLTimeStampValue(SQLTimeStampOffsetToSQLTimeStamp(value));
}

TDateTime TSQLTimeStampField::GetAsDateTime() const { return SQLTimeStampToDateTime(GetAsSQLTimeStamp()); }

void TSQLTimeStampField::SetAsDateTimeValue(TDateTime value) {
  SetAsSQLTimeStampValue(DateTimeToSQLTimeStamp(value));
}

double TSQLTimeStampField::GetAsFloat() const { return GetAsDateTime(); }

void TSQLTimeStampField::SetAsFloatValue(double value) { SetAsDateTimeValue(value); }

String TSQLTimeStampField::GetAsString() const { return GetText(false); }

void TSQLTimeStampField::SetAsStringValue(const String& value) {
  if (value.empty()) {
    Clear();
  } else {
    SetAsSQLTimeStampValue(StrToSQLTimeStamp(value));
  }
}

Variant TSQLTimeStampField::GetAsVariant() const {
  TSQLTimeStamp value;
  return GetData(&value) ? VarSQLTimeStampCreate(value) : Variant::Null();
}

void TSQLTimeStampField::SetVarValue(const Variant& value) { SetAsSQLTimeStampValue(value.AsSQLTimeStamp()); }

String TSQLTimeStampField::GetText(bool displayText) const {
  TSQLTimeStamp value;
  if (!GetData(&value)) return String();
  return SQLTimeStampToStr(FormatFor(displayText), value);
}

// ---------------------------------------------------------------------------
// TSQLTimeStampOffsetField

TSQLTimeStampOffsetField::TSQLTimeStampOffsetField(TComponent* owner)
    : TSQLTimeStampField(owner, ftTimeStampOffset) {}

TSQLTimeStampOffset TSQLTimeStampOffsetField::GetAsSQLTimeStampOffset() const {
  TSQLTimeStampOffset value;
  if (!GetData(&value)) return TSQLTimeStampOffset();
  return value;
}

void TSQLTimeStampOffsetField::SetAsSQLTimeStampOffsetValue(const TSQLTimeStampOffset& value) {
  CheckSqlTimeStampOffset(value);
  SetData(&value);
}

TSQLTimeStamp TSQLTimeStampOffsetField::GetAsSQLTimeStamp() const {
  return SQLTimeStampOffsetToSQLTimeStamp(GetAsSQLTimeStampOffset());
}

void TSQLTimeStampOffsetField::SetAsSQLTimeStampValue(const TSQLTimeStamp& value) {
  SetAsSQLTimeStampOffsetValue(SQLTimeStampToSQLTimeStampOffset(value));
}

TDateTime TSQLTimeStampOffsetField::GetAsDateTime() const {
  return SQLTimeStampOffsetToDateTime(GetAsSQLTimeStampOffset());
}

void TSQLTimeStampOffsetField::SetAsDateTimeValue(TDateTime value) {
  SetAsSQLTimeStampOffsetValue(DateTimeToSQLTimeStampOffset(value));
}

void TSQLTimeStampOffsetField::SetAsStringValue(const String& value) {
  if (value.empty()) {
    Clear();
  } else {
    SetAsSQLTimeStampOffsetValue(StrToSQLTimeStampOffset(value));
  }
}

Variant TSQLTimeStampOffsetField::GetAsVariant() const {
  TSQLTimeStampOffset value;
  return GetData(&value) ? VarSQLTimeStampOffsetCreate(value) : Variant::Null();
}

void TSQLTimeStampOffsetField::SetVarValue(const Variant& value) {
  SetAsSQLTimeStampOffsetValue(value.AsSQLTimeStampOffset());
}

String TSQLTimeStampOffsetField::GetText(bool displayText) const {
  TSQLTimeStampOffset value;
  if (!GetData(&value)) return String();
  return SQLTimeStampOffsetToStr(FormatFor(displayText), value);
}
