// Field classes for SQL time stamps, and for time stamps with a zone offset
// (the engine's field type ftDATimeStampOffset). A stamp with offset is kept
// in UTC with its zone; its text shows the zone's clock time and the offset.
#pragma once

#include "platform/db/Fields.h"

class TDASQLTimeStampField : public TSQLTimeStampField {
 public:
  explicit TDASQLTimeStampField(TComponent* owner) : TSQLTimeStampField(owner) {}
  const char* ClassName() const override { return "TDASQLTimeStampField"; }

 protected:
  TDASQLTimeStampField(TComponent* owner, TFieldType type) : TSQLTimeStampField(owner, type) {}
  // Null reads as 0.
  TDateTime GetAsDateTime() const override;
  String GetText(bool displayText) const override;
};

class TDASQLTimeStampOffsetField : public TDASQLTimeStampField {
 public:
  explicit TDASQLTimeStampOffsetField(TComponent* owner);
  const char* ClassName() const override { return "TDASQLTimeStampOffsetField"; }
  Integer GetDataSize() const override { return sizeof(TSQLTimeStampOffset); }
  bool IsCompatible(TFieldType dataType) const override { return dataType == ftDATimeStampOffset; }

 protected:
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  TSQLTimeStamp GetAsSQLTimeStamp() const override;
  void SetAsSQLTimeStampValue(const TSQLTimeStamp& value) override;
  TSQLTimeStampOffset GetAsSQLTimeStampOffset() const override;
  void SetAsSQLTimeStampOffsetValue(const TSQLTimeStampOffset& value) override;
  // An empty text clears the field; otherwise the zone's clock time and its
  // offset ("... +hh:nn"), stored in UTC.
  void SetAsStringValue(const String& value) override;
  Variant GetAsVariant() const override;
  // "Unassigned variant value" for an unassigned variant.
  void SetVarValue(const Variant& value) override;
  String GetText(bool displayText) const override;
  Integer GetDefaultWidth() const override { return 27; }
};

// The zone's clock time of a stamp kept in UTC, and back.
TSQLTimeStampOffset SQLTimeStampOffsetFromUTC(const TSQLTimeStampOffset& value);
TSQLTimeStampOffset SQLTimeStampOffsetToUTC(const TSQLTimeStampOffset& value);
