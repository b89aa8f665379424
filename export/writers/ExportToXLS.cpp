#include "export/writers/ExportToXLS.h"

#include "export/ExportText.h"
#include "export/writers/TemporaryFile.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr size_t kFlushAt = 1 << 16;

// A format string with its "." turned into the decimal separator, then its
// "," into the thousand separator.
String Localized(StringView format, const TSMEDataFormats& formats) {
  String out(format);
  for (char16_t& c : out)
    if (c == u'.') c = formats.DecimalSeparator;
  String result;
  for (char16_t c : out) {
    if (c == u',') {
      if (formats.ThousandSeparator != 0) result += formats.ThousandSeparator;
    } else {
      result += c;
    }
  }
  return result;
}

// The system short time format with "AMPM" written as "AM/PM".
String TimeFormatWithAmPm(String format) {
  const String upper = UpperCase(format);
  const size_t at = upper.find(u"AMPM");
  if (at != String::npos) return format.substr(0, at + 2) + u"/" + format.substr(at + 2);
  return format;
}

}  // namespace

void TRODirezaToXLS::WriteBuffer(const void* buffer, Int64 count) {
  if (count <= 0 || OutputStream == nullptr) return;
  FRecords.append(static_cast<const char*>(buffer), static_cast<size_t>(count));
  if (FRecords.size() >= kFlushAt) FlushRecords();
}

void TRODirezaToXLS::FlushRecords() {
  TStream* to = FCellPhase ? FCells.get() : OutputStream;
  if (to != nullptr && !FRecords.empty()) to->WriteBuffer(FRecords.data(), static_cast<Int64>(FRecords.size()));
  FRecords.clear();
}

void TRODirezaToXLS::InternalFileCreate(const String& fileName) {
  TRODirezaToCustomXLS::InternalFileCreate(fileName);
  FRecords.clear();
  FCellPhase = false;
  FCells = OutputStream != nullptr ? CreatePartStream(FRecordCount > 10000) : nullptr;
}

void TRODirezaToXLS::InternalFileClose() {
  FCellPhase = false;
  FlushRecords();
  FCells.reset();
  TRODirezaToCustomXLS::InternalFileClose();
}

void TRODirezaToXLS::WriteFileEnd() {
  // The cells are complete; what follows goes to the file itself.
  FlushRecords();
  FCellPhase = false;
  TRODirezaToCustomXLS::WriteFileEnd();
}

void TRODirezaToXLS::WriteCellRecords() {
  FlushRecords();
  if (FCells && OutputStream != nullptr && FCells->Size() > 0) OutputStream->CopyFrom(*FCells, 0);
}

