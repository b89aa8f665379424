#include "import/readers/Skype.h"

#include <algorithm>
#include <cstring>

#include "import/ImportMessages.h"
#include "import/readers/MarkupText.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Strings.h"

const TSMISkypeField arrSkypeNames[34] = {
    {u"VoicemailFile", u"Voicemail Filename", ictString, 50}, {u"Language", u"Language", ictString, 50},
    {u"Country", u"Country", ictString, 50},                  {u"City", u"City", ictString, 50},
    {u"File", u"File", ictString, 50},                        {u"Peek", u"Peek", ictString, 50},
    {u"Email", u"Email", ictString, 50},                      {u"URL", u"URL", ictString, 50},
    {u"Description", u"Description", ictString, 50},          {u"Phone", u"Phone", ictString, 50},
    {u"OfficePhone", u"Office phone", ictString, 50},         {u"MobilePhone", u"Mobile phone", ictString, 50},
    {u"Type", u"Type", ictString, 50},                        {u"User", u"User", ictString, 50},
    {u"Session", u"Session", ictString, 50},                  {u"Members", u"Members", ictString, 50},
    {u"Name", u"Name", ictString, 50},                        {u"Sender", u"Sender", ictString, 50},
    {u"Recipient", u"Recipient", ictString, 50},              {u"Message", u"Message", ictString, 50},
    {u"Member", u"Member", ictString, 50},                    {u"Number", u"Number", ictString, 50},
    {u"Screenname", u"Screenname", ictString, 50},            {u"Fullname", u"Fullname", ictString, 50},
    {u"LogBy", u"LogBy", ictString, 50},                      {u"Timestamp", u"Timestamp", ictString, 50},
    {u"Direction", u"Direction", ictString, 2},               {u"Duration", u"Duration", ictString, 50},
    {u"PSTNNumber", u"PSTN Number", ictString, 50},           {u"PSTNStatus", u"PSTN Status", ictString, 50},
    {u"Filepath", u"File path", ictString, 50},               {u"Filename", u"File name", ictString, 50},
    {u"Filesize", u"File size", ictString, 50},               {u"MessageContent", u"Message content", ictString, 50},
};

namespace {

struct TSkypeCode {
  Cardinal Code;
  const char16_t* Name;
};

constexpr TSkypeCode kCodes[] = {
    {3, u"User"},          {16, u"User"},         {132, u"User"},        {164, u"User"},        {196, u"User"},
    {232, u"User"},        {324, u"User"},        {404, u"User"},        {408, u"User"},        {468, u"User"},
    {828, u"User"},        {840, u"User"},        {4, u"Direction"},     {15, u"VoicemailFile"}, {20, u"Screenname"},
    {168, u"Screenname"},  {200, u"Screenname"},  {328, u"Screenname"},  {920, u"Screenname"},  {24, u"Phone"},
    {52, u"Phone"},        {184, u"Phone"},       {36, u"Language"},     {40, u"Country"},      {116, u"Country"},
    {48, u"City"},         {51, u"File"},         {55, u"Peek"},         {56, u"OfficePhone"},  {60, u"MobilePhone"},
    {64, u"Email"},        {68, u"URL"},          {72, u"Description"},  {128, u"PSTNNumber"},  {133, u"Duration"},
    {140, u"PSTNStatus"},  {161, u"Timestamp"},   {213, u"Timestamp"},   {229, u"Timestamp"},   {252, u"MessageContent"},
    {296, u"Type"},        {348, u"Filepath"},    {352, u"Filename"},    {356, u"Filesize"},    {440, u"Session"},
    {480, u"Session"},     {584, u"Session"},     {456, u"Members"},     {460, u"Members"},     {472, u"Name"},
    {488, u"Sender"},      {492, u"Sender"},      {500, u"Recipient"},   {508, u"Message"},     {588, u"Member"},
    {868, u"Number"},      {924, u"Fullname"},    {3160, u"LogBy"},
};

// The column a code names, -1 for none.
Integer ColumnOfCode(Cardinal code) {
  for (const TSkypeCode& entry : kCodes) {
    if (entry.Code != code) continue;
    for (Integer c = 0; c < 34; ++c)
      if (StringView(arrSkypeNames[c].Name) == entry.Name) return c;
  }
  return -1;
}

}  // namespace

TSMISkype::TSMISkype(TComponent* owner) : TSpreadSheetFile(owner) {
  IsIncrementalLoad = false;
  FNameKind = nkFieldName;
}

TSMISkype::~TSMISkype() {
  if (IsIncrementalLoad) AfterLoad();
}

void TSMISkype::LoadFromFile(const String& fileName) {
  TSpreadSheetFile::LoadFromFile(fileName);
  TFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(stream);
}

void TSMISkype::LoadFromStream(TStream& stream) {
  TSpreadSheetFile::LoadFromStream(stream);
  BeforeLoad();
  FCurrentStream = &stream;
  const std::string bytes = ReadRestOfStream(stream);
  FBytes.assign(bytes.begin(), bytes.end());
  FPosition = 0;
  try {
    if (!IsIncrementalLoad) {
      for (Integer n = 0; FPosition < FBytes.size();) {
        if (LoadRecord(n)) ++n;
        if (n > FLoadRange.LastRow) break;
      }
    }
  } catch (...) {
    if (!IsIncrementalLoad) AfterLoad();
    throw;
  }
  if (!IsIncrementalLoad) AfterLoad();
}

