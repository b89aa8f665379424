#include "table/TimeStampFields.h"

#include <cmath>
#include <cstdlib>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SqlTimeStamp.h"

namespace {

constexpr char16_t SUnassignedVar[] = u"Unassigned variant value";
constexpr Int64 MSecsPerMinute = 60 * 1000;

// Minutes east of UTC; the minute takes the hour's sign (a negative minute
// counts on its own only when the hour is 0).
int ZoneMinutes(const TSQLTimeStampOffset& value) {
  int m = std::abs(value.TimeZoneMinute);
  if (value.TimeZoneHour < 0) return value.TimeZoneHour * 60 - m;
  return value.TimeZoneHour * 60 + (value.TimeZoneHour == 0 ? value.TimeZoneMinute : m);
}

// The stamp moved by whole minutes, computed in milliseconds so that the
// fraction survives exactly.
TSQLTimeStampOffset Shifted(const TSQLTimeStampOffset& value, int minutes) {
  if (minutes == 0 || IsSQLTimeStampBlank(SQLTimeStampOffsetToSQLTimeStamp(value))) return value;
  CheckSqlTimeStampOffset(value);
  Int64 day = static_cast<Int64>(EncodeDate(static_cast<Word>(value.Year), value.Month, value.Day));
  Int64 ms = ((value.Hour * 60 + value.Minute) * 60 + value.Second) * Int64(1000) + value.Fractions;
  ms += minutes * MSecsPerMinute;
  Int64 dayShift = ms >= 0 ? ms / MSecsPerDay : -((-ms + MSecsPerDay - 1) / MSecsPerDay);
  ms -= dayShift * MSecsPerDay;
  Word year, month, dayOfMonth;
  DecodeDate(static_cast<TDateTime>(day + dayShift), year, month, dayOfMonth);
  TSQLTimeStampOffset result = value;
  result.Year = static_cast<SmallInt>(year);
  result.Month = month;
  result.Day = dayOfMonth;
  result.Hour = static_cast<Word>(ms / 3600000);
  result.Minute = static_cast<Word>(ms / 60000 % 60);
  result.Second = static_cast<Word>(ms / 1000 % 60);
  result.Fractions = static_cast<LongWord>(ms % 1000);
  CheckSqlTimeStampOffset(result);
  return result;
}

}  // namespace

TSQLTimeStampOffset SQLTimeStampOffsetFromUTC(const TSQLTimeStampOffset& value) {
  return Shifted(value, ZoneMinutes(value));
}

TSQLTimeStampOffset SQLTimeStampOffsetToUTC(const TSQLTimeStampOffset& value) {
  return Shifted(value, -ZoneMinutes(value));
}

// ---------------------------------------------------------------------------
// TDASQLTimeStampField

TDateTime TDASQLTimeStampField::GetAsDateTime() const {
  TSQLTimeStamp value;
  if (!GetData(&value)) return 0;
  return SQLTimeStampToDateTime(value);
}

String TDASQLTimeStampField::GetText(bool displayText) const {
  TSQLTimeStamp value;
  if (!GetData(&value)) return String();
  return SQLTimeStampToStr(FormatFor(displayText), value);
}

// ---------------------------------------------------------------------------
// TDASQLTimeStampOffsetField

TDASQLTimeStampOffsetField::TDASQLTimeStampOffsetField(TComponent* owner)
    : TDASQLTimeStampField(owner, ftDATimeStampOffset) {}

TSQLTimeStampOffset TDASQLTimeStampOffsetField::GetAsSQLTimeStampOffset() const {
  TSQLTimeStampOffset value;
  if (!GetData(&value)) return TSQLTimeStampOffset();
  return value;
}

void TDASQLTimeStampOffsetField::SetAsSQLTimeStampOffsetValue(const TSQLTimeStampOffset& value) {
  // Checked here so that no read of the record fails later.
  CheckSqlTimeStampOffset(value);
  SetData(&value);
}

TSQLTimeStamp TDASQLTimeStampOffsetField::GetAsSQLTimeStamp() const {
  return SQLTimeStampOffsetToSQLTimeStamp(GetAsSQLTimeStampOffset());
}

void TDASQLTimeStampOffsetField::SetAsSQLTimeStampValue(const TSQLTimeStamp& value) {
  SetAsSQLTimeStampOffsetValue(SQLTimeStampToSQLTimeStampOffset(value));
}

TDateTime TDASQLTimeStampOffsetField::GetAsDateTime() const {
  TSQLTimeStampOffset value;
  if (!GetData(&value)) return 0;
  return SQLTimeStampOffsetToDateTime(value);
}

void TDASQLTimeStampOffsetField::SetAsDateTimeValue(TDateTime value) {
  SetAsSQLTimeStampOffsetValue(DateTimeToSQLTimeStampOffset(value));
}

void TDASQLTimeStampOffsetField::SetAsStringValue(const String& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  // The text shows the zone's clock time (GetText); the record keeps UTC, so
  // a text read back gives the same text again.
  SetAsSQLTimeStampOffsetValue(SQLTimeStampOffsetToUTC(StrToSQLTimeStampOffset(value)));
}

Variant TDASQLTimeStampOffsetField::GetAsVariant() const {
  TSQLTimeStampOffset value;
  return GetData(&value) ? VarSQLTimeStampOffsetCreate(value) : Variant::Null();
}

void TDASQLTimeStampOffsetField::SetVarValue(const Variant& value) {
  if (value.IsEmpty()) throw EVariantError(SUnassignedVar);
  SetAsSQLTimeStampOffsetValue(value.AsSQLTimeStampOffset());
}

String TDASQLTimeStampOffsetField::GetText(bool displayText) const {
  TSQLTimeStampOffset value;
  if (!GetData(&value)) return String();
  return SQLTimeStampOffsetToStr(FormatFor(displayText), SQLTimeStampOffsetFromUTC(value));
}
