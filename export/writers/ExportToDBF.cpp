#include "export/writers/ExportToDBF.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "export/ExportMessages.h"
#include "export/RowSources.h"
#include "export/writers/ByteOutput.h"
#include "platform/db/Field.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TextConvert.h"

const Byte arrDBFVersion[20] = {0x03, 0x83, 0x2F, 0x8A, 0x05, 0xF5, 0x03, 0x8B, 0x30, 0x04,
                                0x04, 0x8C, 0x02, 0xFB, 0x31, 0xE5, 0x42, 0x62, 0x82, 0xFA};

namespace {

constexpr Cardinal kMemoBlock = 512;
constexpr size_t kMemoFlushSize = 1 << 16;
// The 16-bit sizes of the header.
constexpr Integer kMaxSize = 65535;

String ChangeFileExt(const String& name, StringView extension) {
  const size_t dot = name.rfind(u'.');
  const size_t slash = name.rfind(u'/');
  String base = dot == String::npos || (slash != String::npos && dot < slash) ? name : name.substr(0, dot);
  return base.append(extension);
}

bool IsMemoFieldType(TFieldType type) {
  switch (type) {
    case ftVarBytes: case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle:
    case ftDBaseOle: case ftTypedBinary: case ftCursor: case ftWideMemo:
      return true;
    default:
      return false;
  }
}

// `bytes` placed in a field of `length`: left-aligned and cut, or
// right-aligned with a longer text keeping its last bytes.
void PlaceInField(std::string& out, size_t at, size_t length, std::string_view bytes, bool right) {
  if (bytes.size() >= length) {
    std::memcpy(out.data() + at, right ? bytes.data() + bytes.size() - length : bytes.data(), length);
    return;
  }
  const size_t pad = length - bytes.size();
  std::memcpy(out.data() + at + (right ? pad : 0), bytes.data(), bytes.size());
}

}  // namespace

TRODirezaToDBF::TRODirezaToDBF(TComponent* owner) : TRODirezaToCellBufferedFile(owner) { SetTableType(teDBase); }

TRODirezaToDBF::~TRODirezaToDBF() = default;

void TRODirezaToDBF::Assign(const TComponent* source) {
  TRODirezaToCellBufferedFile::Assign(source);
  if (const auto* from = dynamic_cast<const TRODirezaToDBF*>(source)) {
    AddTitle = false;
    DBFVersion = from->DBFVersion;
    DBFMemoType = from->DBFMemoType;
    LanguageID = from->LanguageID;
  }
}

void TRODirezaToDBF::InternalBeforeProcess() {
  TRODirezaToCellBufferedFile::InternalBeforeProcess();
  Header.clear();
  Footer.clear();
  AddTitle = false;
  MemoFileName.clear();
}

bool TRODirezaToDBF::IsFPT() const {
  return DBFVersion == FoxPro || DBFVersion == FoxProMemo || DBFMemoType == dmFPT;
}

bool TRODirezaToDBF::IsDBase3MemoLayout() const {
  return !FIsFPT && (DBFVersion == dBase3 || DBFVersion == dBase3Memo);
}

bool TRODirezaToDBF::Is48ByteLayout() const {
  return DBFVersion == dBase5 || DBFVersion == dBase7 || DBFVersion == dBase7Memo;
}

// ---------------------------------------------------------------------------
// Files

void TRODirezaToDBF::InternalFileCreate(const String& fileName) {
  TRODirezaToCellBufferedFile::InternalFileCreate(fileName);
  // A caller's stream keeps its memos beside the export's file name.
  const String& table = fileName.empty() ? FileName : fileName;
  FIsFPT = IsFPT();
  MemoFileName = table.empty() ? String()
                               : ChangeFileExt(table, FIsFPT ? u".fpt" : DBFMemoType == dmSMT ? u".smt" : u".dbt");
  FMemoVersion = arrDBFVersion[DBFVersion];
  MEMOStream.reset();
  FMemoBuffer.clear();
  FNextBlock = 1;
  MemoIsExists = false;
}

