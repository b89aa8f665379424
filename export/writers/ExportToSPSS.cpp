#include "export/writers/ExportToSPSS.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "export/ExportMessages.h"
#include "export/writers/ByteOutput.h"
#include "platform/db/Field.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// Compression codes of the case data.
constexpr Byte kBias = 100;
constexpr Byte kRawValue = 253;
constexpr Byte kAllSpaces = 254;
constexpr Byte kSysMissing = 255;
constexpr Byte kEndOfData = 252;

// Byte offset of the case count in the file header.
constexpr Int64 kCaseCountOffset = 80;
constexpr Integer kMaxStringWidth = 255;

constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr const char* kReservedNames[] = {"ALL", "AND", "BY", "EQ", "GE", "GT", "LE",
                                          "LT", "NE", "NOT", "OR", "TO", "WITH"};

// Print and write formats: (format type << 16) + (width << 8) + decimals.
enum : Integer { fmtA = 1, fmtF = 5, fmtDate = 20, fmtTime = 21, fmtDateTime = 22 };
constexpr Integer PrintFormat(Integer type, Integer width, Integer decimals) {
  return (type << 16) + (width << 8) + decimals;
}

void AppendPadded(std::string& out, std::string_view text, size_t width) {
  out.append(text.substr(0, width));
  if (text.size() < width) out.append(width - text.size(), ' ');
}

bool IsTextCell(TCellType type) { return type == ctString || type == ctMEMO; }

// The day SPSS counts its date-times from, 14 October 1582.
TDateTime SpssEpoch() {
  static const TDateTime epoch = EncodeDate(1582, 10, 14);
  return epoch;
}

// A date-time as SPSS keeps it: seconds since its epoch; a time of day as
// seconds since midnight, as the TIME format shows it.
double SpssSeconds(TDateTime value, TCellType type) {
  if (type == ctTime) return (value - std::trunc(value)) * 86400.0;
  if (type == ctDate) value = std::trunc(value);
  return std::round((value - SpssEpoch()) * 86400.0 * 1000.0) / 1000.0;
}

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '$' || c == '#' ||
         c == '@';
}

}  // namespace

TRODirezaToSPSS::TRODirezaToSPSS(TComponent* owner) : TRODirezaToCellBufferedFile(owner) { SetTableType(teSPSS); }

