#include "import/readers/DatabaseFile.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Strings.h"

TDatabaseFile::TDatabaseFile(TComponent* owner) : TSpreadSheetFile(owner) {
  IsIncrementalLoad = true;
  FNameKind = nkFieldName;
}

void TDatabaseFile::LoadFromFile(const String& fileName) {
  TSpreadSheetFile::LoadFromFile(fileName);
  TFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(stream);
  // The records were read from this stream; it closes here.
  AfterLoad();
}

void TDatabaseFile::AfterLoad() {
  FTable.reset();
  CloseSideFile();
}

void TDatabaseFile::LoadTable(TStream& stream, const std::function<void(TByteReader& in)>& parse) {
  TSpreadSheetFile::LoadFromStream(stream);
  BeforeLoad();
  try {
    TByteReader in(stream);
    parse(in);
    FTable.emplace(std::move(in));
    if (!IsIncrementalLoad) {
      LoadAllRecords();
      AfterLoad();
    }
  } catch (...) {
    AfterLoad();
    throw;
  }
}

void TDatabaseFile::ReadRecordBytes(UInt64 offset, std::vector<Byte>& record) {
  std::fill(record.begin(), record.end(), Byte{0});
  if (offset >= FTable->Size()) return;
  FTable->Seek(offset);
  FTable->Read(record.data(), static_cast<size_t>(std::min<UInt64>(record.size(), FTable->Remaining())));
}

Integer TDatabaseFile::FindColumn(const String& fieldName) {
  const String wanted = UpperCase(fieldName);
  for (size_t i = 0; i < FFieldNames.size(); ++i)
    if (UpperCase(FFieldNames[i]) == wanted) return static_cast<Integer>(i);
  return -1;
}

void TDatabaseFile::FillColumnList(TColumnList& list, const String& /*fieldList*/) {
  list.clear();
  for (size_t i = 0; i < FFieldNames.size(); ++i) list.push_back({FFieldNames[i], static_cast<Integer>(i)});
}

void TDatabaseFile::PrepareSheet(TSMIRowStatuses allStatuses) {
  TSpreadSheet& sheet = Sheets.Spreadsheet(0);
  const size_t slash = FFileName.find_last_of(u"/\\");
  sheet.Caption = slash == String::npos ? FFileName : FFileName.substr(slash + 1);
  sheet.Cells.AutoUsedRangeDetect = FLoadRowStatutes != allStatuses;
}

void TDatabaseFile::LoadAllRecords() {
  Integer sheetRow = 0;
  const Integer count = RecordCount();
  for (Integer recNo = 0; recNo < count && recNo <= FLoadRange.LastRow; ++recNo)
    if (LoadRecordAt(recNo, sheetRow)) ++sheetRow;
}

void TDatabaseFile::EndRecord(Integer row, TSMIRowStatus status) {
  if (!IsIncrementalLoad && row < kMaxSheetRows) Sheets.Spreadsheet(0).Cells.AddRow(row);
  SetRowStatus(0, row, status);
}

TByteReader* TDatabaseFile::SideFile(StringView extension) {
  if (!FSideTried) {
    FSideTried = true;
    const String name = WithExtension(FFileName, extension);
    if (!FFileName.empty() && FileExists(name)) {
      try {
        FSideStream = std::make_unique<TFileStream>(name, fmOpenRead | fmShareDenyNone);
        FSide.emplace(*FSideStream);
      } catch (const Exception&) {
        FSideStream.reset();
      }
    }
  }
  return FSide ? &*FSide : nullptr;
}

void TDatabaseFile::CloseSideFile() {
  FSide.reset();
  FSideStream.reset();
  FSideTried = false;
}

String WithExtension(const String& fileName, StringView extension) {
  const size_t slash = fileName.find_last_of(u"/\\");
  const size_t dot = fileName.rfind(u'.');
  const size_t cut = (dot != String::npos && (slash == String::npos || dot > slash)) ? dot : fileName.size();
  return fileName.substr(0, cut) + String(extension);
}

String TrimControls(const String& text) {
  size_t first = 0, last = text.size();
  while (first < last && text[first] <= u' ') ++first;
  while (last > first && text[last - 1] <= u' ') --last;
  return text.substr(first, last - first);
}

String Utf16LEToString(std::string_view bytes) {
  String text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(static_cast<Byte>(bytes[2 * i]) | (static_cast<Byte>(bytes[2 * i + 1]) << 8));
  return text;
}

std::string_view UpToZero(std::span<const Byte> raw) {
  const auto end = std::find(raw.begin(), raw.end(), Byte{0});
  return AsText(raw.first(static_cast<size_t>(end - raw.begin())));
}

UInt64 LoadLittleEndian(std::span<const Byte> raw, size_t n) {
  UInt64 v = 0;
  for (size_t i = std::min(n, raw.size()); i-- > 0;) v = (v << 8) | raw[i];
  return v;
}

UInt64 LoadBigEndian(std::span<const Byte> raw, size_t n) {
  UInt64 v = 0;
  for (size_t i = 0; i < n; ++i) v = (v << 8) | (i < raw.size() ? raw[i] : 0);
  return v;
}

double DoubleFromBits(UInt64 bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

Variant TimeStampCell(Int64 day, Int64 msecs) {
  if (day < 1 || day > MaxTimeStampDate || msecs < 0 || msecs >= MSecsPerDay) return Variant::Null();
  return Variant::FromDateTime(TimeStampToDateTime({static_cast<Integer>(msecs), static_cast<Integer>(day)}));
}

bool PackedDigitsToDouble(std::span<const Byte> bytes, size_t digits, size_t scale, bool negative, double& value) {
  std::string text = negative ? "-" : "";
  digits = std::min(digits, bytes.size() * 2);
  scale = std::min(scale, digits);
  for (size_t i = 0; i < digits; ++i) {
    const Byte nibble = (i % 2 == 0) ? bytes[i / 2] >> 4 : bytes[i / 2] & 0x0F;
    if (nibble > 9) return false;
    if (i == digits - scale) text += '.';
    text += static_cast<char>('0' + nibble);
  }
  if (digits == 0) text += '0';
  return std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc();
}
