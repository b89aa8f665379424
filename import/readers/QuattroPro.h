// TQuattroPro: the Quattro and Quattro Pro notebook reader (WQ1, WQ2, WKQ,
// WB1 to WB3, QPW). A compound file is read from its stream whose name
// holds "_MAIN"; any other file is a plain stream of records. Cells, sheet
// names, column widths and sheet dimensions go out through the reader
// notifications; the notebook's authors and its shared strings are kept.
#pragma once

#include <vector>

#include "import/WideStrings.h"
#include "import/readers/SpreadSheetFile.h"
#include "import/readers/SummaryInformation.h"

class TByteReader;

enum TWQVersion : Byte { qvUnknown, qvWQ1, qvWQ2, qvWKQ, qvWB2, qvWB3, qvQP9 };

class TQuattroPro : public TSpreadSheetFile {
 public:
  explicit TQuattroPro(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TQuattroPro"; }

  TWQVersion Version() const { return FVersion; }
  const TSMISummaryInformation& SummaryInformation() const { return FSummaryInformation; }
  void SetSummaryInformation(const TSMISummaryInformation& value) { FSummaryInformation.Assign(value); }
  // The shared strings of a QPW notebook.
  const TWideStrings& SST() const { return FSST; }

  void ApplyEvents() override;
  void LoadFromFile(const String& fileName) override;
  // A compound file or a plain record stream, from the stream's position.
  void LoadFromStream(TStream& stream) override;

  // A number of the cell list: bit 1 set, the rest is an integer times 4;
  // clear, the upper half of a double. Bit 0 set divides by 100.
  static double GetIEEEValue(Cardinal v);

 private:
  void LoadBytes(std::vector<Byte> bytes);
  void ImportFromStream(const std::vector<Byte>& bytes);
  void ImportFromOLEStream(std::vector<Byte> bytes);
  void WalkRecords(const std::vector<Byte>& bytes, bool compound);
  // True when the record is one the processor interprets.
  bool ProcessBIFFRecord(Word id, TByteReader& data);
  bool ProcessBIFFRecord9(Word id, TByteReader& data);
  void UpdateCellValue(TByteReader& data, const Variant& value, TAlignment alignment, TSMICellType cellType);
  void GenericCell(TByteReader& data, const Variant& value, TAlignment alignment, TSMICellType cellType);
  void ReadCellList(TByteReader& data);
  void Cell(Integer sheet, Int64 row, Int64 column, Integer formatIndex, const Variant& value, TAlignment alignment,
            TSMICellType cellType);
  // A counted string at p; `next` receives where the string after it begins.
  String ReadString(TByteReader& data, UInt64 p, UInt64& next);
  String SharedString(Cardinal index) const;

  TWQVersion FVersion = qvUnknown;
  Integer intSheet = 0;
  Integer intCol9 = -1;
  TSMISummaryInformation FSummaryInformation;
  TWideStrings FSST;
};