void TRODirezaToDBF::OpenMemoFile() {
  if (MemoFileName.empty()) throw EFCreateError(u"A table with memo fields needs a file name for its memo file.");
  MEMOStream = std::make_unique<TFileStream>(MemoFileName, fmCreate);
  // The first block is the header; its final form is written at the end.
  FMemoBuffer.assign(kMemoBlock, '\0');
}

void TRODirezaToDBF::FlushMemo() {
  if (MEMOStream && !FMemoBuffer.empty()) MEMOStream->WriteBuffer(FMemoBuffer.data(), static_cast<Int64>(FMemoBuffer.size()));
  FMemoBuffer.clear();
}

void TRODirezaToDBF::WriteFileBegin() {
  TRODirezaToCellBufferedFile::WriteFileBegin();
  // The buffer is empty here, so the stream's position is the table's start.
  FHeaderPos = OutputStream != nullptr ? OutputStream->Position() : 0;
  FHeaderWritten = false;
  FRecordsWritten = 0;
  FInRecord = false;
}

void TRODirezaToDBF::InternalFileClose() {
  TRODirezaToCellBufferedFile::InternalFileClose();
  // The header counts the records this file holds, whatever was skipped,
  // cancelled or split off after the count was announced.
  if (OutputStream != nullptr && FHeaderWritten && FRecordsWritten != FHeader.NumberOfRecords) {
    PatchLE32(*OutputStream, FHeaderPos + 4, static_cast<Cardinal>(FRecordsWritten));
    FHeader.NumberOfRecords = FRecordsWritten;
  }
}

void TRODirezaToDBF::CloseFileStream() {
  TRODirezaToCellBufferedFile::CloseFileStream();
  if (MEMOStream) {
    FlushMemo();
    char header[kMemoBlock] = {};
    if (FIsFPT) {
      PutBE32(header, FNextBlock);
      header[6] = static_cast<char>(kMemoBlock >> 8);
      header[7] = static_cast<char>(kMemoBlock & 0xFF);
    } else {
      PutLE32(header, FNextBlock);
      // Readers take 3 here for dBase III blocks, which have no block
      // header; a dBase IV table's memo file must not claim it.
      header[16] = static_cast<char>(IsDBase3MemoLayout() ? FMemoVersion : 0);
      PutLE16(header + 20, kMemoBlock);
    }
    MEMOStream->SetPosition(0);
    MEMOStream->WriteBuffer(header, kMemoBlock);
    MEMOStream.reset();
  } else if (!MemoFileName.empty() && FileExists(MemoFileName)) {
    // A memo file of an earlier table of this name no longer belongs to it.
    DeleteFile(MemoFileName);
  }
  FMemoBuffer.clear();
}

void TRODirezaToDBF::WriteString(const String& text) {
  if (OutputStream == nullptr || text.empty()) return;
  AnsiBytes(text, IsByteCharacterSet(), FBytes);
  WriteBytes(FBytes.data(), FBytes.size());
}

// ---------------------------------------------------------------------------
// Header and descriptors

void TRODirezaToDBF::SwitchToMemoVariant() {
  switch (DBFVersion) {
    case dBase3: DBFVersion = dBase3Memo; break;
    case dBase3Plus: DBFVersion = dBase3PlusMemo; break;
    case FoxPro: DBFVersion = FoxProMemo; break;
    case dBase4: DBFVersion = dBase4Memo; break;
    case dBase7: DBFVersion = dBase7Memo; break;
    default: break;
  }
}

void TRODirezaToDBF::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaToCellBufferedFile::WriteDimensions(rowCount, colCount);
  MemoIsExists = std::any_of(Columns.begin(), Columns.end(), [](const auto& column) {
    return column->DataType == ctMEMO || column->DataType == ctGraphic || column->DataType == ctBLOB;
  });
  if (MemoIsExists) SwitchToMemoVariant();
  FHeader = TDBFHeader();
  FHeader.VersionNumber = arrDBFVersion[DBFVersion];
  Word year, month, day;
  DecodeDate(Date(), year, month, day);
  FHeader.LastUpdateYear = static_cast<Byte>((year - 1900) % 256);
  FHeader.LastUpdateMonth = static_cast<Byte>(month);
  FHeader.LastUpdateDay = static_cast<Byte>(day);
  FHeader.NumberOfRecords = rowCount;
  FHeader.NumberOfFields = colCount;
  FFields.assign(static_cast<size_t>(std::max<Integer>(colCount - 1, 0)), TDBFField());
  FHeader.RecordSize = 1;
}

