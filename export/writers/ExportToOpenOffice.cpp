#include "export/writers/ExportToOpenOffice.h"

#include "platform/rtl/Streams.h"
#include "platform/win/OfficeAutomation.h"

namespace {

constexpr Integer ParagraphBreak = 0;
constexpr Integer BoldWeight = 200;

constexpr const char16_t* FilterNames[] = {
    u"AportisDoc Palm DB", u"BMP - MS Windows", u"CGM - Computer Graphics Metafile", u"DIF",
    u"DXF - AutoCAD Interchange", u"DocBook File", u"EMF - MS Windows Metafile", u"EPS - Encapsulated PostScript",
    u"Flat XML File", u"GIF - Graphics Interchange", u"HTML", u"HTML (StarCalc)", u"HTML (StarWriter)",
    u"JPG - JPEG", u"Lotus", u"MS Excel 4.0", u"MS Excel 5.0/95", u"MS Excel 95", u"MS Excel 97",
    u"MS PowerPoint 97", u"MS WinWord 6.0", u"MS Word 95", u"MS Word 97", u"MathML XML (Math)",
    u"MathType 3.x", u"Microsoft Word 2003 XML", u"PBM - Portable Bitmap", u"PCT - Mac Pict",
    u"PCX - Zsoft Paintbrush", u"PGM - Portable Graymap", u"PNG - Portable Network Graphic",
    u"PPM - Portable Pixelmap", u"PSD - Adobe Photoshop", u"RAS - Sun Rasterfile", u"Rich Text Format",
    u"Rich Text Format (StarCalc)", u"SGF - StarOffice Writer SGF", u"SGV - StarDraw 2.0",
    u"SVM - StarView Metafile", u"SYLK", u"StarCalc 1.0", u"StarCalc 3.0", u"StarCalc 4.0", u"StarCalc 5.0",
    u"StarDraw 3.0", u"StarDraw 3.0 (StarImpress)", u"StarDraw 5.0", u"StarDraw 5.0 (StarImpress)",
    u"StarImpress 4.0", u"StarImpress 5.0", u"StarImpress 5.0 (packed)", u"StarMath 2.0", u"StarMath 3.0",
    u"StarMath 4.0", u"StarMath 5.0", u"StarOffice XML (Calc)", u"StarOffice XML (Chart)",
    u"StarOffice XML (Draw)", u"StarOffice XML (Impress)", u"StarOffice XML (Math)", u"StarOffice XML (Writer)",
    u"StarWriter 1.0", u"StarWriter 2.0", u"StarWriter 3.0", u"StarWriter 4.0", u"StarWriter 5.0",
    u"StarWriter DOS", u"TGA - Truevision TARGA", u"TIF - Tag Image File", u"Text", u"Text (StarWriter/Web)",
    u"Text (encoded)", u"Text - txt - csv (StarCalc)", u"WMF - MS Windows Metafile", u"XBM - X-Consortium",
    u"XHTML File", u"XPM", u"bmp_Export", u"calc_HTML_WebQuery", u"calc_pdf_Export", u"dBase", u"emf_Export",
    u"eps_Export", u"gif_Export", u"impress_StarOffice_XML_Draw", u"impress_flash_Export", u"impress_gif_Export",
    u"impress_html_Export", u"impress_pdf_Export", u"impress_svg_Export", u"jpg_Export", u"math_pdf_Export",
    u"writer_StarOffice_XML_Writer_Template", u"writer_pdf_Export", u"writer_web_HTML_help",
    u"writer_web_StarOffice_XML_Writer", u"writer_web_pdf_Export", u"xpm_Export"};

}  // namespace

TRODirezaToOpenOffice::TRODirezaToOpenOffice(TComponent* owner) : TRODirezaToCellFile(owner) {
  SetTableType(teOpenOffice);
}

TRODirezaToOpenOffice::~TRODirezaToOpenOffice() = default;

void TRODirezaToOpenOffice::Assign(const TComponent* source) {
  TRODirezaToCellFile::Assign(source);
  if (const auto* other = dynamic_cast<const TRODirezaToOpenOffice*>(source)) {
    FilterName = other->FilterName;
    UseCurrentInstance = other->UseCurrentInstance;
  }
}

void TRODirezaToOpenOffice::GetFilterNames(std::vector<String>& list) {
  list.assign(std::begin(FilterNames), std::end(FilterNames));
}

Variant TRODirezaToOpenOffice::OneProperty(const String& name, const Variant& value) {
  Variant property = OleCall(StarOffice, u"Bridge_GetStruct", {u"com.sun.star.beans.PropertyValue"});
  OlePut(property, u"Name", name);
  OlePut(property, u"Value", value);
  return Variant::ArrayOf({property});
}

Variant TRODirezaToOpenOffice::EndCursor(const Variant& text) {
  Variant cursor = OleCall(text, u"CreateTextCursor");
  OleCall(cursor, u"GotoEnd", {false});
  return cursor;
}

