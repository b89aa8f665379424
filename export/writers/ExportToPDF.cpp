#include "export/writers/ExportToPDF.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <charconv>
#include <cstdio>

#include "export/writers/ByteOutput.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

std::string Num(Int64 value) { return std::to_string(value); }

// Appends the number and a blank (the separator of content operands).
void AppendNum(std::string& out, Int64 value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
  out += ' ';
}
std::string Ref(Integer object) { return std::to_string(object) + " 0 R"; }

// A system colour (0xFF0000nn) as the colour it stands for on paper.
TColor PlainColor(TColor color) {
  if ((color & 0xFF000000u) == 0) return color;
  switch (color & 0xFF) {
    case 5: return clWhite;      // window
    case 0x16: return 0xE3E3E3;  // 3D light
    default: return clBlack;     // window text and the rest
  }
}

}  // namespace

TRODirezaToPDF::TRODirezaToPDF(TComponent* owner) : TRODirezaToCellBufferedFile(owner) { SetTableType(tePDF); }

TRODirezaToPDF::~TRODirezaToPDF() = default;

void TRODirezaToPDF::Assign(const TComponent* source) {
  TRODirezaToCellBufferedFile::Assign(source);
  if (const auto* from = dynamic_cast<const TRODirezaToPDF*>(source)) {
    ViewerPreferences = from->ViewerPreferences;
    PageLayout = from->PageLayout;
    CompressionMethod = from->CompressionMethod;
    FontDecode = from->FontDecode;
    ImageDecode = from->ImageDecode;
  }
}

// ---------------------------------------------------------------------------
// Output

void TRODirezaToPDF::WriteString(const String& text) {
  AnsiBytes(text, IsByteCharacterSet(), FLine);
  WriteLine8(FLine);
}

void TRODirezaToPDF::WriteLine8(const std::string& bytes) {
  if (IsMemStream) {
    MemStream += bytes;
    MemStream += "\r\n";
    return;
  }
  WriteRaw(bytes);
  WriteRaw("\r\n");
}

void TRODirezaToPDF::WriteRaw(const std::string& bytes) {
  WriteBytes(bytes.data(), bytes.size());
  FilePos += static_cast<Int64>(bytes.size());
}

void TRODirezaToPDF::AddRef(Integer ref) { CrossRef.emplace_back(ref, FilePos); }

const std::string& TRODirezaToPDF::PDFColor(TColor color, bool stroking) {
  // A report uses a handful of colours, each once per cell: made once.
  const UInt64 key = static_cast<UInt64>(color) << 1 | (stroking ? 1u : 0u);
  auto found = FColors.find(key);
  if (found != FColors.end()) return found->second;
  color = PlainColor(color);
  char text[48];
  std::snprintf(text, sizeof text, "%.3f %.3f %.3f %s\r\n", (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                ((color >> 16) & 0xFF) / 255.0, stroking ? "RG" : "rg");
  return FColors.emplace(key, text).first->second;
}

std::string TRODirezaToPDF::EscapeText(std::string_view text) {
  std::string out;
  AppendEscaped(out, text);
  return out;
}

void TRODirezaToPDF::AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '(': out += "\\("; break;
      case ')': out += "\\)"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c; break;
    }
  }
}

const char* TRODirezaToPDF::FilterName(TPDFFilterDecode decode) {
  switch (decode) {
    case fdASCIIHex: return "ASCIIHexDecode";
    case fdASCII85: return "ASCII85Decode";
    case fdFlate: return "FlateDecode";
    default: return nullptr;
  }
}

std::string TRODirezaToPDF::EncodeString(const std::string& data, TPDFFilterDecode decode,
                                         TPDFCompressionMethod method) {
  switch (decode) {
    case fdASCIIHex: {
      static const char kHex[] = "0123456789ABCDEF";
      std::string out;
      out.reserve(data.size() * 2);
      for (unsigned char c : data) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
      return out;
    }
    case fdASCII85: {
      std::string out;
      for (size_t at = 0; at < data.size(); at += 4) {
        const size_t n = std::min<size_t>(4, data.size() - at);
        uint32_t group = 0;
        for (size_t i = 0; i < 4; ++i)
          group = group << 8 | (i < n ? static_cast<unsigned char>(data[at + i]) : 0u);
        if (group == 0 && n == 4) {
          out += 'z';
          continue;
        }
        char digits[5];
        for (int i = 4; i >= 0; --i, group /= 85) digits[i] = static_cast<char>('!' + group % 85);
        // A last group of n bytes is written as n + 1 digits.
        out.append(digits, n == 4 ? 5 : n + 1);
      }
      return out + "~>";
    }
    case fdFlate: {
      const int level = method == cmFastest ? 0 : method == cmNormal ? 1 : Z_DEFAULT_COMPRESSION;
      uLongf size = compressBound(static_cast<uLong>(data.size()));
      std::string out(size, '\0');
      if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                    static_cast<uLong>(data.size()), level) != Z_OK)
        throw EWriteError(u"The PDF stream could not be compressed.");
      out.resize(size);
      return out;
    }
    default:
      return data;
  }
}