AnsiString TRODirezaToDBF::UniqueFieldName(const AnsiString& name, Integer k) const {
  AnsiString result = name;
  std::replace(result.begin(), result.end(), ' ', '_');
  const auto taken = [&](const AnsiString& candidate) {
    for (Integer i = 0; i < k && i < static_cast<Integer>(FFields.size()); ++i)
      if (FFields[static_cast<size_t>(i)].FieldName == candidate) return true;
    return false;
  };
  while (taken(result)) {
    size_t digits = result.size();
    while (digits > 0 && result[digits - 1] >= '0' && result[digits - 1] <= '9') --digits;
    UInt64 number = 0;
    for (size_t i = digits; i < result.size() && number < 1'000'000'000ULL; ++i)
      number = number * 10 + static_cast<UInt64>(result[i] - '0');
    const std::string suffix = std::to_string(number + 1);
    const size_t keep = suffix.size() >= 10 ? 0 : std::min(digits, 10 - suffix.size());
    result = result.substr(0, keep) + suffix.substr(0, 10);
  }
  return result;
}

void TRODirezaToDBF::WriteColWidth(Integer k, Integer width) {
  TRODirezaToCellBufferedFile::WriteColWidth(k, width);
  if (k < 0 || k >= static_cast<Integer>(FFields.size())) return;
  const bool all = HasOption(Options, soExportInvisibleFields);
  const TSMEColumn* column = nullptr;
  Integer seen = 0;
  for (const auto& c : Columns) {
    if (!all && !c->Visible) continue;
    if (seen++ == k) {
      column = c.get();
      break;
    }
  }
  TDBFField& field = FFields[static_cast<size_t>(k)];
  field = TDBFField();
  if (column != nullptr) {
    const String& caption = HasOption(Options, soUseFieldNameAsCaption) ? column->FieldName : column->Title.Caption;
    AnsiBytes(caption, false, FBytes);
    field.FieldName = UniqueFieldName(FBytes.substr(0, 10), k);
  }
  if (width == 0) width = 10;
  width = std::min<Integer>(width, 255);
  Integer length = width;
  Integer decimals = 0;
  char type = 'C';
  if (column != nullptr && !HasOption(Options, soFieldMask)) {
    const TFieldType dataType = SourceDataEngine() != nullptr ? SourceDataEngine()->DataTypeByColumn(*column)
                                                              : CellType2FieldType(column->DataType);
    switch (dataType) {
      case ftSmallint: case ftWord:
        type = 'N', length = 5;
        break;
      case ftInteger: case ftAutoInc:
        type = 'N', length = width == 10 ? 11 : width;
        break;
      case ftLargeint:
        type = 'N', length = width == 10 ? 18 : width;
        break;
      case ftFloat: case ftCurrency: case ftBCD:
        type = 'N', length = width == 10 && column->ColumnKind == ckField ? 15 : width;
        decimals = column->Precision == 0 ? 2 : column->Precision;
        break;
      case ftBoolean:
        type = 'L', length = 1;
        break;
      case ftDate: case ftDateTime:
        type = 'D', length = 8;
        break;
      case ftTime:
        length = 11;
        break;
      default:
        if (IsMemoFieldType(dataType)) type = 'M', length = 10;
        break;
    }
  }
  field.FieldType = type;
  field.Length = static_cast<Byte>(length);
  // Decimals the field cannot show leave at least the point and one digit.
  field.Decimals = static_cast<Byte>(std::clamp<Integer>(decimals, 0, std::max<Integer>(length - 2, 0)));
  field.Address = k == 0 ? 1 : FFields[static_cast<size_t>(k - 1)].Address + FFields[static_cast<size_t>(k - 1)].Length;
  FHeader.RecordSize = field.Address + field.Length;
}

void TRODirezaToDBF::WriteDataBegin() {
  TRODirezaToCellBufferedFile::WriteDataBegin();
  // Detail levels begin data areas of their own; a table has one header.
  if (FHeaderWritten) return;
  // A column the row source types as a memo needs the memo file too.
  if (!MemoIsExists && std::any_of(FFields.begin(), FFields.end(), [](const TDBFField& f) { return f.FieldType == 'M'; })) {
    MemoIsExists = true;
    SwitchToMemoVariant();
    FHeader.VersionNumber = arrDBFVersion[DBFVersion];
  }
  FHeader.LanguageID = LanguageID;
  const bool wide = Is48ByteLayout();
  const Integer n = static_cast<Integer>(FFields.size());
  const Int64 headerSize = static_cast<Int64>(wide ? 48 : 32) * n + 33 + (wide ? 36 : 0) + (DBFVersion == VFP3 ? 263 : 0);
  if (headerSize > kMaxSize)
    throw EDatabaseError(Format(u"A DBF table holds at most %d bytes of field descriptors: %d fields are too many.",
                                {Int64{kMaxSize}, Int64{n}}));
  if (FHeader.RecordSize > kMaxSize)
    throw EDatabaseError(Format(u"A DBF record holds at most %d bytes; these fields take %d.",
                                {Int64{kMaxSize}, Int64{FHeader.RecordSize}}));
  FHeader.HeaderSize = static_cast<Integer>(headerSize);
  if (MemoIsExists) OpenMemoFile();

  std::string out(static_cast<size_t>(headerSize), '\0');
  char* h = out.data();
  h[0] = static_cast<char>(FHeader.VersionNumber);
  h[1] = static_cast<char>(FHeader.LastUpdateYear);
  h[2] = static_cast<char>(FHeader.LastUpdateMonth);
  h[3] = static_cast<char>(FHeader.LastUpdateDay);
  PutLE32(h + 4, static_cast<Cardinal>(FHeader.NumberOfRecords));
  PutLE16(h + 8, static_cast<Cardinal>(FHeader.HeaderSize));
  PutLE16(h + 10, static_cast<Cardinal>(FHeader.RecordSize));
  h[29] = static_cast<char>(FHeader.LanguageID);
  size_t at = 32;
  if (wide) {
    std::memcpy(h + at, "DBWINUS0", 8);
    at += 36;
  }
  for (const TDBFField& field : FFields) {
    std::memcpy(h + at, field.FieldName.data(), std::min<size_t>(field.FieldName.size(), 10));
    if (wide) {
      h[at + 32] = field.FieldType;
      h[at + 33] = static_cast<char>(field.Length);
      h[at + 34] = static_cast<char>(field.Decimals);
      at += 48;
    } else {
      h[at + 11] = field.FieldType;
      PutLE32(h + at + 12, static_cast<Cardinal>(field.Address));
      h[at + 16] = static_cast<char>(field.Length);
      h[at + 17] = static_cast<char>(field.Decimals);
      at += 32;
    }
  }
  h[at] = 0x0D;
  WriteBytes(out.data(), out.size());
  FHeaderWritten = true;
}

// ---------------------------------------------------------------------------
// Records

void TRODirezaToDBF::WriteRowStart() {
  TRODirezaToCellBufferedFile::WriteRowStart();
  if (!IsDataArea) return;
  // Every field starts blank, so a record always has its declared size.
  FRecord.assign(static_cast<size_t>(FHeader.RecordSize), ' ');
  FInRecord = true;
}

void TRODirezaToDBF::WriteRowEnd() {
  if (FInRecord) {
    WriteBytes(FRecord.data(), FRecord.size());
    ++FRecordsWritten;
    FInRecord = false;
  }
  TRODirezaToCellBufferedFile::WriteRowEnd();
}

const TDBFField* TRODirezaToDBF::FieldOfCell(Integer column) const {
  if (!IsDataArea || !FInRecord || column < 0 || column >= static_cast<Integer>(FFields.size())) return nullptr;
  return &FFields[static_cast<size_t>(column)];
}

void TRODirezaToDBF::PutField(const TDBFField& descriptor, const std::string& bytes) {
  std::memcpy(FRecord.data() + descriptor.Address, bytes.data(), descriptor.Length);
}

void TRODirezaToDBF::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                               TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCellBufferedFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  const TDBFField* descriptor = FieldOfCell(column);
  if (descriptor == nullptr) return;
  if (descriptor->FieldType == 'M') {
    if (field == nullptr || !field->IsNull()) WriteMemoField(field, text, *descriptor);
    return;
  }
  ValueToDBF(text, cellType, field, *descriptor, FBytes);
  PutField(*descriptor, FBytes);
}