std::vector<AnsiString> TRODirezaToSPSS::VariableNames(const std::vector<String>& fieldNames) {
  std::vector<AnsiString> names;
  for (const String& fieldName : fieldNames) {
    AnsiString name = StringToAnsi(UpperCase(fieldName));
    for (char& c : name)
      if (!IsNameChar(c)) c = '_';
    // A name begins with a letter and is no keyword of the syntax.
    const bool reserved = std::any_of(std::begin(kReservedNames), std::end(kReservedNames),
                                      [&](const char* word) { return name == word; });
    if (name.empty() || !(name[0] >= 'A' && name[0] <= 'Z') || reserved) name.insert(0, 1, 'V');
    name.resize(std::min<size_t>(name.size(), 8));
    while (name.size() > 1 && name.back() == '.') name.pop_back();
    while (std::find(names.begin(), names.end(), name) != names.end()) {
      size_t digits = name.size();
      while (digits > 1 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
      UInt64 counter = 0;
      for (size_t i = digits; i < name.size(); ++i) counter = counter * 10 + static_cast<UInt64>(name[i] - '0');
      const std::string suffix = std::to_string(counter + 1);
      name = name.substr(0, std::min(digits, 8 - std::min<size_t>(suffix.size(), 7))) + suffix;
    }
    names.push_back(name);
  }
  return names;
}

// ---------------------------------------------------------------------------
// Header and dictionary

void TRODirezaToSPSS::WriteFileBegin() {
  TRODirezaToCellBufferedFile::WriteFileBegin();
  FHeaderPos = OutputStream != nullptr ? OutputStream->Position() : 0;
  FHeaderWritten = false;
  FDictionaryWritten = false;
  FCases = 0;
  FInCase = false;
  std::memset(CaseCluster, 0, sizeof CaseCluster);
  CurrentPosInOctet = 0;
  CurrentPosInCluster = 8;
}

void TRODirezaToSPSS::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaToCellBufferedFile::WriteDimensions(rowCount, colCount);
  FVariables.clear();
  const bool all = HasOption(Options, soExportInvisibleFields);
  Integer caseSize = 0;
  for (const auto& column : Columns) {
    if (!all && !column->Visible) continue;
    TVariable variable;
    variable.CellType = column->DataType;
    variable.IsString = IsTextCell(column->DataType);
    if (variable.IsString) variable.Width = std::min(column->Width == 0 ? 10 : column->Width, kMaxStringWidth);
    caseSize += variable.Units();
    FVariables.push_back(variable);
  }

  std::string out = "$FL2";
  AppendPadded(out, "@(#) SPSS DATA FILE RODireza www.rodireza.example " + StringToAnsi(KeyGenerator), 60);
  AppendLE32(out, 2);  // layout code
  AppendLE32(out, static_cast<Cardinal>(caseSize));
  AppendLE32(out, 1);  // compressed
  AppendLE32(out, 0);  // no weight variable
  // The cases announced; the count of those written replaces it at the end.
  Integer cases = rowCount;
  if (AddTitle && HasOption(Options, soBlankRowAfterCaptions)) --cases;
  AppendLE32(out, static_cast<Cardinal>(cases));
  AppendDouble(out, kBias);
  Word year, month, day, hour, minute, second, msec;
  DecodeDateTime(Now(), year, month, day, hour, minute, second, msec);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02u %s %02u%02u:%02u:%02u", static_cast<unsigned>(day), kMonths[month - 1],
                static_cast<unsigned>(year % 100), static_cast<unsigned>(hour), static_cast<unsigned>(minute),
                static_cast<unsigned>(second));
  out.append(stamp, 17);
  out.append(64, ' ');  // file label
  out.append(3, '\0');
  WriteBytes(out.data(), out.size());
  FHeaderWritten = true;
}

void TRODirezaToSPSS::WriteDataBegin() {
  TRODirezaToCellBufferedFile::WriteDataBegin();
  // Detail levels begin data areas of their own; the dictionary is written once.
  if (Statistic.CurrentDataLevel != 0 || !FHeaderWritten || FDictionaryWritten) return;
  FDictionaryWritten = true;
  std::vector<String> fieldNames;
  const bool all = HasOption(Options, soExportInvisibleFields);
  for (const auto& column : Columns)
    if (all || column->Visible) fieldNames.push_back(column->FieldName);
  const std::vector<AnsiString> names = VariableNames(fieldNames);

  std::string out;
  for (size_t i = 0; i < FVariables.size(); ++i) {
    const TVariable& variable = FVariables[i];
    Integer format;
    switch (variable.CellType) {
      case ctInteger: format = PrintFormat(fmtF, 11, 0); break;
      case ctDouble: case ctCurrency: format = PrintFormat(fmtF, 8, 2); break;
      case ctDateTime: format = PrintFormat(fmtDateTime, 20, 0); break;
      case ctDate: format = PrintFormat(fmtDate, 11, 0); break;
      case ctTime: format = PrintFormat(fmtTime, 8, 0); break;
      case ctString: case ctMEMO: format = PrintFormat(fmtA, variable.Width, 0); break;
      default: format = PrintFormat(fmtF, 8, 0); break;
    }
    AppendLE32(out, 2);
    AppendLE32(out, static_cast<Cardinal>(variable.IsString ? variable.Width : 0));
    AppendLE32(out, 0);  // no label
    AppendLE32(out, 0);  // no missing values
    AppendLE32(out, static_cast<Cardinal>(format));
    AppendLE32(out, static_cast<Cardinal>(format));
    AppendPadded(out, names[i], 8);
    // The further units of a long string.
    for (Integer unit = 1; unit < variable.Units(); ++unit) {
      AppendLE32(out, 2);
      AppendLE32(out, static_cast<Cardinal>(-1));
      AppendLE32(out, 0);
      AppendLE32(out, 0);
      AppendLE32(out, 0x00011D01);
      AppendLE32(out, 0x00011D01);
      out.append(8, ' ');
    }
  }
  // Machine integer information: version 7.5.0, IEEE doubles, compressed,
  // little-endian, and the code page the strings are written in.
  AppendLE32(out, 7);
  AppendLE32(out, 3);
  AppendLE32(out, 4);
  AppendLE32(out, 8);
  for (Cardinal value : {7u, 5u, 0u, 720u, 1u, 1u, 2u, static_cast<Cardinal>(AnsiCodePage())}) AppendLE32(out, value);
  AppendLE32(out, 999);
  AppendLE32(out, 0);
  WriteBytes(out.data(), out.size());
}

