#include "import/readers/Outlook.h"

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Automation.h"

namespace {

constexpr char16_t kProgId[] = u"Outlook.Application";

const TSMIOutlookField arrOutlookMailNames[] = {
    {u"SenderName", u"Sender Name", ictString, 80},
    {u"Subject", u"Subject", ictString, 250},
    {u"Body", u"Body", ictMemo, 0},
    {u"CreationTime", u"Created", ictDateTime, 0},
    {u"ReceivedTime", u"Received", ictDateTime, 0},
    {u"ReceivedByName", u"Recipient Name", ictString, 80},
    {u"Importance", u"Importance", ictInteger, 0},
    {u"Sensitivity", u"Sensitivity", ictInteger, 0},
    {u"EntryID", u"Entry ID", ictString, 80},
    {u"MessageClass", u"Message Class", ictString, 20},
    {u"Size", u"Size", ictInteger, 0},
    {u"UnRead", u"UnRead", ictBoolean, 0},
    {u"CC", u"CC", ictString, 250},
    {u"BCC", u"BCC", ictString, 250},
    {u"ConversationIndex", u"Conversation Index", ictString, 250},
    {u"ConversationTopic", u"Conversation Topic", ictString, 250},
    {u"ExpiryTime", u"Expiry Time", ictDateTime, 0},
    {u"OriginatorDeliveryReportRequested", u"Originator Delivery Report Requested", ictBoolean, 0},
    {u"ReadReceiptRequested", u"Read Receipt Requested", ictBoolean, 0},
    {u"SentOn", u"Sent On", ictDateTime, 0},
};
const TSMIOutlookField arrOutlookAppointmentNames[] = {
    {u"Subject", u"Subject", ictString, 250},
    {u"Body", u"Body", ictMemo, 0},
    {u"CreationTime", u"Created", ictDateTime, 0},
    {u"ReplyTime", u"Reply Time", ictDateTime, 0},
    {u"Importance", u"Importance", ictInteger, 0},
    {u"Sensitivity", u"Sensitivity", ictInteger, 0},
    {u"EntryID", u"Entry ID", ictString, 80},
    {u"MessageClass", u"Message Class", ictString, 20},
    {u"Size", u"Size", ictInteger, 0},
    {u"UnRead", u"UnRead", ictBoolean, 0},
    {u"AllDayEvent", u"AllDay Event", ictBoolean, 0},
    {u"BusyStatus", u"Busy Status", ictInteger, 0},
    {u"Duration", u"Duration", ictInteger, 0},
    {u"_End", u"End", ictDateTime, 0},
    {u"IsRecurring", u"Is Recurring", ictBoolean, 0},
    {u"Location", u"Location", ictString, 100},
    {u"Organizer", u"Organizer", ictString, 100},
    {u"ReminderMinutesBeforeStart", u"Reminder Minutes Before Start", ictInteger, 0},
    {u"RequiredAttendees", u"Required Attendees", ictString, 100},
    {u"Resources", u"Resources", ictString, 100},
    {u"ResponseRequested", u"Response Requested", ictBoolean, 0},
    {u"Start", u"Start", ictDateTime, 0},
};
const TSMIOutlookField arrOutlookContactNames[] = {
    {u"FullName", u"FullName", ictString, 250},
    {u"Email", u"Email", ictString, 80},
    {u"Body", u"Body", ictMemo, 0},
    {u"Companies", u"Companies", ictString, 80},
    {u"CreationTime", u"Created", ictDateTime, 0},
    {u"EntryID", u"Entry ID", ictString, 80},
    {u"Importance", u"Importance", ictInteger, 0},
    {u"MessageClass", u"Message Class", ictString, 20},
    {u"Sensitivity", u"Sensitivity", ictInteger, 0},
    {u"Size", u"Size", ictInteger, 0},
    {u"Subject", u"Subject", ictString, 250},
    {u"UnRead", u"UnRead", ictBoolean, 0},
    {u"Account", u"Account", ictString, 250},
    {u"Anniversary", u"Anniversary", ictDateTime, 0},
    {u"AssistantName", u"Assistant Name", ictString, 250},
    {u"AssistantTelephoneNumber", u"Assistant Telephone Number", ictString, 250},
    {u"Birthday", u"Birthday", ictDateTime, 0},
    {u"Business2TelephoneNumber", u"Business2 Telephone Number", ictString, 250},
    {u"BusinessAddress", u"Business Address", ictString, 250},
    {u"BusinessAddressCity", u"Business Address City", ictString, 250},
    {u"BusinessAddressCountry", u"Business Address Country", ictString, 250},
    {u"BusinessAddressPostalCode", u"Business Address Postal Code", ictString, 250},
    {u"BusinessAddressPostOfficeBox", u"Business Address Post Office Box", ictString, 250},
    {u"BusinessAddressState", u"Business Address State", ictString, 250},
    {u"BusinessAddressStreet", u"Business Address Street", ictString, 250},
    {u"BusinessFaxNumber", u"Business Fax Number", ictString, 250},
    {u"BusinessHomePage", u"Business Home Page", ictString, 250},
    {u"BusinessTelephoneNumber", u"Business Telephone Number", ictString, 250},
    {u"CallbackTelephoneNumber", u"Callback Telephone Number", ictString, 250},
    {u"CarTelephoneNumber", u"Car Telephone Number", ictString, 250},
    {u"Children", u"Children", ictString, 250},
    {u"CompanyAndFullName", u"Company and FullName", ictString, 250},
    {u"CompanyMainTelephoneNumber", u"Company Main Telephone Number", ictString, 250},
    {u"CompanyName", u"Company Name", ictString, 250},
    {u"CompanyNetworkName", u"Company Network Name", ictString, 250},
    {u"CustomerID", u"Customer ID", ictString, 250},
    {u"Department", u"Department", ictString, 250},
    {u"Email1Address", u"Email1 Address", ictString, 250},
    {u"Email1AddressType", u"Email1 Address Type", ictString, 250},
    {u"Email1DisplayName", u"Email1 DisplayName", ictString, 250},
    {u"Email2Address", u"Email2 Address", ictString, 250},
    {u"Email2AddressType", u"Email2 Address Type", ictString, 250},
    {u"Email2DisplayName", u"Email2 DisplayName", ictString, 250},
    {u"FileAs", u"File As", ictString, 250},
    {u"FirstName", u"First Name", ictString, 250},
    {u"FTPSite", u"FTP Site", ictString, 250},
    {u"Gender", u"Gender", ictInteger, 250},
    {u"GovernmentIDNumber", u"Government ID Number", ictString, 250},
    {u"Hobby", u"Hobby", ictString, 250},
    {u"Home2TelephoneNumber", u"Home2 Telephone Number", ictString, 250},
    {u"HomeAddress", u"Home Address", ictString, 250},
    {u"HomeAddressCity", u"Home Address City", ictString, 250},
    {u"HomeAddressCountry", u"Home Address Country", ictString, 250},
    {u"HomeAddressPostalCode", u"Home Address PostalCode", ictString, 250},
    {u"HomeAddressPostOfficeBox", u"Home Address PostOfficeBox", ictString, 250},
    {u"HomeAddressPostalState", u"Home Address State", ictString, 250},
    {u"HomeAddressPostalStreet", u"Home Address Street", ictString, 250},
    {u"HomeFaxNumber", u"Home Fax Number", ictString, 250},
    {u"HomeTelephoneNumber", u"Home Telephone Number", ictString, 250},
    {u"Initials", u"Initials", ictString, 20},
    {u"ISDNNumber", u"ISDN Number", ictString, 250},
    {u"JobTitle", u"Job Title", ictString, 250},
    {u"Language", u"Language", ictString, 20},
    {u"LastName", u"Last Name", ictString, 250},
    {u"MailingAddress", u"Mailing Address", ictString, 250},
    {u"MailingAddressCity", u"Mailing Address City", ictString, 250},
    {u"MailingAddressCountry", u"Mailing Address Country", ictString, 250},
    {u"MailingAddressPostalCode", u"Mailing Address Postal Code", ictString, 250},
    {u"MailingAddressPostOfficeBox", u"Mailing Address POB", ictString, 250},
    {u"MailingAddressState", u"Mailing Address State", ictString, 250},
    {u"MailingAddressStreet", u"Mailing Address Street", ictString, 250},
    {u"ManagerName", u"Manager Name", ictString, 250},
    {u"MiddleName", u"Middle Name", ictString, 250},
    {u"MobileTelephoneNumber", u"Mobile Telephone Number", ictString, 80},
    {u"NickName", u"Nick Name", ictString, 250},
    {u"OfficeLocation", u"Office Location", ictString, 250},
    {u"OrganizationalIDNumber", u"Organizational ID Number", ictString, 80},
    {u"PagerNumber", u"Pager Number", ictString, 250},
    {u"PersonalHomePage", u"Personal HomePage", ictString, 250},
    {u"PrimaryTelephoneNumber", u"Primary Telephone Number", ictString, 80},
    {u"Profession", u"Profession", ictString, 250},
    {u"ReferredBy", u"Referred By", ictString, 250},
    {u"Spouse", u"Spouse", ictString, 250},
    {u"Suffix", u"Suffix", ictString, 80},
    {u"TelexNumber", u"Telex Number", ictString, 250},
    {u"Title", u"Title", ictString, 80},
    {u"UserCertificate", u"User Certificate", ictString, 250},
    {u"WebPage", u"Web Page", ictString, 250},
};
const TSMIOutlookField arrOutlookTaskNames[] = {
    {u"SenderName", u"Sender Name", ictString, 80},
    {u"Body", u"Body", ictMemo, 0},
    {u"Categories", u"Categories", ictString, 80},
    {u"Companies", u"Companies", ictString, 80},
    {u"CreationTime", u"Creation Time", ictDateTime, 0},
    {u"EntryID", u"Entry ID", ictString, 80},
    {u"Importance", u"Importance", ictInteger, 0},
    {u"MessageClass", u"Message Class", ictString, 80},
    {u"Sensitivity", u"Sensitivity", ictInteger, 0},
    {u"Size", u"Size", ictInteger, 0},
    {u"Subject", u"Subject", ictString, 250},
    {u"UnRead", u"UnRead", ictBoolean, 0},
    {u"CardData", u"Card Data", ictString, 250},
    {u"Complete", u"Complete", ictBoolean, 0},
    {u"DateCompleted", u"Date Completed", ictDateTime, 0},
    {u"DueDate", u"Due Date", ictDateTime, 0},
    {u"Owner", u"Owner", ictString, 250},
    {u"PercentComplete", u"Percent Complete", ictInteger, 0},
    {u"Role", u"Role", ictString, 250},
    {u"StartDate", u"Start Date", ictDateTime, 0},
    {u"Status", u"Status", ictInteger, 0},
    {u"TeamTask", u"Team Task", ictBoolean, 0},
    {u"TotalWork", u"Total Work", ictInteger, 0},
};
const TSMIOutlookField arrOutlookJournalNames[] = {
    {u"SenderName", u"Sender Name", ictString, 80},
    {u"Body", u"Body", ictMemo, 0},
    {u"Categories", u"Categories", ictString, 80},
    {u"Companies", u"Companies", ictString, 80},
    {u"CreationTime", u"Creation Time", ictDateTime, 0},
    {u"EntryID", u"Entry ID", ictString, 80},
    {u"Importance", u"Importance", ictInteger, 0},
    {u"MessageClass", u"Message Class", ictString, 80},
    {u"Sensitivity", u"Sensitivity", ictInteger, 0},
    {u"Size", u"Size", ictInteger, 0},
    {u"Subject", u"Subject", ictString, 250},
    {u"UnRead", u"UnRead", ictBoolean, 0},
    {u"ContactNames", u"Contact Names", ictString, 250},
    {u"DocPosted", u"Doc Posted", ictBoolean, 0},
    {u"DocPrinted", u"Doc Printed", ictBoolean, 0},
    {u"DocRouted", u"Doc Routed", ictBoolean, 0},
    {u"DocSaved", u"Doc Saved", ictBoolean, 0},
    {u"Duration", u"Duration", ictInteger, 0},
    {u"End_", u"End", ictDateTime, 0},
    {u"Start", u"Start", ictDateTime, 0},
};
const TSMIOutlookField arrOutlookNoteNames[] = {
    {u"Subject", u"Subject", ictString, 250},
    {u"Body", u"Body", ictMemo, 0},
    {u"Categories", u"Categories", ictString, 80},
    {u"CreationTime", u"Creation Time", ictDateTime, 0},
    {u"EntryID", u"Entry ID", ictString, 80},
    {u"LastModificationTime", u"Last Modification Time", ictDateTime, 0},
    {u"Left", u"Left", ictInteger, 0},
    {u"MessageClass", u"Message Class", ictString, 80},
    {u"Saved", u"Saved", ictBoolean, 0},
    {u"Size", u"Size", ictInteger, 0},
    {u"Top", u"Top", ictInteger, 0},
    {u"Width", u"Width", ictInteger, 0},
};
const TSMIOutlookField arrOutlookPostNames[] = {
    {u"SenderName", u"Sender Name", ictString, 80},
    {u"Subject", u"Subject", ictString, 250},
    {u"Body", u"Body", ictMemo, 0},
    {u"Categories", u"Categories", ictString, 80},
    {u"Companies", u"Companies", ictString, 80},
    {u"CreationTime", u"Creation Time", ictDateTime, 0},
    {u"EntryID", u"Entry ID", ictString, 80},
    {u"Importance", u"Importance", ictInteger, 0},
    {u"LastModificationTime", u"Last Modification Time", ictDateTime, 0},
    {u"MessageClass", u"Message Class", ictString, 80},
    {u"Saved", u"Saved", ictBoolean, 0},
    {u"Sensitivity", u"Sensitivity", ictInteger, 0},
    {u"Size", u"Size", ictInteger, 0},
    {u"UnRead", u"UnRead", ictBoolean, 0},
    {u"ConversationIndex", u"Conversation Index", ictString, 250},
    {u"ConversationTopic", u"Conversation Topic", ictString, 250},
    {u"ExpiryTime", u"Expiry Time", ictDateTime, 0},
    {u"ReceivedTime", u"Received Time", ictDateTime, 0},
    {u"SentOn", u"Sent On", ictDateTime, 0},
};


template <size_t N>
const TSMIOutlookField* Table(const TSMIOutlookField (&table)[N], Integer& count) {
  count = static_cast<Integer>(N);
  return table;
}

bool IsSet(const Variant& v) { return !VarIsClear(v) && !v.IsNull(); }

Variant CreateOutlook() {
  if (!CLSIDFromProgID(kProgId)) throw ESMIFileException(String(strOutlookNotInstalled));
  return CreateOleObject(kProgId);
}

}  // namespace

