#include "tests/import/our_writers.h"

#include "export/writers/ExportToHTML.h"
#include "export/writers/ExportToXML.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Strings.h"
#include "tests/db/TestDataSet.h"

namespace {

// The rows in a dataset of wide-string fields (an empty value left null).
void Fill(TTestDataSet& ds, const TCsvRows& csv) {
  for (const String& name : csv[0]) ds.FieldDefs().Add(name, ftWideString, 60);
  ds.Open();
  for (size_t r = 1; r < csv.size(); ++r) {
    ds.Append();
    for (size_t c = 0; c < csv[r].size(); ++c)
      if (!csv[r][c].empty()) ds.Fields().Fields(static_cast<int>(c))->SetAsString(csv[r][c]);
    ds.Post();
  }
  ds.First();
}

bool Run(TRODirezaToCellFile& writer, TTestDataSet& ds, const std::filesystem::path& file) {
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.AnimatedStatus = false;
  writer.FileName = Utf8ToString(file.string());
  writer.Execute();
  return writer.Statistic.Result == erCompleted;
}

}  // namespace

bool WriteHtmlWithOurWriter(const TCsvRows& csv, const std::filesystem::path& file, TOurCharset charset) {
  TTestDataSet ds;
  Fill(ds, csv);
  TRODirezaToHTML writer;
  writer.CharacterSet = charset == TOurCharset::Ansi ? csANSI_WINDOWS : charset == TOurCharset::Utf8 ? csUTF8 : csUnicode;
  return Run(writer, ds, file);
}

bool WriteXmlWithOurWriter(const TCsvRows& csv, const std::filesystem::path& file, int dialect) {
  TTestDataSet ds;
  Fill(ds, csv);
  TRODirezaToXML writer;
  writer.Format = static_cast<TSMEXMLFormat>(dialect);
  writer.CharacterSet = csUTF8;
  return Run(writer, ds, file);
}