void TRODirezaToSPSS::InternalFileClose() {
  TRODirezaToCellBufferedFile::InternalFileClose();
  // The header counts the cases written, whatever was skipped or cancelled.
  if (OutputStream != nullptr && FHeaderWritten)
    PatchLE32(*OutputStream, FHeaderPos + kCaseCountOffset, static_cast<Cardinal>(FCases));
}

// ---------------------------------------------------------------------------
// Cases

bool TRODirezaToSPSS::IsCaseRow() const {
  return IsDataArea && Statistic.CurrentSection == esData && Statistic.CurrentDataLevel == 0;
}

void TRODirezaToSPSS::WriteRowStart() {
  TRODirezaToCellBufferedFile::WriteRowStart();
  FInCase = IsCaseRow();
  if (FInCase) FCase.assign(FVariables.size(), TCaseValue());
}

TRODirezaToSPSS::TCaseValue* TRODirezaToSPSS::ValueOfCell(Integer column) {
  if (!FInCase || !IsCaseRow() || column < 0 || column >= static_cast<Integer>(FCase.size())) return nullptr;
  return &FCase[static_cast<size_t>(column)];
}

void TRODirezaToSPSS::SetNumber(TCaseValue& value, const TVariable& variable, TCellType cellType,
                                StringView text) {
  const String trimmed = Trim(text);
  if (cellType == ctBlank || trimmed.empty()) return;
  value.Missing = false;
  switch (variable.CellType) {
    case ctInteger:
      value.Number = static_cast<double>(StrToInt64Def(trimmed, 0));
      break;
    case ctDateTime: case ctDate: case ctTime: {
      TDateTime date = 0;
      const bool read = variable.CellType == ctTime   ? TryStrToTime(trimmed, date)
                        : variable.CellType == ctDate ? TryStrToDate(trimmed, date)
                                                      : TryStrToDateTime(trimmed, date);
      value.Number = read ? SpssSeconds(date, variable.CellType) : 0.0;
      break;
    }
    case ctBoolean:
      value.Missing = trimmed != strTrue && trimmed != strFalse;
      value.Number = trimmed == strTrue ? 1 : 0;
      break;
    case ctBLOB: case ctGraphic:
      value.Missing = true;
      break;
    default:
      value.Number = StrToFloatDef(trimmed, 0.0);
      break;
  }
}

void TRODirezaToSPSS::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                                TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCellBufferedFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  TCaseValue* value = ValueOfCell(column);
  if (value == nullptr) return;
  const TVariable& variable = FVariables[static_cast<size_t>(column)];
  if (!variable.IsString) return SetNumber(*value, variable, cellType, text);
  value->Missing = cellType == ctBlank;
  if (!value->Missing) AnsiBytes(text, IsByteCharacterSet(), value->Bytes);
}

