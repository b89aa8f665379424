// The parts of the XLSX package, one writer per part. Each part writes its
// XML through a TXmlStreamWriter and knows nothing of the ZIP around it; the
// packager (TRODirezaToXLSX) hands each part its stream.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "export/ExportGraphics.h"
#include "export/writers/ExportToCustomXLS.h"
#include "export/writers/XmlStreamWriter.h"

// The bytes of an XML text: the declaration, then what `write` adds.
std::string RenderXml(const std::function<void(TXmlStreamWriter&)>& write);

// A part's bytes.
template <class Part>
std::string RenderXlsxPart(const Part& part) {
  return RenderXml([&](TXmlStreamWriter& xml) { part.Write(xml); });
}

// Relationships of one source part (.rels).
class TXlsxRelationshipsPart {
 public:
  struct Item {
    std::string Id, Type, Target;
  };
  std::vector<Item> Items;
  void Write(TXmlStreamWriter& xml) const;
};

// [Content_Types].xml.
class TXlsxContentTypesPart {
 public:
  bool HasDrawing = false;
  void Write(TXmlStreamWriter& xml) const;
};

// docProps/app.xml: the extended properties.
class TXlsxAppPart {
 public:
  String Company;
  void Write(TXmlStreamWriter& xml) const;
};

// docProps/core.xml: creator and the times of creation and change (UTC).
class TXlsxCorePart {
 public:
  String Creator = u"RODireza suite";
  TDateTime CreatedUtc = 0;
  void Write(TXmlStreamWriter& xml) const;
};

// xl/workbook.xml: three sheets.
class TXlsxWorkbookPart {
 public:
  void Write(TXmlStreamWriter& xml) const;
};

// xl/theme/theme1.xml.
class TXlsxThemePart {
 public:
  void Write(TXmlStreamWriter& xml) const;
};

// xl/worksheets/sheet2.xml and sheet3.xml: empty sheets.
class TXlsxEmptySheetPart {
 public:
  void Write(TXmlStreamWriter& xml) const;
};

// xl/styles.xml: number formats, fonts, fills and the cell formats of the
// run's style entries (or the eight fixed ones without entries).
class TXlsxStylesPart {
 public:
  const std::vector<TFont>* Fonts = nullptr;
  const std::vector<TXLSFormat>* Formats = nullptr;
  String CurrencyString;
  void Write(TXmlStreamWriter& xml) const;
};

// A picture placed at a cell, stored as a BMP file in the package.
struct TXlsxPicture {
  Integer Column = 0, Row = 0;
  Integer Width = 0, Height = 0;  // pixels
  std::string Bmp;               // the BMP file's bytes
};

// xl/drawing/drawing1.xml: one one-cell anchor per picture.
class TXlsxDrawingPart {
 public:
  const std::vector<TXlsxPicture>* Pictures = nullptr;
  void Write(TXmlStreamWriter& xml) const;
};

// The namespaces the workbook parts use.
inline constexpr char XlsxMainNamespace[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr char XlsxRelationshipsNamespace[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// The page margins every worksheet carries.
void XlsxPageMargins(TXmlStreamWriter& xml);

// The column letters of a column counted from 0 (0 is A, 26 is AA).
std::string XlsxColumnName(Integer column);