const char16_t* const strOutlookNotInstalled =
    u"Outlook folders cannot be read: no Outlook automation server is installed on this system.";

const TSMIOutlookField* OutlookFieldTable(Integer code, Integer& count) {
  switch (code) {
    case 0: case 8: case 9: case 10: case 11: case 13: return Table(arrOutlookMailNames, count);
    case 1: return Table(arrOutlookAppointmentNames, count);
    case 2: return Table(arrOutlookContactNames, count);
    case 3: return Table(arrOutlookTaskNames, count);
    case 4: return Table(arrOutlookJournalNames, count);
    case 5: return Table(arrOutlookNoteNames, count);
    case 6: return Table(arrOutlookPostNames, count);
    default: count = 0; return nullptr;
  }
}

Integer OutlookDefaultFolder(TSMIOutlookItemType type) {
  static constexpr Integer folders[] = {6, 9, 10, 13, 11, 12, 6, 3, 16, 6, 23, 4, 5};
  return type < std::size(folders) ? folders[type] : 6;
}

Integer OutlookItemTypeCode(TSMIOutlookItemType type) {
  static constexpr Integer codes[] = {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13};
  return type < std::size(codes) ? codes[type] : 0;
}

// ---------------------------------------------------------------------------
// TSMIOutlook

TSMIOutlook::TSMIOutlook(TComponent* owner) : TSpreadSheetFile(owner) {
  SetNameKind(nkFieldName);
  CheckFileExists = false;
}