void TRODirezaToXLS::WriteStringValue(StringView text, bool withLength) {
  const AnsiString bytes = AnsiCut255(text);
  if (withLength) {
    const Byte length = static_cast<Byte>(bytes.size());
    WriteBuffer(&length, 1);
  }
  WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

void TRODirezaToXLS::WriteRecordHeader(Int64 recType, Int64 size) {
  WriteWords({static_cast<Word>(recType), static_cast<Word>(size)});
}

void TRODirezaToXLS::WriteFontStream() {
  if (FTempFontStream && FTempFontStream->Size() > 0) {
    WriteBuffer(FTempFontStream->Memory(), FTempFontStream->Size());
    FTempFontStream->Clear();
  }
}

void TRODirezaToXLS::WriteFormat(Integer index, StringView format, bool) {
  const AnsiString bytes = AnsiCut255(format);
  WriteRecordHeader(0x041E, 3 + static_cast<Int64>(bytes.size()));
  WriteWords({static_cast<Word>(index)});
  WriteStringValue(format, true);
}

void TRODirezaToXLS::WriteFileBegin() {
  TRODirezaToCustomXLS::WriteFileBegin();
  FRecords.clear();
  FCellPhase = false;
  WriteRecordHeader(0x0409, 6);
  WriteWords({0x0000, 0x0010, 0x0DBB});
  WriteRecordHeader(0x0042, 2);
  WriteWords({static_cast<Word>(AnsiCodePage())});
  WriteRecordHeader(0x008C, 4);
  WriteWords({1, 1});

  const TSMEDataFormats& df = DataFormats;
  String currency;
  switch (FormatSettings.CurrencyFormat) {
    case 0: currency = FormatSettings.CurrencyString + u"00.00"; break;
    case 2: currency = FormatSettings.CurrencyString + u" 00.00"; break;
    case 3: currency = u"00.00 " + FormatSettings.CurrencyString; break;
    default: currency = u"00.00" + FormatSettings.CurrencyString; break;
  }
  const String formats[] = {
      u"General", u"0", u"0.00", u"#,##0", u"#,##0.00", Localized(u"($#,##0_);($#,##0)", df),
      Localized(u"($#,##0_);[Red]($#,##0)", df), currency, Localized(u"$#,##0.00_);[Red]($#,##0.00)", df), u"0%",
      Localized(u"0.00%", df), u"0.00E+00", u"# ?/?", u"# ?\?/?\?", FormatSettings.ShortDateFormat, u"d-mmm-yy",
      u"d-mmm", u"mmm-yy", TimeFormatWithAmPm(FormatSettings.ShortTimeFormat), u"h:mm:ss AM/PM", u"h:mm",
      u"h:mm:ss", df.CustomDateTimeFormat.empty() ? FormatSettings.ShortDateFormat : df.CustomDateTimeFormat};
  Integer index = 0;
  for (const String& format : formats) WriteFormat(index++, format, true);
  const String more[] = {Localized(u"(#,##0_);(#,##0)", df),
                         Localized(u"(#,##0_);[Red](#,##0)", df),
                         Localized(u"(#,##0.00_);(#,##0.00)", df),
                         Localized(u"(#,##0.00_);[Red](#,##0.00)", df),
                         Localized(u"_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)", df),
                         Localized(u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)", df),
                         Localized(u"_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"??_);_(@_)", df),
                         Localized(u"_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)", df),
                         u"mm:ss",
                         u"[h]:mm:ss",
                         u"mm:ss.0",
                         u"##0.0E+0",
                         u"@"};
  index = 37;
  for (const String& format : more) WriteFormat(index++, format, true);

  const auto lines = [](const std::vector<String>& list) {
    String text;
    for (const String& line : list) text += line + u"\r\n";
    return text;
  };
  if (!PageHeader.empty()) {
    const String text = lines(PageHeader);
    WriteRecordHeader(0x0014, 1 + static_cast<Int64>(AnsiCut255(text).size()));
    WriteStringValue(text, true);
  }
  if (!PageFooter.empty()) {
    const String text = lines(PageFooter);
    WriteRecordHeader(0x0015, 1 + static_cast<Int64>(AnsiCut255(text).size()));
    WriteStringValue(text, true);
  }
  // The file's head is complete; dimensions, widths and cells follow the
  // fonts and format entries written at the end.
  FlushRecords();
  FCellPhase = true;
}

void TRODirezaToXLS::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaToCustomXLS::WriteDimensions(rowCount, colCount);
  const Integer columns = std::min<Integer>(colCount, 255);
  WriteRecordHeader(0x0200, 10);
  WriteWords({0, static_cast<Word>(rowCount), 0, static_cast<Word>(columns - 1), 0});
}

void TRODirezaToXLS::WriteColWidth(Integer column, Integer width) {
  TRODirezaToCustomXLS::WriteColWidth(column, width);
  if (width < 1 || column > 255) return;
  if (width == 10) width = 12;
  WriteRecordHeader(0x0024, 4);
  const Byte columns[2] = {static_cast<Byte>(column), static_cast<Byte>(column)};
  WriteBuffer(columns, 2);
  WriteWords({static_cast<Word>(width * 256)});
}
