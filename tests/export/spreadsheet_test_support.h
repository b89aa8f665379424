// What the spreadsheet writer tests share: a writer set up over a dataset,
// the files' bytes, and the BIFF records of an .xls file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "export/writers/ExportToCustomXLS.h"
#include "platform/rtl/Strings.h"
#include "tests/db/TestDataSet.h"

inline void PrepareSpreadsheetWriter(TRODirezaToCustomXLS& writer, TTestDataSet& ds,
                                     const std::filesystem::path& file) {
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.AnimatedStatus = false;
  writer.FileName = Utf8ToString(file.string());
}

inline std::string FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct BiffRecord {
  uint16_t Id;
  std::string Data;
};

// The records of a BIFF stream; a truncated record ends the list.
inline std::vector<BiffRecord> BiffRecords(const std::string& bytes) {
  std::vector<BiffRecord> records;
  size_t at = 0;
  while (at + 4 <= bytes.size()) {
    const auto u16 = [&](size_t p) {
      return static_cast<uint16_t>(static_cast<unsigned char>(bytes[p]) | static_cast<unsigned char>(bytes[p + 1]) << 8);
    };
    const uint16_t id = u16(at), length = u16(at + 2);
    if (at + 4 + length > bytes.size()) break;
    records.push_back({id, bytes.substr(at + 4, length)});
    at += 4 + length;
  }
  return records;
}

inline uint16_t Word16(const std::string& data, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(data[at]) | static_cast<unsigned char>(data[at + 1]) << 8);
}

// A dataset of integer fields F1..Fn with the given rows (each value the
// row number times 100 plus the column).
inline void FillWideDataSet(TTestDataSet& ds, int fields, int rows) {
  for (int f = 1; f <= fields; ++f) ds.FieldDefs().Add(u"F" + IntToStr(f), ftInteger);
  ds.Open();
  for (int r = 1; r <= rows; ++r) {
    ds.Append();
    for (int f = 0; f < fields; ++f) ds.Fields()[f]->SetAsInteger(r * 100 + f);
    ds.Post();
  }
  ds.First();
}