void TRODirezaToOpenOffice::InternalFileCreate(const String& fileName) {
  if (StarOffice.IsEmpty()) StarOffice = StartOfficeApplication(OpenOfficeProgID, UseCurrentInstance, IsNewestCom);
  String name = fileName;
  if (OnGetFileName) OnGetFileName(this, 0, name);
  StarDesktop = OleCall(StarOffice, u"CreateInstance", {u"com.sun.star.frame.Desktop"});
  if (HasOption(Options, soMergeData) && FileExists(name)) {
    // The file is read back with the filter it is stored with.
    Document = OleCall(StarDesktop, u"LoadComponentFromURL",
                       {FileNameToURL(name), u"_blank", 0, OneProperty(u"FilterName", FilterName)});
  } else {
    Document = OleCall(StarDesktop, u"LoadComponentFromURL",
                       {u"private:factory/swriter", u"_blank", 0, Variant::ArrayOf({})});
  }
  Variant window = OleGet(OleGet(OleGet(Document, u"GetCurrentController"), u"GetFrame"), u"GetContainerWindow");
  OleCall(window, u"SetVisible", {false});
  strLastFileName = name;
}

void TRODirezaToOpenOffice::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaToCellFile::WriteDimensions(rowCount, colCount);
  FShape.SetDimensions(rowCount, colCount);
}

void TRODirezaToOpenOffice::WriteColWidth(Integer column, Integer width) { FShape.SetColWidth(column, width); }

void TRODirezaToOpenOffice::WriteDataBegin() {
  TRODirezaToCellFile::WriteDataBegin();
  if (Document.IsEmpty() || !FShape.WantsTable(Layout)) return;
  intTotalMergedCols = 0;
  Table = OleCall(Document, u"CreateInstance", {u"com.sun.star.text.TextTable"});
  OleCall(Table, u"Initialize", {FShape.RowCount, FShape.TableColumns()});
  Variant text = OleGet(Document, u"GetText");
  OleCall(text, u"InsertTextContent", {EndCursor(text), Table, false});
}

void TRODirezaToOpenOffice::ApplyFont(const Variant& cursor, const TFont& font) {
  if (font.Style & FontStyleBit(fsBold)) OlePut(cursor, u"CharWeight", BoldWeight);
  if (font.Style & FontStyleBit(fsUnderline)) OlePut(cursor, u"CharUnderline", true);
  OlePut(cursor, u"CharColor", OfficeRGB(font.Color));
  OlePut(cursor, u"CharFontName", font.Name);
  OlePut(cursor, u"CharHeight", font.Size);
}

void TRODirezaToOpenOffice::WriteData(TField* field, TCellType cellType, Integer row, Integer column,
                                      const String& text, TAlignment alignment, const TFont* font, TColor color) {
  if (column > TOfficeTableShape::MaxColumns - 1) return;
  TRODirezaToCellFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  if (Document.IsEmpty()) return;
  const bool colorsFonts = HasOption(Options, soColorsFonts) && font != nullptr;
  if (!IsDataArea || Table.IsEmpty()) {
    Variant documentText = OleGet(Document, u"GetText");
    Variant cursor = EndCursor(documentText);
    if (colorsFonts) ApplyFont(cursor, *font);
    OleCall(documentText, u"InsertString", {cursor, text, false});
    OleCall(documentText, u"InsertControlCharacter", {cursor, ParagraphBreak, false});
    return;
  }
  // Nothing past the table's last column, nor outside its rows.
  const Integer tableRow = row - static_cast<Integer>(Header.size());
  if (text.empty() || column >= FShape.TableColumns() || tableRow < 0 || tableRow >= FShape.RowCount) return;
  Variant cell = OleCall(Table, u"GetCellByPosition", {column, tableRow});
  Variant cursor = OleCall(cell, u"CreateTextCursor");
  if (colorsFonts) {
    ApplyFont(cursor, *font);
    OlePut(cell, u"BackColor", OfficeRGB(color));
  }
  if (IsPictureCell(field, cellType)) {
    const String picture = SavePictureFile(field, text);
    if (picture.empty()) return;
    Variant graphic = OleCall(Document, u"CreateInstance", {u"com.sun.star.text.GraphicObject"});
    OlePut(graphic, u"GraphicURL", FileNameToURL(picture));
    OleCall(cell, u"InsertTextContent", {cursor, graphic, false});
    // The document holds the picture now; its file is not needed any more.
    DeleteFile(picture);
    return;
  }
  OleCall(cell, u"InsertString", {cursor, text, false});
}

void TRODirezaToOpenOffice::CloseFileStream() {
  TRODirezaToCellFile::CloseFileStream();
  Table.Clear();
  if (StarOffice.IsEmpty()) return;
  CloseOfficeFile(
      [&] {
        if (Document.IsEmpty()) return;
        OleCall(Document, u"StoreToURL", {FileNameToURL(strLastFileName), OneProperty(u"FilterName", FilterName)});
        Variant closing = Document;
        Document.Clear();
        OleCall(closing, u"Close", {true});
      },
      IsNewestCom, [&] {
        if (!StarDesktop.IsEmpty()) OleCall(StarDesktop, u"Terminate");
      });
  Document.Clear();
  StarDesktop.Clear();
  StarOffice.Clear();
}