// ---------------------------------------------------------------------------
// Document

void TRODirezaToPDF::WriteFileBegin() {
  TRODirezaToCellBufferedFile::WriteFileBegin();
  MemStream.clear();
  CrossRef.clear();
  tblFont.Clear();
  FLastFontIndex = -1;
  lstPages.clear();
  intTotalPages = 0;
  FLastUsedRefIndex = 4;  // objects 1 to 3 are the catalog, the information and the page tree
  MaxKids = 10;
  FilePos = 0;
  intLastMergeCol = -1;
  IsMemStream = false;
  FPageOpen = false;
  WriteLine8("%PDF-1.2");
  AddRef(1);
  WriteLine8("1 0 obj");
  WriteLine8("<< /Type /Catalog ");
  static const char* const kLayouts[] = {nullptr, "SinglePage", "OneColumn", "TwoColumnLeft", "TwoColumnRight",
                                         "TwoPageLeft", "TwoPageRight"};
  if (PageLayout != eplDefault && PageLayout <= eplTwoPageRight)
    WriteLine8(std::string("/PageLayout /") + kLayouts[PageLayout]);
  if (ViewerPreferences != 0) {
    WriteLine8("/ViewerPreferences <<");
    static const char* const kPreferences[] = {"/HideToolbar true", "/HideMenubar true", "/HideWindowUI true",
                                               "/FitWindow true", "/CenterWindow true"};
    for (int i = 0; i < 5; ++i)
      if (ViewerPreferences & (1u << i)) WriteLine8(kPreferences[i]);
    WriteLine8(">>");
  }
  WriteLine8("/Pages 3 0 R >> ");
  WriteLine8("endobj");
}

void TRODirezaToPDF::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaToCellBufferedFile::WriteDimensions(rowCount, colCount);
  arrColWidths.assign(static_cast<size_t>(std::max(colCount, 1)), 0);
  // Without a printer to ask, the default orientation is portrait.
  const bool landscape = PageSetup.Orientation == emLandscape;
  PageWidth = landscape ? A4PageHeight : A4PageWidth;
  PageHeight = landscape ? A4PageWidth : A4PageHeight;
  FOneSheetWidth = PageWidth;
}

void TRODirezaToPDF::WriteColWidth(Integer column, Integer width) {
  TRODirezaToCellBufferedFile::WriteColWidth(column, width);
  const Integer slots = static_cast<Integer>(arrColWidths.size());
  if (column < 0 || column >= slots) return;
  arrColWidths[static_cast<size_t>(column)] = width * 8;
  if (column != slots - 2) return;
  // The widths become left edges; the last slot the right end of the table.
  Integer position = 10;
  for (Integer& slot : arrColWidths) {
    const Integer w = slot;
    slot = position;
    position += w;
  }
  // Wide tables get wider pages, never smaller text.
  PageWidth = std::max<Integer>(1, (position + FOneSheetWidth - 1) / FOneSheetWidth) * FOneSheetWidth;
}

void TRODirezaToPDF::WriteHeader() {
  WritePageBegin();
  TRODirezaToCellBufferedFile::WriteHeader();
}

void TRODirezaToPDF::WritePageBegin() {
  intCurYPos = 10;
  MemStream.clear();
  if (intTotalPages % MaxKids == 0) lstPages.push_back({GetNextRefIndex(), std::string(), 0});
  ++intTotalPages;
  const Integer page = GetNextRefIndex();
  TPageNode& node = lstPages.back();
  node.Kids += Ref(page) + " ";
  ++node.Count;
  IsMemStream = false;
  AddRef(page);
  WriteLine8(Num(page) + " 0 obj");
  WriteLine8("<< /Type /Page ");
  WriteLine8("/Parent " + Ref(node.Ref) + " ");
  StreamRefIndex = GetNextRefIndex();
  LengthRefIndex = GetNextRefIndex();
  ProcRefIndex = GetNextRefIndex();
  ResRefIndex = GetNextRefIndex();
  WriteLine8("/MediaBox [0 0 " + Num(PageWidth) + " " + Num(PageHeight) + "] ");
  WriteLine8("/Resources " + Ref(ResRefIndex));
  WriteLine8("/Contents " + Ref(StreamRefIndex) + " >> ");
  WriteLine8("endobj");
  AddRef(ResRefIndex);
  WriteLine8(Num(ResRefIndex) + " 0 obj");
  IsMemStream = true;
  FPageOpen = true;
}

