#include "export/writers/ExportToSYLK.h"

#include <charconv>

#include "platform/rtl/Strings.h"

namespace {

// "\x1B :" is SYLK's line break inside a string.
constexpr char16_t kSylkLineBreak[] = u"\x1B :";

char16_t AlignmentLetter(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify: return u'R';
    case taCenter: return u'C';
    default: return u'L';
  }
}

void AppendInt(String& out, Integer value) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

}  // namespace

TRODirezaToSYLK::TRODirezaToSYLK(TComponent* owner) : TRODirezaTo8BitText(owner) { SetTableType(teSYLK); }

String TRODirezaToSYLK::EscapeSylk(StringView text) {
  String out;
  AppendEscaped(out, text);
  return out;
}

void TRODirezaToSYLK::AppendEscaped(String& out, StringView text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u';') {
      out += u";;";
    } else if (c == u'\r' || c == u'\n') {
      out += kSylkLineBreak;
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      out += c;
    }
  }
}

void TRODirezaToSYLK::WriteString(const String& text) {
  FLine = text;
  FLine += u"\r\n";
  TRODirezaTo8BitText::WriteString(FLine);
}

void TRODirezaToSYLK::WriteFileBegin() {
  TRODirezaTo8BitText::WriteFileBegin();
  WriteString(u"ID;P" + EscapeSylk(KeyGenerator) + u";N;E");
}

void TRODirezaToSYLK::WriteFileEnd() {
  TRODirezaTo8BitText::WriteFileEnd();
  WriteString(u"E");
}

void TRODirezaToSYLK::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaTo8BitText::WriteDimensions(rowCount, colCount);
  WriteString(u"B;Y" + IntToStr(rowCount + 1) + u";X" + IntToStr(colCount + 1));
}

void TRODirezaToSYLK::WriteColWidth(Integer column, Integer width) {
  TRODirezaTo8BitText::WriteColWidth(column, width);
  const String number = IntToStr(column + 1);
  WriteString(u"F;W" + number + u" " + number + u" " + IntToStr(width));
}

void TRODirezaToSYLK::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                                TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaTo8BitText::WriteData(field, cellType, row, column, text, alignment, font, color);
  // The cell and its format, encoded and written at once.
  FLine.assign(u"C;Y");
  AppendInt(FLine, row + 1);
  FLine += u";X";
  AppendInt(FLine, column + 1);
  FLine += u";K\"";
  AppendEscaped(FLine, text);
  FLine += u"\"\r\nF;FG0";
  FLine += AlignmentLetter(alignment);
  FLine += u"\r\n";
  TRODirezaTo8BitText::WriteString(FLine);
}