void TRODirezaToSPSS::WriteCell(const TCellValue& cell, Integer row, Integer column, TAlignment alignment,
                                const TFont* font, TColor color) {
  Statistic.CurrentCol = column;
  TCaseValue* value = ValueOfCell(column);
  if (value == nullptr) return;
  const TVariable& variable = FVariables[static_cast<size_t>(column)];
  if (cell.IsNull() || cell.CellType == ctBlank) return;  // missing, or blanks
  if (variable.IsString) {
    value->Missing = false;
    AnsiBytes(CellText(cell), IsByteCharacterSet(), value->Bytes);
    return;
  }
  if (HasOption(Options, soFieldMask)) return TRODirezaToCellBufferedFile::WriteCell(cell, row, column, alignment, font, color);
  switch (cell.Kind) {
    case cvInteger: case cvFloat: case cvCurrency:
      if (variable.CellType == ctBLOB || variable.CellType == ctGraphic || variable.CellType == ctBoolean) return;
      value->Missing = false;
      value->Number = variable.CellType == ctInteger ? std::trunc(cell.AsDouble()) : cell.AsDouble();
      return;
    case cvDateTime:
      value->Missing = false;
      value->Number = SpssSeconds(cell.Float, variable.CellType == ctTime || variable.CellType == ctDate
                                                  ? variable.CellType
                                                  : ctDateTime);
      return;
    case cvBoolean:
      if (variable.CellType != ctBoolean) break;
      value->Missing = false;
      value->Number = cell.Bool ? 1 : 0;
      return;
    default:
      break;
  }
  TRODirezaToCellBufferedFile::WriteCell(cell, row, column, alignment, font, color);
}

void TRODirezaToSPSS::WriteRowEnd() {
  if (FInCase) {
    // Every case holds each variable's units, whatever cells arrived.
    for (size_t i = 0; i < FVariables.size(); ++i) {
      const TVariable& variable = FVariables[i];
      const TCaseValue& value = FCase[i];
      if (variable.IsString)
        AddString(value.Missing ? std::string() : value.Bytes, variable.Width);
      else
        AddNumber(value.Number, value.Missing);
    }
    ++FCases;
    FInCase = false;
  }
  TRODirezaToCellBufferedFile::WriteRowEnd();
}

void TRODirezaToSPSS::AddNumber(double value, bool missing) {
  if (missing || std::isnan(value)) return AddCommand(kSysMissing, nullptr);
  if (value == std::trunc(value) && value >= 1.0 - kBias && value <= 251.0 - kBias)
    return AddCommand(static_cast<Byte>(value + kBias), nullptr);
  char unit[8];
  std::memcpy(unit, &value, 8);
  AddCommand(kRawValue, unit);
}

void TRODirezaToSPSS::AddString(const std::string& bytes, Integer width) {
  FBytes.assign(bytes, 0, static_cast<size_t>(width));
  FBytes.resize(static_cast<size_t>((width + 7) / 8 * 8), ' ');
  for (size_t at = 0; at < FBytes.size(); at += 8) {
    const bool blank = FBytes.compare(at, 8, "        ") == 0;
    AddCommand(blank ? kAllSpaces : kRawValue, blank ? nullptr : FBytes.data() + at);
  }
}

void TRODirezaToSPSS::AddCommand(Byte command, const char* unit) {
  CaseCluster[CurrentPosInOctet++] = static_cast<char>(command);
  if (unit != nullptr) {
    std::memcpy(CaseCluster + CurrentPosInCluster, unit, 8);
    CurrentPosInCluster += 8;
  }
  if (CurrentPosInOctet == 8) FlushCluster();
}

void TRODirezaToSPSS::FlushCluster() {
  if (CurrentPosInOctet == 0) return;
  // Command bytes no value uses are 0, which readers skip.
  std::memset(CaseCluster + CurrentPosInOctet, 0, static_cast<size_t>(8 - CurrentPosInOctet));
  WriteBytes(CaseCluster, static_cast<size_t>(CurrentPosInCluster));
  std::memset(CaseCluster, 0, 8);
  CurrentPosInOctet = 0;
  CurrentPosInCluster = 8;
}

void TRODirezaToSPSS::WriteFileEnd() {
  if (FHeaderWritten) {
    FlushCluster();
    const char end[8] = {static_cast<char>(kEndOfData), 0, 0, 0, 0, 0, 0, 0};
    WriteBytes(end, 8);
  }
  TRODirezaToCellBufferedFile::WriteFileEnd();
}