void TSMISkype::BeforeLoad() {
  TSpreadSheetFile::BeforeLoad();
  TSpreadSheet& sheet = Sheets.Spreadsheet(0);
  const size_t slash = FFileName.rfind(u'/');
  sheet.Caption = slash == String::npos ? FFileName : FFileName.substr(slash + 1);
  sheet.Cells.AutoUsedRangeDetect = FLoadRowStatutes != (RowStatusBit(rsNormal) | RowStatusBit(rsDeleted));
}

void TSMISkype::AfterLoad() {
  FCurrentStream = nullptr;
  FBytes.clear();
  FBytes.shrink_to_fit();
  FPosition = 0;
  TSpreadSheetFile::AfterLoad();
}

bool TSMISkype::LoadRecord(Integer recNo) {
  TSpreadSheetFile::LoadRecord(recNo);
  if (FCurrentStream == nullptr) return true;
  UpdateProgress(recNo, -1);
  // The next marker from the current position.
  const Byte marker[4] = {0x6C, 0x33, 0x33, 0x6C};
  const Byte* begin = FBytes.data();
  const Byte* found = FPosition + 4 <= FBytes.size()
                          ? std::search(begin + FPosition, begin + FBytes.size(), marker, marker + 4)
                          : begin + FBytes.size();
  const size_t at = static_cast<size_t>(found - begin);
  if (at >= FBytes.size() || FBytes.size() - at < 16) {
    FPosition = FBytes.size();
    return false;
  }
  TByteReader reader(begin + at, FBytes.size() - at);
  TSkypeRecHeader header;
  header.Signature = reader.U32();
  header.RecordSize = reader.U32();
  header.SessionID = reader.U32();
  header.DataItemIndicator = reader.U32();
  FPosition = at + 16;
  const TSMIRowStatus status = rsNormal;
  if ((FLoadRowStatutes & RowStatusBit(status)) == 0) return false;
  // A record's data are what it declares, as far as the file holds them;
  // only the first kRecordBuffer bytes are read, whatever it declares.
  const size_t size = static_cast<size_t>(std::min<UInt64>(header.RecordSize, reader.Remaining()));
  FPosition += size;
  TByteReader data = reader.Sub(std::min(size, kRecordBuffer));
  const auto bytes = data.Bytes(static_cast<size_t>(data.Remaining()));
  size_t i = 0;
  auto skipToField = [&]() {
    while (i < bytes.size() && bytes[i] != 0x03) ++i;
  };
  skipToField();
  while (i < bytes.size()) {
    while (i < bytes.size() && bytes[i] == 0x03) ++i;
    // The code: 7 bits a byte, the least significant group first.
    Cardinal code = 0;
    for (int shift = 0; i < bytes.size(); shift += 7) {
      const Byte b = bytes[i++];
      if (shift < 32) code |= static_cast<Cardinal>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) break;
    }
    const Integer column = ColumnOfCode(code);
    if (column < 0) {
      if (OnCellValue) OnCellValue(this, 0, recNo, -1, -1, Variant(String()), taLeftJustify, ictString);
      skipToField();
      continue;
    }
    const size_t start = i;
    while (i < bytes.size() && bytes[i] > 0x03) ++i;
    const std::string_view value(reinterpret_cast<const char*>(bytes.data() + start), i - start);
    if (OnCellValue)
      OnCellValue(this, 0, recNo, column, -1, Variant(DecodeSourceText(value, false)), taLeftJustify, ictString);
    if (i < bytes.size() && bytes[i] != 0x03) skipToField();
  }
  SetRowStatus(0, recNo, status);
  return true;
}

Integer TSMISkype::FindColumn(const String& fieldName) {
  for (Integer c = 0; c < 34; ++c)
    if (SameText(arrSkypeNames[c].Name, fieldName)) return c;
  return TSpreadSheetFile::FindColumn(fieldName);
}

void TSMISkype::FillColumnList(TColumnList& list, const String& fieldList) {
  TSpreadSheetFile::FillColumnList(list, fieldList);
  for (Integer c = 0; c < 34; ++c) list.push_back({arrSkypeNames[c].Name, c});
}

// ---- the import component ---------------------------------------------------------

TRADerevuFromSkype::TRADerevuFromSkype(TComponent* owner) : TRADerevuFromCell(owner) { SetTableType(teSkype); }

std::unique_ptr<TSpreadSheetFile> TRADerevuFromSkype::WorkBookCreation() {
  return CreateSpreadSheetReader(teSkype, SourceFileName());
}

String TRADerevuFromSkype::FillFileFilters() const { return String(strFormatP) + u"|*.DBB|" + strAllFiles; }

void TRADerevuFromSkype::DetectAutoMapping() {
  if (dynamic_cast<const TSMISkype*>(WorkBook()) == nullptr) {
    TRADerevuFromCell::DetectAutoMapping();
    return;
  }
  for (const TSMISkypeField& field : arrSkypeNames) {
    TSMIColumn& column = *Columns().Add();
    column.FieldName = field.Name;
    column.Caption = field.Caption;
    column.DataType = VODCellType2VODDataType(field.FieldType);
    column.Size = field.Width;
  }
}