void TRODirezaToDBF::WriteCell(const TCellValue& cell, Integer row, Integer column, TAlignment alignment,
                               const TFont* font, TColor color) {
  Statistic.CurrentCol = column;
  const TDBFField* descriptor = FieldOfCell(column);
  if (descriptor == nullptr) return;
  if (descriptor->FieldType == 'M') {
    if (!cell.IsNull()) WriteMemoField(cell.Field, CellText(cell), *descriptor);
    return;
  }
  // Numbers, dates and booleans straight from the value; the same bytes
  // the text of the cell gives.
  if (cell.CellType != ctBlank && !cell.IsNull() && !HasOption(Options, soFieldMask)) {
    const size_t length = descriptor->Length;
    switch (descriptor->FieldType) {
      case 'N':
        if (descriptor->Decimals > 0 && cell.IsNumber()) {
          FixedDigits(cell.AsDouble(), descriptor->Decimals, FMemo);
        } else if (cell.Kind == cvInteger) {
          FMemo = std::to_string(cell.Int);
        } else {
          break;
        }
        PlaceNumber(FMemo, length, FBytes);
        return PutField(*descriptor, FBytes);
      case 'D':
        if (cell.Kind != cvDateTime) break;
        PlaceDate(cell.Float, length, FBytes);
        return PutField(*descriptor, FBytes);
      case 'L':
        if (cell.Kind != cvBoolean) break;
        FBytes.assign(length, ' ');
        FBytes[0] = cell.Bool ? 'T' : 'F';
        return PutField(*descriptor, FBytes);
      default:
        break;
    }
  }
  TRODirezaToCellBufferedFile::WriteCell(cell, row, column, alignment, font, color);
}

