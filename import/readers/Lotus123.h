// TLotus123: the Lotus 1-2-3 and Symphony worksheet reader (WKS, WK1, WK2,
// WR1, WK3, WK4, 123). It walks the file's records once, tells the version
// from the first record and delivers cells, sheet names, column widths and
// row heights through the reader notifications. The cell-format records of
// the newer versions are kept so that a cell's number format can become a
// display mask. Password-protected files are refused.
#pragma once

#include <unordered_map>
#include <vector>

#include "import/readers/SpreadSheetFile.h"

class TByteReader;

enum TWKSVersion : Byte { wvUnknown, wvWKS1, wvWKS2, wvWR1, wv123, wvWKS3, wvWKS4 };

// One entry of a cell-format record.
struct TWK4Format {
  Integer SheetIndex = 0;
  Integer Row = 0;
  Byte NumberFormat = 0;
  Integer Style = 0;    // 18 bits
  Byte FormatType = 0;  // 0x00, 0x40, 0x80 or 0xC0
  Byte CellNumber = 0;
};

class TLotus123 : public TSpreadSheetFile {
 public:
  explicit TLotus123(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TLotus123"; }

  TWKSVersion Version() const { return FVersion; }
  bool IsEncrypted() override { return FIsEncrypted; }
  void ApplyEvents() override;
  void LoadFromFile(const String& fileName) override;
  // Reads the stream from its position; the events stay as the caller set
  // them.
  void LoadFromStream(TStream& stream) override;

  // The display mask of the cell's number format.
  void FillFormatForCell(const TSMICell& cell, String& formatMask) const {
    formatMask = GetFormatString(cell.FormatIndex);
  }
  String GetFormatString(Integer index) const;
  // The last format entry of the cell's sheet and row that covers its
  // column; 0 when none does.
  Integer GetCellFormatIndex(Integer sheet, Integer row, Integer column) const;
  const TWK4Format* GetWK4Format(Integer index) const;
  void ClearFormats();

  // A record longer than this is passed over.
  static constexpr Word MaxRecordLength = 0x7FFF;

 private:
  void LoadBytes(const std::vector<Byte>& bytes);
  // False when the record ends the load.
  bool ProcessRecord(Word id, TByteReader& data);
  bool OldVersion() const { return FVersion == wvWKS1 || FVersion == wvWR1; }
  void UpdateCellValue(TByteReader& data, const Variant& value, TAlignment alignment, TSMICellType cellType);
  void ReadCellFormats(TByteReader& data);
  void SheetName(Integer sheet, const String& name);

  TWKSVersion FVersion = wvUnknown;
  bool FIsEncrypted = false;
  std::vector<TWK4Format> Formats;
  // Entries of Formats by sheet and row, in file order.
  std::unordered_map<UInt64, std::vector<Integer>> FFormatsByRow;
};
