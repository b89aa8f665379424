// The base of the 8-bit text formats (SYLK, DIF): their readers know one
// byte per character, so output that would be UTF-16 is written in the ANSI
// code page instead.
#pragma once

#include "export/writers/ByteOutput.h"
#include "export/writers/CellFileWriter.h"

class TRODirezaTo8BitText : public TRODirezaToCellBufferedFile {
 public:
  using TRODirezaToCellBufferedFile::TRODirezaToCellBufferedFile;
  const char* ClassName() const override { return "TRODirezaTo8BitText"; }

 protected:
  void WriteString(const String& text) override {
    if (CharacterSet != csUnicode) return TRODirezaToCellBufferedFile::WriteString(text);
    if (OutputStream == nullptr || text.empty()) return;
    AnsiBytes(text, false, FAnsi);
    WriteBytes(FAnsi.data(), FAnsi.size());
  }

 private:
  std::string FAnsi;  // reused, so a cell costs no allocation
};