TSMIOutlook::~TSMIOutlook() {
  if (IsIncrementalLoad) AfterLoad();
}

void TSMIOutlook::LoadFromFile(const String& fileName) {
  TSpreadSheetFile::LoadFromFile(fileName);
  outlook = CreateOutlook();
  NameSpace = OleCall(outlook, u"GetNameSpace", {String(u"MAPI")});
  if (!FProperties.FolderName.empty()) {
    FFolder = OleCall(NameSpace, u"GetDefaultFolder", {6});
    String rest = FProperties.FolderName;
    while (!rest.empty()) {
      const size_t slash = rest.find(u'\\');
      const String part = rest.substr(0, slash);
      rest = slash == String::npos ? String() : rest.substr(slash + 1);
      FFolder = OleCall(FFolder, u"Folders", {part});
    }
  } else {
    FFolder = OleCall(NameSpace, u"GetDefaultFolder", {OutlookDefaultFolder(FProperties.ItemType)});
  }
  if (!FProperties.FolderEntryID.empty()) {
    if (!FProperties.FolderStoreID.empty())
      FFolder = OleCall(FFolder, u"GetItemFromID", {FProperties.FolderEntryID, FProperties.FolderStoreID});
    else
      FFolder = OleCall(FFolder, u"GetItemFromID", {FProperties.FolderEntryID});
  }
  BeforeLoad();
  FRowBase = 0;
  FRowsRead = 0;
  LoadFolder(FFolder);
}

