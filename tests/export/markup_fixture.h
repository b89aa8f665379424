// Shared by the tests of the SQL, LDIF, JSON, XML, HTML and RTF writers: a
// table whose values are the hard cases for markup (quotes, apostrophes,
// ampersands, angle brackets, braces, backslashes, line breaks, a null,
// national and non-ANSI characters, a name with a space), a folder per test,
// and running an independent reader that prints what it read as JSON.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "export/writers/CellFileWriter.h"
#include "platform/db/Fields.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "tests/db/TestDataSet.h"
#include "tests/export/run_tool.h"

namespace markup {

namespace fs = std::filesystem;

struct Row {
  Integer Id;
  const char16_t* Name;  // nullptr: null
  double Price;
  TDateTime Born;        // 0: null
  const char16_t* Notes;  // nullptr: null
};

// Every row holds something a markup format must escape or encode.
inline std::vector<Row> HardRows(bool ansiOnly) {
  std::vector<Row> rows = {
      {1, u"plain", 2.5, EncodeDate(2024, 1, 31), u"one line"},
      {2, u"O'Brien \"quoted\" & <tag>", -1, 0, u"line\r\nbreak"},
      {3, nullptr, 0.25, EncodeDate(1999, 12, 31), nullptr},
      {4, u"{brace} back\\slash; =eq", 10, EncodeDate(1970, 1, 2), u"tab\there"},
      {5, u"\u010Ce\u0161\u017E \u0107\u0111 \u00E9", 1234.5, EncodeDate(2000, 2, 29), u"\u0160ola"},
  };
  if (!ansiOnly) rows.push_back({6, u"smile \u263A \U0001F600 \u4E2D", 7, EncodeDate(2010, 6, 15), u"\u20AC 5"});
  return rows;
}

// ID (integer, required), "First Name" (wide string of 40), PRICE (float),
// BORN (date), NOTES (wide memo); open on its first row.
inline void FillHardTable(TTestDataSet& ds, const std::vector<Row>& rows) {
  ds.FieldDefs().Add(u"ID", ftInteger, 0, true);
  ds.FieldDefs().Add(u"First Name", ftWideString, 40);
  ds.FieldDefs().Add(u"PRICE", ftFloat);
  ds.FieldDefs().Add(u"BORN", ftDate);
  ds.FieldDefs().Add(u"NOTES", ftWideMemo);
  ds.Open();
  for (const Row& row : rows) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(row.Id);
    if (row.Name != nullptr) ds.FieldByName(u"First Name")->SetAsString(row.Name);
    ds.FieldByName(u"PRICE")->SetAsFloat(row.Price);
    if (row.Born != 0) ds.FieldByName(u"BORN")->SetAsDateTime(row.Born);
    if (row.Notes != nullptr) ds.FieldByName(u"NOTES")->SetAsString(row.Notes);
    ds.Post();
  }
  ds.First();
}

// A writer over the dataset that reports failures to the caller, with "."
// decimals and ISO dates.
inline void PrepareWriter(TRODirezaToCellFile& writer, TTestDataSet& ds, const fs::path& file) {
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.AnimatedStatus = false;
  writer.DataFormats.DecimalSeparator = u'.';
  writer.DataFormats.ThousandSeparator = 0;
  writer.DataFormats.DateOrder = doYMD;
  writer.DataFormats.DateSeparator = u'-';
  writer.DataFormats.TimeSeparator = u':';
  writer.DataFormats.FourDigitYear = true;
  writer.DataFormats.LeadingZerosInDate = true;
  writer.FileName = Utf8ToString(file.string());
}

inline std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Standard output of a command without its last line ends; an empty text
// when it cannot run.
inline std::string RunCommand(const std::string& command) {
  std::string out = RunTool(command).Output;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// JSON text as Python's json.dumps writes it (ASCII only, \uXXXX escapes).
inline std::string Json(StringView text) {
  std::string out = "\"";
  for (char16_t c : text) {
    switch (c) {
      case u'"': out += "\\\""; break;
      case u'\\': out += "\\\\"; break;
      case u'\n': out += "\\n"; break;
      case u'\r': out += "\\r"; break;
      case u'\t': out += "\\t"; break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          out += static_cast<char>(c);
        } else {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(c));
          out += hex;
        }
    }
  }
  return out + "\"";
}

// A JSON list of lists of texts; an empty optional stands for null.
using Cells = std::vector<std::vector<std::optional<String>>>;
inline std::string Json(const Cells& rows) {
  std::string out = "[";
  for (size_t r = 0; r < rows.size(); ++r) {
    out += r == 0 ? "[" : ", [";
    for (size_t c = 0; c < rows[r].size(); ++c)
      out += (c == 0 ? "" : ", ") + (rows[r][c] ? Json(*rows[r][c]) : std::string("null"));
    out += "]";
  }
  return out + "]";
}

inline String IsoDate(TDateTime value) { return FormatDateTime(u"yyyy-mm-dd", value, TFormatSettings::Invariant()); }
inline String Number(double value) { return FloatToStr(value, TFormatSettings::Invariant()); }

// A text as a browser shows it in a cell: line breaks as one LF, tabs and
// runs of blanks as one space, no blanks around line breaks or at the ends.
inline String Visible(StringView text) {
  String out;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r') {
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      c = u'\n';
    }
    if (c == u'\t') c = u' ';
    if (c == u' ' && (out.empty() || out.back() == u' ' || out.back() == u'\n')) continue;
    if (c == u'\n' && !out.empty() && out.back() == u' ') out.pop_back();
    out += c;
  }
  while (!out.empty() && out.back() == u' ') out.pop_back();
  return out;
}

// Converts a file with LibreOffice headless (its own profile folder) into
// the folder; the converted file's path, or an empty path when LibreOffice
// is missing or fails.
inline fs::path LibreOfficeConvert(const fs::path& file, const std::string& format, const std::string& extension,
                                   const fs::path& outDir, const std::string& inFilter = "") {
  if (!HasProgram("soffice")) return {};
  const fs::path profile = outDir / "lo_profile";
  const std::string command = "soffice -env:UserInstallation=file://" + profile.string() +
                              " --headless " + (inFilter.empty() ? "" : "--infilter='" + inFilter + "' ") +
                              "--convert-to '" + format + "' --outdir '" + outDir.string() + "' '" +
                              file.string() + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  const fs::path out = outDir / (file.stem().string() + "." + extension);
  return fs::exists(out) ? out : fs::path();
}

class MarkupTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("markup_" + std::to_string(::getpid()) + "_" +
                                       testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    saved = FormatSettings;
  }
  void TearDown() override {
    FormatSettings = saved;
    fs::remove_all(dir);
  }
  fs::path dir;
  TFormatSettings saved;
};

}  // namespace markup
