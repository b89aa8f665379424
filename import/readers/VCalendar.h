// The vCalendar and iCalendar source (.vcs, .ics): each event block between
// "BEGIN:VEVENT" and "END:VEVENT" is one row of sheet 0, and each property
// name met in any event is a column, in the order names are first met.
// Other components (to-dos, time zones) are passed over; the properties of
// blocks inside an event (alarms) count as the event's.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "import/readers/ImportFromCell.h"

class TSMIVCField {
 public:
  String FieldName;
  // The longest raw value seen.
  Integer Length = 0;
  // ictDateTime for DTSTAMP, DTSTART..., DTEND... and LAST-MODIFIED,
  // ictString for every other name.
  TSMICellType FieldType = ictString;
};

class TSMIVCFields {
 public:
  Integer Count() const { return static_cast<Integer>(FFields.size()); }
  TSMIVCField& operator[](Integer index) const { return *FFields.at(static_cast<size_t>(index)); }
  void Clear();
  // The position of the field of that name (without case), -1 when none.
  Integer GetIndexByFieldName(StringView name) const;
  // The field of that name, added (with its type) when missing.
  Integer Ensure(const String& name);

 private:
  std::vector<std::unique_ptr<TSMIVCField>> FFields;
  std::unordered_map<String, Integer> FByUpperName;
};

class TSMIVCalendar : public TSpreadSheetFile {
 public:
  explicit TSMIVCalendar(TComponent* owner = nullptr);
  ~TSMIVCalendar() override;
  const char* ClassName() const override { return "TSMIVCalendar"; }

  void LoadFromFile(const String& fileName) override;
  void LoadFromStream(TStream& stream) override;
  void BeforeLoad() override;
  void AfterLoad() override;
  // Reads the next event into row recNo (no cells when none is left).
  bool LoadRecord(Integer recNo) override;
  Integer FindColumn(const String& fieldName) override;
  void FillColumnList(TColumnList& list, const String& fieldList) override;

  const TSMIVCFields& Fields() const { return lstFields; }

 private:
  TSMIVCFields lstFields;
  // The file's lines (folded lines joined) and the next one to take.
  std::unique_ptr<std::vector<String>> lstItems;
  size_t FNextItem = 0;
};

class TRADerevuFromVCalendar : public TRADerevuFromCell {
 public:
  explicit TRADerevuFromVCalendar(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromVCalendar"; }
  std::unique_ptr<TSpreadSheetFile> WorkBookCreation() override;
  String Extension() const override { return u".VCS"; }
  String FillFileFilters() const override;
  void DetectAutoMapping() override;
};