void TSMIOutlook::LoadFolder(const Variant& folder) {
  const Variant saved = FFolder;
  FFolder = folder;
  try {
    const Integer n = OleGet(OleGet(folder, u"Items"), u"Count").AsInteger();
    FRowBase = FRowsRead;
    for (Integer i = 1; i <= n; ++i) LoadRecord(i);
    FRowsRead = FRowBase + n;
    if (FProperties.LoadSubFolders) {
      const Variant folders = OleGet(folder, u"Folders");
      const Integer m = OleGet(folders, u"Count").AsInteger();
      for (Integer j = 1; j <= m; ++j) LoadFolder(OleCall(folders, u"Item", {j}));
    }
  } catch (...) {
    FFolder = saved;
    throw;
  }
  FFolder = saved;
}

void TSMIOutlook::BeforeLoad() {
  TSpreadSheetFile::BeforeLoad();
  TSpreadSheet& sheet = Sheets.Spreadsheet(0);
  const size_t slash = FFileName.find_last_of(u"/\\");
  sheet.Caption = slash == String::npos ? FFileName : FFileName.substr(slash + 1);
  sheet.Cells.AutoUsedRangeDetect = true;
}

void TSMIOutlook::AfterLoad() {
  TSpreadSheetFile::AfterLoad();
  FFolder.Clear();
  NameSpace.Clear();
  outlook.Clear();
}

