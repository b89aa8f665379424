#include "import/readers/ImportFromDatabase.h"

#include "import/ImportMessages.h"
#include "import/readers/DatabaseFile.h"

std::unique_ptr<TSpreadSheetFile> TRADerevuFromDatabase::WorkBookCreation() {
  std::unique_ptr<TSpreadSheetFile> reader = CreateSpreadSheetReader(TableType(), SourceFileName());
  if (auto* table = dynamic_cast<TDatabaseFile*>(reader.get())) table->SetPassword(FPassword);
  return reader;
}

const TDatabaseFile* TRADerevuFromDatabase::Table() const { return dynamic_cast<const TDatabaseFile*>(WorkBook()); }

void TRADerevuFromDatabase::DetectAutoMapping() {
  if (const TDatabaseFile* table = Table())
    table->DescribeColumns(Columns());
  else
    TRADerevuFromCell::DetectAutoMapping();
}

Integer TRADerevuFromDatabase::GetTotalCount() {
  if (const TDatabaseFile* table = Table()) return table->RecordCount();
  return TRADerevuFromCell::GetTotalCount();
}

TRADerevuFromParadox::TRADerevuFromParadox(TComponent* owner) : TRADerevuFromDatabase(owner) { SetTableType(teParadox); }

String TRADerevuFromParadox::FillFileFilters() const { return String(u"Paradox file (*.db)|*.DB|") + strAllFiles; }

TRADerevuFromAdvantage::TRADerevuFromAdvantage(TComponent* owner) : TRADerevuFromDatabase(owner) { SetTableType(teADT); }

String TRADerevuFromAdvantage::FillFileFilters() const { return String(u"Advantage table (*.adt)|*.ADT|") + strAllFiles; }

TRADerevuFromDBISAM::TRADerevuFromDBISAM(TComponent* owner) : TRADerevuFromDatabase(owner) { SetTableType(teDBISAM); }

String TRADerevuFromDBISAM::FillFileFilters() const { return String(u"DBISAM table (*.dat)|*.DAT|") + strAllFiles; }

TRADerevuFromClarion::TRADerevuFromClarion(TComponent* owner) : TRADerevuFromDatabase(owner) { SetTableType(teClarion); }

String TRADerevuFromClarion::FillFileFilters() const { return String(u"Clarion table (*.dat)|*.DAT|") + strAllFiles; }
