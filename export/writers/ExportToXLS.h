// Native worksheet files (.xls): a flat little-endian stream of BIFF
// records written straight to the output.
#pragma once

#include <string>

#include "export/writers/ExportToCustomXLS.h"

class TRODirezaToXLS : public TRODirezaToCustomXLS {
 public:
  using TRODirezaToCustomXLS::TRODirezaToCustomXLS;
  const char* ClassName() const override { return "TRODirezaToXLS"; }

 protected:
  void InternalFileClose() override;
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

  // Records collect here and go to the file in large blocks.
  std::string FRecords;
};