const TSMIOutlookField* TSMIOutlook::CurrentTable(Integer& count) {
  if (IsSet(FFolder)) {
    try {
      return OutlookFieldTable(OleGet(FFolder, u"DefaultItemType").AsInteger(), count);
    } catch (const Exception&) {
    }
  }
  return OutlookFieldTable(OutlookItemTypeCode(FProperties.ItemType), count);
}

bool TSMIOutlook::LoadRecord(Integer i) {
  bool result = TSpreadSheetFile::LoadRecord(i);
  const Integer number = FRowBase + i;  // the row's number over all folders read
  if (number < LoadRange().FirstRow - 1 || number > LoadRange().LastRow) return false;
  const Integer row = number - 1;
  const Variant item = OleCall(OleGet(FFolder, u"Items"), u"Item", {i});
  if (!IsSet(item)) return false;
  Integer count = 0;
  const TSMIOutlookField* table = OutlookFieldTable(OleGet(FFolder, u"DefaultItemType").AsInteger(), count);
  for (Integer r = 0; r < count; ++r) {
    Variant value;
    try {
      value = OleGet(item, table[r].Name);
    } catch (const Exception&) {
      continue;  // a member the item lacks, or a failing one: the cell stays empty
    }
    if (OnCellValue) OnCellValue(this, 0, row, r, 0, value, taLeftJustify, table[r].FieldType);
  }
  return result;
}

Integer TSMIOutlook::FindColumn(const String& fieldName) {
  TColumnList list;
  FillColumnList(list, String());
  for (const TColumnEntry& entry : list)
    if (SameText(entry.Name, fieldName)) return entry.Column;
  return TSpreadSheetFile::FindColumn(fieldName);
}

