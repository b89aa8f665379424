// The Skype log source (.dbb): a file is a run of records, each introduced
// by the bytes "l33l"; each record is one row of sheet 0, and the fields
// found in it fill the columns of a fixed list of 34 names by their codes.
// Only the field texts are read, not what a record means.
#pragma once

#include <vector>

#include "import/readers/ImportFromCell.h"

struct TSMISkypeField {
  const char16_t* Name;
  const char16_t* Caption;
  TSMICellType FieldType;
  Integer Width;
};

// The columns, in order; a row's position is its column.
extern const TSMISkypeField arrSkypeNames[34];

// The 16 bytes before each record's data.
struct TSkypeRecHeader {
  Cardinal Signature = 0;   // "l33l"
  Cardinal RecordSize = 0;  // the data bytes that follow
  Cardinal SessionID = 0;
  Cardinal DataItemIndicator = 0;
};

class TSMISkype : public TSpreadSheetFile {
 public:
  // The most data bytes of one record that are read; the rest of a longer
  // record is passed over.
  static constexpr size_t kRecordBuffer = 32768;

  explicit TSMISkype(TComponent* owner = nullptr);
  ~TSMISkype() override;
  const char* ClassName() const override { return "TSMISkype"; }

  void LoadFromFile(const String& fileName) override;
  void LoadFromStream(TStream& stream) override;
  void BeforeLoad() override;
  void AfterLoad() override;
  // Reads the next record into row recNo; false when none is left or its
  // status is not loaded.
  bool LoadRecord(Integer recNo) override;
  Integer FindColumn(const String& fieldName) override;
  void FillColumnList(TColumnList& list, const String& fieldList) override;

 private:
  // The stream being read, and where the next record is searched from.
  TStream* FCurrentStream = nullptr;
  std::vector<Byte> FBytes;
  size_t FPosition = 0;
};

class TRADerevuFromSkype : public TRADerevuFromCell {
 public:
  explicit TRADerevuFromSkype(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromSkype"; }
  std::unique_ptr<TSpreadSheetFile> WorkBookCreation() override;
  String Extension() const override { return u".DBB"; }
  String FillFileFilters() const override;
  void DetectAutoMapping() override;
};
