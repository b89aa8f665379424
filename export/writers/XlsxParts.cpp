#include "export/writers/XlsxParts.h"

#include <cstdio>

#include "export/ExportText.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr const char* kMain = XlsxMainNamespace;
constexpr const char* kRelationships = XlsxRelationshipsNamespace;
constexpr char kDrawingMain[] = "http://schemas.openxmlformats.org/drawingml/2006/main";

// "FFRRGGBB" of a colour.
std::string Argb(TColor color) {
  char text[9];
  std::snprintf(text, sizeof text, "FF%06X", static_cast<unsigned>(TRODirezaToCustomXLS::ColorToRGB(color)));
  return text;
}

}  // namespace

void XlsxPageMargins(TXmlStreamWriter& xml) {
  xml.Start("pageMargins")
      .Attr("left", "0.7")
      .Attr("right", "0.7")
      .Attr("top", "0.75")
      .Attr("bottom", "0.75")
      .Attr("header", "0.3")
      .Attr("footer", "0.3")
      .End();
}

std::string RenderXml(const std::function<void(TXmlStreamWriter&)>& write) {
  TMemoryStream stream;
  TXmlStreamWriter xml(&stream, XmlEscapesSpreadsheet);
  xml.Declaration();
  write(xml);
  xml.Flush();
  return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

std::string XlsxColumnName(Integer column) {
  std::string name;
  for (Int64 n = static_cast<Int64>(column) + 1; n > 0; n = (n - 1) / 26)
    name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
  return name;
}

void TXlsxRelationshipsPart::Write(TXmlStreamWriter& xml) const {
  xml.Start("Relationships").Attr("xmlns", "http://schemas.openxmlformats.org/package/2006/relationships");
  for (const Item& item : Items)
    xml.Start("Relationship").Attr("Id", item.Id).Attr("Type", item.Type).Attr("Target", item.Target).End();
  xml.End();
}

void TXlsxContentTypesPart::Write(TXmlStreamWriter& xml) const {
  xml.Start("Types").Attr("xmlns", "http://schemas.openxmlformats.org/package/2006/content-types");
  const auto byDefault = [&](const char* extension, const char* type) {
    xml.Start("Default").Attr("Extension", extension).Attr("ContentType", type).End();
  };
  byDefault("bmp", "image/bmp");
  byDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
  byDefault("xml", "application/xml");
  const auto part = [&](const char* name, const char* type) {
    xml.Start("Override").Attr("PartName", name).Attr("ContentType", type).End();
  };
  constexpr char kSheet[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
  part("/xl/theme/theme1.xml", "application/vnd.openxmlformats-officedocument.theme+xml");
  part("/xl/styles.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml");
  part("/xl/workbook.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
  part("/docProps/app.xml", "application/vnd.openxmlformats-officedocument.extended-properties+xml");
  part("/xl/worksheets/sheet2.xml", kSheet);
  part("/xl/worksheets/sheet3.xml", kSheet);
  part("/xl/worksheets/sheet1.xml", kSheet);
  part("/xl/sharedStrings.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml");
  part("/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml");
  if (HasDrawing) part("/xl/drawing/drawing1.xml", "application/vnd.openxmlformats-officedocument.drawing+xml");
  xml.End();
}

void TXlsxAppPart::Write(TXmlStreamWriter& xml) const {
  xml.Start("Properties")
      .Attr("xmlns", "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties")
      .Attr("xmlns:vt", "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes");
  xml.Element("Application", u"Microsoft Excel");
  xml.Element("DocSecurity", u"0");
  xml.Element("ScaleCrop", u"false");
  xml.Start("HeadingPairs").Start("vt:vector").Attr("size", 2).Attr("baseType", "variant");
  xml.Start("vt:variant").Element("vt:lpstr", u"Worksheets").End();
  xml.Start("vt:variant").Element("vt:i4", u"3").End();
  xml.End().End();
  xml.Start("TitlesOfParts").Start("vt:vector").Attr("size", 3).Attr("baseType", "lpstr");
  for (const char16_t* title : {u"Sheet1", u"Sheet2", u"Sheet3"}) xml.Element("vt:lpstr", title);
  xml.End().End();
  xml.Element("Company", Company);
  xml.Element("LinksUpToDate", u"false");
  xml.Element("SharedDoc", u"false");
  xml.Element("HyperlinksChanged", u"false");
  xml.Element("AppVersion", u"12.0000");
  xml.End();
}

void TXlsxCorePart::Write(TXmlStreamWriter& xml) const {
  xml.Start("cp:coreProperties")
      .Attr("xmlns:cp", "http://schemas.openxmlformats.org/package/2006/metadata/core-properties")
      .Attr("xmlns:dc", "http://purl.org/dc/elements/1.1/")
      .Attr("xmlns:dcterms", "http://purl.org/dc/terms/")
      .Attr("xmlns:dcmitype", "http://purl.org/dc/dcmitype/")
      .Attr("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
  xml.Element("dc:creator", Creator);
  xml.Element("cp:lastModifiedBy", Creator);
  const String stamp = GetXMLDateTime(CreatedUtc);
  for (const char* name : {"dcterms:created", "dcterms:modified"})
    xml.Start(name).Attr("xsi:type", "dcterms:W3CDTF").Text(stamp).End();
  xml.End();
}

void TXlsxWorkbookPart::Write(TXmlStreamWriter& xml) const {
  xml.Start("workbook").Attr("xmlns", kMain).Attr("xmlns:r", kRelationships);
  xml.Start("fileVersion")
      .Attr("appName", "xl")
      .Attr("lastEdited", 4)
      .Attr("lowestEdited", 4)
      .Attr("rupBuild", 4505)
      .End();
  xml.Start("workbookPr").Attr("defaultThemeVersion", 124226).End();
  xml.Start("bookViews")
      .Start("workbookView")
      .Attr("xWindow", 120)
      .Attr("yWindow", 45)
      .Attr("windowWidth", 15135)
      .Attr("windowHeight", 8130)
      .End()
      .End();
  xml.Start("sheets");
  for (int n = 1; n <= 3; ++n)
    xml.Start("sheet")
        .Attr("name", "Sheet" + std::to_string(n))
        .Attr("sheetId", n)
        .Attr("r:id", "rId" + std::to_string(n))
        .End();
  xml.End();
  xml.Start("calcPr").Attr("calcId", 124519).End();
  xml.End();
}

void TXlsxThemePart::Write(TXmlStreamWriter& xml) const {
  xml.Start("a:theme").Attr("xmlns:a", kDrawingMain).Attr("name", u"\u0422\u0435\u043C\u0430 Office");
  xml.Start("a:themeElements");
  xml.Start("a:clrScheme").Attr("name", u"\u0421\u0442\u0430\u043D\u0434\u0430\u0440\u0442\u043D\u0430\u044F");
  xml.Start("a:dk1").Start("a:sysClr").Attr("val", "windowText").Attr("lastClr", "000000").End().End();
  xml.Start("a:lt1").Start("a:sysClr").Attr("val", "window").Attr("lastClr", "FFFFFF").End().End();
  const std::pair<const char*, const char*> colors[] = {
      {"a:dk2", "1F497D"},     {"a:lt2", "EEECE1"},     {"a:accent1", "4F81BD"}, {"a:accent2", "C0504D"},
      {"a:accent3", "9BBB59"}, {"a:accent4", "8064A2"}, {"a:accent5", "4BACC6"}, {"a:accent6", "F79646"},
      {"a:hlink", "0000FF"},   {"a:folHlink", "800080"}};
  for (const auto& [name, rgb] : colors) xml.Start(name).Start("a:srgbClr").Attr("val", rgb).End().End();
  xml.End();
  xml.Start("a:fontScheme").Attr("name", "Office");
  for (const auto& [name, face] : {std::pair{"a:majorFont", "Cambria"}, std::pair{"a:minorFont", "Calibri"}}) {
    xml.Start(name);
    xml.Start("a:latin").Attr("typeface", face).End();
    xml.Start("a:ea").Attr("typeface", "").End();
    xml.Start("a:cs").Attr("typeface", "").End();
    xml.End();
  }
  xml.End();
  // The format scheme: three fills, lines, effects and background fills,
  // each painted in the placeholder colour.
  const auto phFill = [&] { xml.Start("a:solidFill").Start("a:schemeClr").Attr("val", "phClr").End().End(); };
  xml.Start("a:fmtScheme").Attr("name", "Office");
  xml.Start("a:fillStyleLst");
  for (int i = 0; i < 3; ++i) phFill();
  xml.End();
  xml.Start("a:lnStyleLst");
  for (int width : {9525, 25400, 38100}) {
    xml.Start("a:ln").Attr("w", width).Attr("cap", "flat").Attr("cmpd", "sng").Attr("algn", "ctr");
    phFill();
    xml.Start("a:prstDash").Attr("val", "solid").End();
    xml.End();
  }
  xml.End();
  xml.Start("a:effectStyleLst");
  for (int i = 0; i < 3; ++i) xml.Start("a:effectStyle").Start("a:effectLst").End().End();
  xml.End();
  xml.Start("a:bgFillStyleLst");
  for (int i = 0; i < 3; ++i) phFill();
  xml.End();
  xml.End();  // fmtScheme
  xml.End();  // themeElements
  xml.Start("a:objectDefaults").End();
  xml.Start("a:extraClrSchemeLst").End();
  xml.End();
}

void TXlsxEmptySheetPart::Write(TXmlStreamWriter& xml) const {
  xml.Start("worksheet").Attr("xmlns", kMain).Attr("xmlns:r", kRelationships);
  xml.Start("dimension").Attr("ref", "A1").End();
  xml.Start("sheetViews").Start("sheetView").Attr("workbookViewId", 0).End().End();
  xml.Start("sheetFormatPr").Attr("defaultRowHeight", 15).End();
  xml.Start("sheetData").End();
  XlsxPageMargins(xml);
  xml.End();
}

void TXlsxStylesPart::Write(TXmlStreamWriter& xml) const {
  xml.Start("styleSheet").Attr("xmlns", kMain);

  String accounting = u"_-* #,##0.00\"$\"_-;\\-* #,##0.00\"$\"_-;_-* \"-\"??\"$\"_-;_-@_-";
  String plain = u"#,##0.00\"$\"";
  if (!CurrencyString.empty() && CurrencyString != u"$") {
    const String symbol = u"\\ [$" + CurrencyString + u"]";
    accounting = ReplaceTags(accounting, u"\"$\"", symbol);
    plain = ReplaceTags(plain, u"\"$\"", symbol);
  }
  xml.Start("numFmts").Attr("count", 2);
  xml.Start("numFmt").Attr("numFmtId", 44).Attr("formatCode", accounting).End();
  xml.Start("numFmt").Attr("numFmtId", 164).Attr("formatCode", plain).End();
  xml.End();

  const bool fonts = Fonts != nullptr && !Fonts->empty();
  xml.Start("fonts").Attr("count", fonts ? static_cast<Int64>(Fonts->size()) : Int64{1});
  if (fonts) {
    for (const TFont& font : *Fonts) {
      xml.Start("font");
      if (font.Style & FontStyleBit(fsBold)) xml.Start("b").End();
      if (font.Style & FontStyleBit(fsItalic)) xml.Start("i").End();
      if (font.Style & FontStyleBit(fsUnderline)) xml.Start("u").End();
      if (font.Style & FontStyleBit(fsStrikeOut)) xml.Start("strike").End();
      xml.Start("sz").Attr("val", font.Size).End();
      xml.Start("name").Attr("val", font.Name).End();
      xml.Start("charset").Attr("val", font.Charset).End();
      xml.Start("color").Attr("rgb", Argb(font.Color)).End();
      // The theme's minor font stands in for a font that names the scheme,
      // so only the scheme's own font says so.
      if (font.Name == u"Calibri") xml.Start("scheme").Attr("val", "minor").End();
      xml.End();
    }
  } else {
    xml.Start("font");
    xml.Start("sz").Attr("val", 11).End();
    xml.Start("color").Attr("theme", 1).End();
    xml.Start("name").Attr("val", "Calibri").End();
    xml.Start("family").Attr("val", 2).End();
    xml.Start("scheme").Attr("val", "minor").End();
    xml.End();
  }
  xml.End();

  // Fills: the two every sheet has, then one solid fill per coloured entry.
  std::vector<TColor> solid;
  std::vector<Integer> fillOf;
  if (Formats != nullptr)
    for (const TXLSFormat& format : *Formats) {
      if (TRODirezaToCustomXLS::ColorToRGB(format.FColor) == 0xFFFFFF) {
        fillOf.push_back(0);
      } else {
        solid.push_back(format.FColor);
        fillOf.push_back(static_cast<Integer>(solid.size()) + 1);
      }
    }
  xml.Start("fills").Attr("count", static_cast<Int64>(2 + solid.size()));
  xml.Start("fill").Start("patternFill").Attr("patternType", "none").End().End();
  xml.Start("fill").Start("patternFill").Attr("patternType", "gray125").End().End();
  for (TColor color : solid) {
    xml.Start("fill").Start("patternFill").Attr("patternType", "solid");
    xml.Start("fgColor").Attr("rgb", Argb(color)).End();
    xml.Start("bgColor").Attr("indexed", 64).End();
    xml.End().End();
  }
  xml.End();

  xml.Start("borders").Attr("count", 1).Start("border");
  for (const char* side : {"left", "right", "top", "bottom", "diagonal"}) xml.Start(side).End();
  xml.End().End();
  xml.Start("cellStyleXfs").Attr("count", 1);
  xml.Start("xf").Attr("numFmtId", 0).Attr("fontId", 0).Attr("fillId", 0).Attr("borderId", 0).End();
  xml.End();

  if (Formats != nullptr && !Formats->empty()) {
    const Integer fontCount = fonts ? static_cast<Integer>(Fonts->size()) : 1;
    xml.Start("cellXfs").Attr("count", static_cast<Int64>(Formats->size()));
    for (size_t i = 0; i < Formats->size(); ++i) {
      const TXLSFormat& format = (*Formats)[i];
      // An entry whose font did not fit the table takes the default font.
      const Integer font = format.FFontIndex >= 0 && format.FFontIndex < fontCount ? format.FFontIndex : 0;
      xml.Start("xf")
          .Attr("numFmtId", std::max<Integer>(format.FNumFormat, 0))
          .Attr("fontId", font)
          .Attr("fillId", fillOf[i])
          .Attr("borderId", 0)
          .Attr("xfId", 0)
          .Attr("applyNumberFormat", 1);
      if (font >= 1) xml.Attr("applyFont", 1);
      if (fillOf[i] > 0) xml.Attr("applyFill", 1);
      if (format.FAlignment != taLeftJustify || format.FWrapText) {
        xml.Attr("applyAlignment", 1).Start("alignment");
        xml.Attr("horizontal", format.FAlignment == taRightJustify ? "right"
                               : format.FAlignment == taCenter     ? "center"
                                                                   : "left");
        if (format.FWrapText) xml.Attr("wrapText", 1);
        xml.End();
      }
      xml.End();
    }
    xml.End();
  } else {
    constexpr int kFixed[] = {0, 14, 44, 164, 2, 22, 20, 1};
    xml.Start("cellXfs").Attr("count", 8);
    for (int numFmt : kFixed) {
      xml.Start("xf").Attr("numFmtId", numFmt).Attr("fontId", 0).Attr("fillId", 0).Attr("borderId", 0).Attr("xfId", 0);
      if (numFmt != 0) xml.Attr("applyNumberFormat", 1);
      xml.End();
    }
    xml.End();
  }

  xml.Start("cellStyles").Attr("count", 1);
  xml.Start("cellStyle").Attr("name", "Normal").Attr("xfId", 0).Attr("builtinId", 0).End();
  xml.End();
  xml.Start("dxfs").Attr("count", 0).End();
  xml.Start("tableStyles")
      .Attr("count", 0)
      .Attr("defaultTableStyle", "TableStyleMedium9")
      .Attr("defaultPivotStyle", "PivotStyleLight16")
      .End();
  xml.End();
}

void TXlsxDrawingPart::Write(TXmlStreamWriter& xml) const {
  xml.Start("xdr:wsDr")
      .Attr("xmlns:xdr", "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing")
      .Attr("xmlns:a", kDrawingMain);
  xml.NewLine();
  Integer n = 0;
  for (const TXlsxPicture& picture : *Pictures) {
    ++n;
    const std::string file = "image" + std::to_string(n) + ".bmp";
    xml.Start("xdr:oneCellAnchor");
    xml.Start("xdr:from");
    xml.Element("xdr:col", StrFromAscii(std::to_string(picture.Column)));
    xml.Element("xdr:colOff", u"0");
    xml.Element("xdr:row", StrFromAscii(std::to_string(picture.Row)));
    xml.Element("xdr:rowOff", u"0");
    xml.End();
    xml.Start("xdr:ext")
        .Attr("cx", static_cast<Int64>(picture.Width) * 9525)
        .Attr("cy", static_cast<Int64>(picture.Height) * 9525)
        .End();
    xml.Start("xdr:pic");
    xml.Start("xdr:nvPicPr");
    xml.Start("xdr:cNvPr").Attr("id", n).Attr("name", "image" + std::to_string(n)).Attr("descr", file).End();
    xml.Start("xdr:cNvPicPr").Start("a:picLocks").Attr("noChangeAspect", 1).End().End();
    xml.End();
    xml.Start("xdr:blipFill");
    xml.Start("a:blip")
        .Attr("xmlns:r", kRelationships)
        .Attr("r:embed", "rId" + std::to_string(n))
        .Attr("cstate", "print")
        .End();
    xml.Start("a:srcRect").End();
    xml.Start("a:stretch").Start("a:fillRect").End().End();
    xml.End();
    xml.Start("xdr:spPr");
    xml.Start("a:xfrm");
    xml.Start("a:off").Attr("x", 0).Attr("y", 0).End();
    xml.Start("a:ext")
        .Attr("cx", static_cast<Int64>(picture.Width) * 9525)
        .Attr("cy", static_cast<Int64>(picture.Height) * 9525)
        .End();
    xml.End();
    xml.Start("a:prstGeom").Attr("prst", "rect").Start("a:avLst").End().End();
    xml.End();
    xml.End();  // pic
    xml.Start("xdr:clientData").End();
    xml.End();  // anchor
    xml.NewLine();
  }
  xml.End();
}