void TSMIOutlook::FillColumnList(TColumnList& list, const String& fieldList) {
  TSpreadSheetFile::FillColumnList(list, fieldList);
  Integer count = 0;
  const TSMIOutlookField* table = CurrentTable(count);
  for (Integer r = 0; r < count; ++r) list.push_back({table[r].Name, r});
}

// ---------------------------------------------------------------------------
// TRADerevuFromOutlook

TRADerevuFromOutlook::TRADerevuFromOutlook(TComponent* owner) : TRADerevuFromCell(owner) { SetTableType(teOutlook); }

std::unique_ptr<TSpreadSheetFile> TRADerevuFromOutlook::WorkBookCreation() {
  auto reader = std::make_unique<TSMIOutlook>();
  reader->SetProperties(FProperties);
  return reader;
}

String TRADerevuFromOutlook::FillFileFilters() const { return strAllFiles; }

void TRADerevuFromOutlook::DetectAutoMapping() {
  auto* reader = dynamic_cast<TSMIOutlook*>(WorkBook());
  if (reader == nullptr) {
    TRADerevuFromCell::DetectAutoMapping();
    return;
  }
  const TSMIOutlookItemType type = reader->Properties().ItemType;
  if (type > oitPost) return;
  Integer count = 0;
  const TSMIOutlookField* table = OutlookFieldTable(OutlookItemTypeCode(type), count);
  for (Integer r = 0; r < count; ++r) {
    TSMIColumn& column = *Columns().Add();
    column.FieldName = table[r].Name;
    column.Caption = table[r].Caption;
    column.DataType = VODCellType2VODDataType(table[r].FieldType);
    column.Size = table[r].Width;
  }
}

// ---------------------------------------------------------------------------
// Folder list and preview

namespace {

void WalkFolders(TComponent* sender, const Variant& folders, const String& parentName, const String& parentID,
                 const TOutlookFolderCallback& callback) {
  const Integer count = OleGet(folders, u"Count").AsInteger();
  for (Integer i = 1; i <= count; ++i) {
    const Variant f = OleCall(folders, u"Item", {i});
    const String name = VarToStr(OleGet(f, u"Name"));
    const String id = VarToStr(OleGet(f, u"EntryID"));
    if (callback) callback(sender, parentName, name, parentID, id, OleGet(f, u"DefaultItemType").AsInteger());
    WalkFolders(sender, OleGet(f, u"Folders"), name, id, callback);
  }
}

}  // namespace

void VODRetrieveOutlookFolders(TComponent* sender, const TOutlookFolderCallback& callback) {
  Variant app = CreateOutlook();
  const Variant nameSpace = OleCall(app, u"GetNameSpace", {String(u"MAPI")});
  WalkFolders(sender, OleGet(nameSpace, u"Folders"), String(), String(), callback);
}

void LoadOutlookPreview(void* grid, const String& /*fileName*/, Integer firstRow, Integer lastRow, Integer rowCount,
                        bool isOEM, TColumnList& columns, const TPreviewRowCallback& rowCallback,
                        const TPreviewProgressCallback& progress, const TSMIOutlookProperties& properties) {
  TSMIOutlook reader;
  reader.ReadProgressCallback = progress;
  reader.SetProperties(properties);
  reader.LoadRange().LastRow = rowCount + firstRow;
  reader.IsIncrementalLoad = false;
  reader.LoadFromFile(String());
  const TSpreadSheet& sheet = reader.Sheets.Spreadsheet(std::max(reader.SheetIndex(), 0));
  reader.FillColumnList(columns, String());
  std::vector<TPreviewValue> values;
  for (const TColumnEntry& entry : columns) values.push_back({entry.Name, entry.Column, Variant::Null()});
  for (Integer r = firstRow - 1; r < rowCount + firstRow - 1 && r <= sheet.Cells.UsedRowCount && r < lastRow; ++r) {
    const TSpreadSheetRow* row = sheet.Cells.Rows(r);
    if (row == nullptr) continue;
    FillArrayValue(static_cast<Integer>(values.size()), row, nkFieldName, values, columns);
    if (rowCallback) rowCallback(grid, static_cast<Integer>(values.size()), r - firstRow + 2, isOEM, values);
  }
  reader.AfterLoad();
}