void TRODirezaToPDF::WritePageEnd() {
  IsMemStream = false;
  FPageOpen = false;
  // The page names every font known so far.
  std::string resources = "<<";
  if (tblFont.Count() > 0) {
    resources += "/Font << ";
    for (Integer i = 0; i < tblFont.Count(); ++i) resources += "/F" + Num(i) + " " + StringToUtf8(tblFont[i].RefIndex) + " 0 R ";
    resources += ">>";
  }
  WriteLine8(resources);
  WriteLine8("/ProcSet " + Ref(ProcRefIndex));
  WriteLine8(">>");
  WriteLine8("endobj");
  AddRef(StreamRefIndex);
  WriteLine8(Num(StreamRefIndex) + " 0 obj");
  WriteLine8("<< /Length " + Ref(LengthRefIndex) + " >> ");
  WriteLine8("stream");
  const Int64 length = static_cast<Int64>(MemStream.size());
  WriteRaw(MemStream);
  MemStream.clear();
  // The end of line before "endstream" is not part of the content.
  WriteLine8("");
  WriteLine8("endstream");
  WriteLine8("endobj");
  AddRef(LengthRefIndex);
  WriteLine8(Num(LengthRefIndex) + " 0 obj");
  WriteLine8(Num(length));
  WriteLine8("endobj");
  AddRef(ProcRefIndex);
  WriteLine8(Num(ProcRefIndex) + " 0 obj");
  WriteLine8("[ /PDF /Text ] ");
  WriteLine8("endobj");
}

void TRODirezaToPDF::WriteFonts() {
  for (Integer i = 0; i < tblFont.Count(); ++i) {
    const TPDFFont& font = tblFont[i];
    const bool standard = TPDFFonts::IsStandard(font);
    const bool trueType = !standard && font.IsTrueType;
    const Integer object = static_cast<Integer>(StrToIntDef(font.RefIndex, 0));
    AddRef(object);
    WriteLine8(Num(object) + " 0 obj");
    WriteLine8("<< /Type /Font ");
    WriteLine8("/Name /F" + Num(i) + " ");
    WriteLine8("/BaseFont /" + StringToUtf8(font.BaseFont) + " ");
    const std::string encodingName = StringToUtf8(TPDFFonts::EncodingName(font));
    Integer encoding = 0, descriptor = 0;
    if (standard) {
      WriteLine8("/Encoding /" + encodingName + " ");
    } else {
      encoding = GetNextRefIndex();
      WriteLine8("/Encoding " + Ref(encoding));
    }
    if (!trueType) {
      WriteLine8("/Subtype /Type1 >>");
    } else {
      WriteLine8("/Subtype /TrueType ");
      WriteLine8("/FirstChar " + Num(font.FirstChar) + " /LastChar " + Num(font.LastChar) + " ");
      // The widths of the font's own glyphs, so a viewer spaces the text
      // as the embedded or substituted font draws it.
      std::string widths = "/Widths [";
      for (size_t k = 0; k < font.Widths.size(); ++k) widths += (k % 16 == 0 ? "\r\n" : " ") + Num(font.Widths[k]);
      WriteLine8(widths + "]");
      descriptor = GetNextRefIndex();
      WriteLine8("/FontDescriptor " + Ref(descriptor) + " >>");
    }
    if (!standard) {
      WriteLine8("endobj");
      AddRef(encoding);
      WriteLine8(Num(encoding) + " 0 obj");
      WriteLine8("<</Type /Encoding ");
      WriteLine8("/BaseEncoding /" + encodingName + " ");
      const std::string differences = TPDFFonts::Differences(font.CharSet);
      if (!differences.empty()) WriteLine8(differences);
      WriteLine8(">>");
    }
    WriteLine8("endobj");
    if (!trueType) continue;
    Integer fontFile = 0;
    AddRef(descriptor);
    WriteLine8(Num(descriptor) + " 0 obj");
    WriteLine8("<< /Type /FontDescriptor ");
    WriteLine8("/FontName /" + StringToUtf8(font.FontName));
    WriteLine8("/FontBBox [ 0 0 0 0 ] ");
    WriteLine8("/Flags " + Num(font.Flags));
    const double stem = font.Weight / 65.0;
    WriteLine8("/StemV " + Num(std::lround(stem * stem) + 50));
    WriteLine8("/ItalicAngle 0");
    WriteLine8("/CapHeight " + Num(font.CapHeight));
    WriteLine8("/Ascent 1000");
    WriteLine8("/Descent -250");
    WriteLine8("/MaxWidth 1000");
    if (font.IsEmbeddable && font.CharSet != 0) {
      fontFile = GetNextRefIndex();
      WriteLine8("/FontFile2 " + Ref(fontFile));
    }
    WriteLine8(">>");
    WriteLine8("endobj");
    if (fontFile == 0) continue;
    // A font whose file cannot be read gets an empty program.
    const std::string program = TPDFFonts::FontProgram(font);
    const std::string encoded = EncodeString(program, FontDecode, CompressionMethod);
    AddRef(fontFile);
    WriteLine8(Num(fontFile) + " 0 obj");
    const char* filter = FilterName(FontDecode);
    WriteLine8(std::string("<< ") + (filter != nullptr ? std::string("/Filter /") + filter + " " : std::string()));
    WriteLine8("/Length " + Num(static_cast<Int64>(encoded.size())) + " /Length1 " +
               Num(static_cast<Int64>(program.size())));
    WriteLine8(">>");
    WriteLine8("stream");
    WriteRaw(encoded);
    WriteLine8("");
    WriteLine8("endstream");
    WriteLine8("endobj");
  }
}