// An "M" field holds the number of the memo's first block, or blanks.
void TRODirezaToDBF::WriteMemoField(TField* field, StringView text, const TDBFField& descriptor) {
  // A blob's bytes count whatever they are; a text of blanks is no memo.
  const bool binary = field != nullptr && field->IsBlob() && field->DataType() != ftMemo &&
                      field->DataType() != ftFmtMemo && field->DataType() != ftWideMemo;
  if (binary ? field->IsNull() : Trim(text).empty()) return;
  MemoBytes(field, text, FMemo);
  PlaceInField(FRecord, static_cast<size_t>(descriptor.Address), descriptor.Length, std::to_string(FNextBlock), true);
  WriteMemo(FMemo);
}

void TRODirezaToDBF::MemoBytes(TField* field, StringView text, std::string& out) const {
  if (field == nullptr) return AnsiBytes(text, IsByteCharacterSet(), out);
  const TFieldType type = field->DataType();
  if (field->IsBlob() && type != ftMemo && type != ftFmtMemo && type != ftWideMemo) {
    const std::vector<Byte> bytes = field->AsBytes();
    out.assign(bytes.begin(), bytes.end());
    return;
  }
  AnsiBytes(ConvertCharacterSet(field->AsString()), IsByteCharacterSet(), out);
}

