// The import sources of the older desktop database tables (Paradox,
// Advantage, DBISAM, Clarion): each creates its reader, hands it the
// password, and takes the columns and the row count from the table itself.
#pragma once

#include "import/readers/ImportFromCell.h"

class TDatabaseFile;

class TRADerevuFromDatabase : public TRADerevuFromCell {
 public:
  using TRADerevuFromCell::TRADerevuFromCell;
  const String& Password() const { return FPassword; }
  void SetPassword(const String& value) { FPassword = value; }

  std::unique_ptr<TSpreadSheetFile> WorkBookCreation() override;
  void DetectAutoMapping() override;
  Integer GetTotalCount() override;

 private:
  const TDatabaseFile* Table() const;
  String FPassword;
};

class TRADerevuFromParadox : public TRADerevuFromDatabase {
 public:
  explicit TRADerevuFromParadox(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromParadox"; }
  String Extension() const override { return u".DB"; }
  String FillFileFilters() const override;
};

class TRADerevuFromAdvantage : public TRADerevuFromDatabase {
 public:
  explicit TRADerevuFromAdvantage(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromAdvantage"; }
  String Extension() const override { return u".ADT"; }
  String FillFileFilters() const override;
};

class TRADerevuFromDBISAM : public TRADerevuFromDatabase {
 public:
  explicit TRADerevuFromDBISAM(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromDBISAM"; }
  String Extension() const override { return u".DAT"; }
  String FillFileFilters() const override;
};

class TRADerevuFromClarion : public TRADerevuFromDatabase {
 public:
  explicit TRADerevuFromClarion(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromClarion"; }
  String Extension() const override { return u".DAT"; }
  String FillFileFilters() const override;
};