void TRODirezaToPDF::WriteFileEnd() {
  TRODirezaToCellBufferedFile::WriteFileEnd();
  if (OutputStream == nullptr) return;
  if (FPageOpen) WritePageEnd();
  WriteFonts();

  AddRef(2);
  WriteLine8("2 0 obj");
  WriteLine8("<< /Creator (RODireza export components)");
  WriteLine8("/CreationDate (D:" + StringToUtf8(FormatDateTime(u"yyyymmddhhnnss", Now())) + ")");
  AnsiBytes(KeyGenerator, false, FLine);
  WriteLine8("/Title (" + EscapeText(FLine) + ")");
  WriteLine8("/Author (RODireza)");
  WriteLine8("/Producer (RODireza export components, www.rodireza.example)");
  WriteLine8("/Keywords ()");
  WriteLine8("/Subject () >>");
  WriteLine8("endobj");

  AddRef(3);
  WriteLine8("3 0 obj");
  std::string kids = "<< /Type /Pages ";
  WriteLine8(kids);
  kids = "/Kids [ ";
  for (const TPageNode& node : lstPages) kids += Ref(node.Ref) + " ";
  WriteLine8(kids + " ] ");
  WriteLine8("/Count " + Num(intTotalPages) + " >> ");
  WriteLine8("endobj");
  for (const TPageNode& node : lstPages) {
    AddRef(node.Ref);
    WriteLine8(Num(node.Ref) + " 0 obj");
    WriteLine8("<< /Type /Pages ");
    WriteLine8("/Kids [" + node.Kids + " ] ");
    WriteLine8("/Count " + Num(node.Count) + " ");
    WriteLine8("/Parent 3 0 R >> ");
    WriteLine8("endobj");
  }

  std::sort(CrossRef.begin(), CrossRef.end());
  const Int64 xref = FilePos;
  WriteLine8("xref");
  WriteLine8("0 " + Num(static_cast<Int64>(CrossRef.size()) + 1));
  // Every entry is 20 bytes with its end of line.
  WriteLine8("0000000000 65535 f");
  char entry[32];
  for (const auto& [object, offset] : CrossRef) {
    std::snprintf(entry, sizeof entry, "%010lld 00000 n", static_cast<long long>(offset));
    WriteLine8(entry);
  }
  WriteLine8("trailer");
  WriteLine8("<< /Root 1 0 R ");
  WriteLine8("/Info 2 0 R ");
  WriteLine8("/Size " + Num(static_cast<Int64>(CrossRef.size()) + 1) + " >> ");
  WriteLine8("startxref");
  WriteLine8(Num(xref));
  WriteLine8("%%EOF");
  tblFont.Clear();
  FLastFontIndex = -1;
  CrossRef.clear();
  lstPages.clear();
}

// ---------------------------------------------------------------------------
// Rows and cells

void TRODirezaToPDF::WriteRowStart() {
  TRODirezaToCellBufferedFile::WriteRowStart();
  intCurRowHeight = RowHeight;
}

