// Native worksheet files (.xls): a flat little-endian stream of BIFF
// records written straight to the output. The cell records go to a part
// stream first (a temporary file for large runs), because the fonts and
// format entries they name are known only at the end and every reader wants
// those before the cells.
#pragma once

#include <memory>
#include <string>

#include "export/writers/ExportToCustomXLS.h"

class TRODirezaToXLS : public TRODirezaToCustomXLS {
 public:
  using TRODirezaToCustomXLS::TRODirezaToCustomXLS;
  const char* ClassName() const override { return "TRODirezaToXLS"; }

 protected:
  void InternalFileCreate(const String& fileName) override;
  void InternalFileClose() override;
  void WriteFileEnd() override;
  void WriteCellRecords() override;
  void WriteFileBegin() override;
  void WriteDimensions(Integer rowCount, Integer colCount) override;
  void WriteColWidth(Integer column, Integer width) override;
  void WriteBuffer(const void* buffer, Int64 count) override;
  void WriteStringValue(StringView text, bool withLength) override;
  void WriteRecordHeader(Int64 recType, Int64 size) override;
  void WriteFontStream() override;
  void WriteFormat(Integer index, StringView format, bool isFormat) override;

 private:
  void FlushRecords();

  // Records collect here and go in large blocks to the cell stream while
  // the cells come, to the file otherwise.
  std::string FRecords;
  std::unique_ptr<TStream> FCells;
  bool FCellPhase = false;
};
