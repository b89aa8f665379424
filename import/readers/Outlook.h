// The Outlook source: the items of one folder of the user's profile, one row
// per item and one column per item property of a fixed list for the folder's
// item type, read through late-bound automation ("Outlook.Application").
// No Outlook server exists on this platform, so a run or a folder listing
// says so clearly; the reader is complete against any server registered
// under that name.
#pragma once

#include <functional>
#include <memory>

#include "import/readers/ImportFromCell.h"
#include "import/readers/OutlookProperties.h"

struct TSMIOutlookField {
  const char16_t* Name;     // the item member asked for, and the column's field name
  const char16_t* Caption;
  TSMICellType FieldType;
  Integer Width;
};

// The field table of an item type code (a folder's DefaultItemType): mail
// for 0, 8 to 11 and 13; nullptr (no fields) for 7, 12 and above 13.
const TSMIOutlookField* OutlookFieldTable(Integer itemTypeCode, Integer& count);
// The folder number GetDefaultFolder takes for an item type, and the item
// type code of its field table.
Integer OutlookDefaultFolder(TSMIOutlookItemType type);
Integer OutlookItemTypeCode(TSMIOutlookItemType type);

// The message of a run or listing without an Outlook server.
extern const char16_t* const strOutlookNotInstalled;

class TSMIOutlook : public TSpreadSheetFile {
 public:
  explicit TSMIOutlook(TComponent* owner = nullptr);
  ~TSMIOutlook() override;
  const char* ClassName() const override { return "TSMIOutlook"; }

  TSMIOutlookProperties& Properties() { return FProperties; }
  void SetProperties(const TSMIOutlookProperties& value) { FProperties.Assign(value); }

  void LoadFromFile(const String& fileName) override;
  void BeforeLoad() override;
  void AfterLoad() override;
  // Reads item i (from 1) of the folder being read into the next free row.
  bool LoadRecord(Integer recNo) override;
  Integer FindColumn(const String& fieldName) override;
  void FillColumnList(TColumnList& list, const String& fieldList) override;

 private:
  void LoadFolder(const Variant& folder);
  const TSMIOutlookField* CurrentTable(Integer& count);

  TSMIOutlookProperties FProperties;
  Variant outlook, NameSpace, FFolder;
  // The rows taken by the folders read before the current one: a
  // sub-folder's items follow its parent's, never overwrite them.
  Integer FRowBase = 0;
  Integer FRowsRead = 0;
};

class TRADerevuFromOutlook : public TRADerevuFromCell {
 public:
  explicit TRADerevuFromOutlook(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromOutlook"; }
  TSMIOutlookProperties& Properties() { return FProperties; }
  void SetProperties(const TSMIOutlookProperties& value) { FProperties.Assign(value); }

  std::unique_ptr<TSpreadSheetFile> WorkBookCreation() override;
  String Extension() const override { return String(); }
  String FillFileFilters() const override;
  void DetectAutoMapping() override;

 private:
  TSMIOutlookProperties FProperties;
};

// Lists every folder of the profile, each before its sub-folders: the
// callback gets (sender, parent name, name, parent entry id, entry id,
// default item type).
using TOutlookFolderCallback = std::function<void(TComponent* sender, const String& parentName, const String& name,
                                                  const String& parentEntryID, const String& entryID,
                                                  Integer itemType)>;
void VODRetrieveOutlookFolders(TComponent* sender, const TOutlookFolderCallback& callback);

// The wizard's preview: rows firstRow to firstRow + rowCount - 1 (1-based).
void LoadOutlookPreview(void* grid, const String& fileName, Integer firstRow, Integer lastRow, Integer rowCount,
                        bool isOEM, TColumnList& columns, const TPreviewRowCallback& rowCallback,
                        const TPreviewProgressCallback& progress, const TSMIOutlookProperties& properties);