void TRODirezaToPDF::WriteRowEnd() {
  const bool reversedDone = Layout == elReversedColumnar && Statistic.CurrentRow >= Columns.Count();
  if (FPageOpen && HasOption(Options, soRowLines) && !reversedDone)
    WriteRect(10, PageHeight - intCurYPos - 5, PageWidth - 20, 1, clBlack, clSilver);
  intCurYPos += intCurRowHeight;
  if (FPageOpen && intCurYPos >= PageHeight) {
    WritePageEnd();
    WritePageBegin();
  }
  TRODirezaToCellBufferedFile::WriteRowEnd();
}

void TRODirezaToPDF::WriteRect(Integer left, Integer top, Integer width, Integer height, TColor foreColor,
                               TColor backColor) {
  const bool fill = PlainColor(foreColor) != clBlack, stroke = PlainColor(backColor) != clWhite;
  std::string& out = MemStream;
  if (fill) out += PDFColor(foreColor, false);
  if (stroke) out += PDFColor(backColor, true);
  AppendNum(out, left);
  AppendNum(out, top);
  AppendNum(out, width - 1);
  AppendNum(out, height - 1);
  out += "re\r\nB\r\n";
  if (stroke) out += "1.000 1.000 1.000 RG\r\n";
  if (fill) out += "0.000 0.000 0.000 rg\r\n";
}

void TRODirezaToPDF::WriteMergeData(TCellType cellType, Integer row, Integer column, Integer count, const String& text,
                                    TAlignment alignment, const TFont* font, TColor color) {
  intLastMergeCol = count >= 2 ? count : -1;
  TRODirezaToCellBufferedFile::WriteMergeData(cellType, row, column, count, text, alignment, font, color);
}

void TRODirezaToPDF::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                               TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCellBufferedFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  DrawCell(cellType, row, column, text, font, color);
}

void TRODirezaToPDF::WriteCell(const TCellValue& cell, Integer row, Integer column, TAlignment, const TFont* font,
                               TColor color) {
  Statistic.CurrentCol = column;
  DrawCell(cell.CellType, row, column, CellText(cell), font, color);
}

void TRODirezaToPDF::DrawCell(TCellType cellType, Integer row, Integer column, StringView text, const TFont* font,
                              TColor color) {
  if (!FPageOpen) return;
  const Integer slots = static_cast<Integer>(arrColWidths.size());
  const Integer left = column >= 0 && column < slots ? arrColWidths[static_cast<size_t>(column)] : 10;
  const Integer span = intLastMergeCol >= 2 ? intLastMergeCol : 1;
  const Integer next = column + span;
  const bool last = column + span - 1 >= LastExportColumnCount() - 1 || next >= slots;
  const Integer right = last ? PageWidth - 10 : arrColWidths[static_cast<size_t>(next)];
  const bool colours = HasOption(Options, soColorsFonts);
  if (colours) WriteRect(left, PageHeight - intCurYPos - 5, right - left + 1, intCurRowHeight, color, color);
  const Integer y = Layout == elReversedColumnar ? row * RowHeight + 10 : intCurYPos;

  // Pictures have no text to show; an empty text draws nothing.
  if (cellType != ctGraphic && cellType != ctBLOB && !text.empty()) {
    const TFont& cellFont = font != nullptr ? *font : *fontUser;
    std::string& out = MemStream;
    out += "BT\r\n";
    const bool coloured = colours && PlainColor(cellFont.Color) != clBlack;
    if (coloured) out += PDFColor(cellFont.Color, false);
    // Cells share a few fonts: the last one found is asked first.
    if (FLastFontIndex < 0 || !(cellFont == FLastFont)) {
      FLastFontIndex = tblFont.FontFromTable(cellFont, [this] { return IntToStr(GetNextRefIndex()); });
      FLastFont = cellFont;
    }
    out += "/F";
    AppendNum(out, FLastFontIndex);
    AppendNum(out, cellFont.Size);
    out += "Tf\r\n";
    AppendNum(out, cellFont.Size + 2);
    out += "TL\r\n";
    AppendNum(out, left + 1);
    AppendNum(out, PageHeight - y);
    out += "Td (";
    AnsiBytes(text, IsByteCharacterSet(), FLine);
    AppendEscaped(out, FLine);
    out += ") Tj \r\n";
    if (coloured) out += "0.000 0.000 0.000 rg\r\n";
    out += "ET\r\n";
  }
  if (HasOption(Options, soColLines)) {
    if (intLastMergeCol < 2)
      WriteRect(left, PageHeight - y - 4, 1, intCurRowHeight + 1, clSilver, clSilver);
    else
      intLastMergeCol = -1;
  }
}