void TRODirezaToDBF::WriteMemo(const std::string& bytes) {
  if (!MEMOStream) return;
  const Cardinal length = static_cast<Cardinal>(bytes.size());
  size_t used;
  if (IsDBase3MemoLayout()) {
    // dBase III: the text ends with two end-of-file marks. A FoxPro memo
    // file has block headers whatever the table's version.
    FMemoBuffer += bytes;
    FMemoBuffer += "\x1A\x1A";
    used = bytes.size() + 2;
  } else {
    // Every other flavour: an 8-byte block header as its memo file's
    // readers take it. FoxPro counts the text alone; dBase IV counts its
    // header too.
    char header[8];
    if (FIsFPT) {
      PutBE32(header, 1);
      PutBE32(header + 4, length);
    } else {
      std::memcpy(header, "\xFF\xFF\x08\x00", 4);
      PutLE32(header + 4, length + 8);
    }
    FMemoBuffer.append(header, 8);
    FMemoBuffer += bytes;
    // A reader that takes the dBase IV length as the text's own reads on
    // into these bytes; the field terminator ends its text there.
    FMemoBuffer.append(8, '\0');
    if (!FIsFPT) FMemoBuffer[FMemoBuffer.size() - 8] = '\x1F';
    used = bytes.size() + 16;
  }
  const size_t blocks = (used + kMemoBlock - 1) / kMemoBlock;
  FMemoBuffer.append(blocks * kMemoBlock - used, '\0');
  FNextBlock += static_cast<Cardinal>(blocks);
  if (FMemoBuffer.size() >= kMemoFlushSize) FlushMemo();
}

// ---------------------------------------------------------------------------
// Values

void TRODirezaToDBF::FixedDigits(double value, Byte decimals, std::string& out) const {
  char digits[512];
  const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
  out.assign(digits, result.ec == std::errc() ? result.ptr : digits);
  // A value that rounds to zero is written without its sign.
  if (!out.empty() && out[0] == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
}

void TRODirezaToDBF::WriteNumber(const String& text, const TDBFField& descriptor, std::string& out) const {
  const String trimmed = Trim(text);
  out.clear();
  if (trimmed.empty() && BlankIfZero) return;
  if (descriptor.Decimals == 0) return AnsiBytes(trimmed.empty() ? String(u"0") : trimmed, IsByteCharacterSet(), out);
  FixedDigits(trimmed.empty() ? 0.0 : StrToFloat(trimmed), descriptor.Decimals, out);
}

void TRODirezaToDBF::PlaceNumber(std::string_view digits, size_t length, std::string& out) {
  // A number the field cannot hold is stars, never other digits.
  if (digits.size() > length) return out.assign(length, '*'), void();
  out.assign(length, ' ');
  PlaceInField(out, 0, length, digits, true);
}

void TRODirezaToDBF::PlaceDate(TDateTime value, size_t length, std::string& out) {
  Word year, month, day;
  DecodeDate(value, year, month, day);
  char date[16];
  std::snprintf(date, sizeof date, "%04u%02u%02u", static_cast<unsigned>(year) % 10000u, static_cast<unsigned>(month),
                static_cast<unsigned>(day));
  out.assign(date, 8);
  out.resize(length, ' ');
}

void TRODirezaToDBF::ValueToDBF(const String& text, TCellType cellType, TField* field, const TDBFField& descriptor,
                                std::string& out) {
  const size_t length = descriptor.Length;
  switch (descriptor.FieldType) {
    case 'D': {
      if (text.empty() || (field != nullptr && field->IsNull())) {
        out.assign(length, ' ');
        return;
      }
      // A date field gives its value; any other text is read as a date.
      const bool dateField = field != nullptr && (field->DataType() == ftDate || field->DataType() == ftDateTime ||
                                                  field->DataType() == ftTimeStamp);
      PlaceDate(dateField ? field->AsDateTime() : StrToDateTime(text), length, out);
      return;
    }
    case 'L':
      out.assign(length, ' ');
      if (text == strTrue) out[0] = 'T';
      else if (text == strFalse) out[0] = 'F';
      return;
    case 'N':
      WriteNumber(text, descriptor, FMemo);
      PlaceNumber(FMemo, length, out);
      return;
    default:
      out.assign(length, ' ');
      if (cellType == ctBlank) return;
      AnsiBytes(text, IsByteCharacterSet(), FMemo);
      PlaceInField(out, 0, length, FMemo, false);
      return;
  }
}
