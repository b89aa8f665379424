#include "export/writers/ExportToDIF.h"

#include "platform/rtl/Strings.h"

TRODirezaToDIF::TRODirezaToDIF(TComponent* owner) : TRODirezaTo8BitText(owner) { SetTableType(teDIF); }

void TRODirezaToDIF::WriteFileBegin() {
  TRODirezaTo8BitText::WriteFileBegin();
  WriteString(u"TABLE\r\n0,1\r\n\"" + KeyGenerator + u"\"\r\n");
}

void TRODirezaToDIF::WriteFileEnd() {
  TRODirezaTo8BitText::WriteFileEnd();
  WriteString(u"-1,0\r\nEOD\r\n");
}

void TRODirezaToDIF::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaTo8BitText::WriteDimensions(rowCount, colCount);
  WriteString(u"VECTORS\r\n0," + IntToStr(rowCount + 1) + u"\r\n\"\"\r\n");
  WriteString(u"TUPLES\r\n0," + IntToStr(colCount + 1) + u"\r\n\"\"\r\n");
  WriteString(u"DATA\r\n0,0\r\n\"\"\r\n");
}

void TRODirezaToDIF::WriteRowStart() {
  TRODirezaTo8BitText::WriteRowStart();
  WriteString(u"-1,0\r\nBOT\r\n");
}

void TRODirezaToDIF::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                               TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaTo8BitText::WriteData(field, cellType, row, column, text, alignment, font, color);
  FLine = u"1,0\r\n\"";
  FLine += text;
  FLine += u"\"\r\n";
  WriteString(FLine);
}
