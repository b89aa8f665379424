// The fonts of a PDF export: each cell font mapped to a standard PDF font
// name and character set, with what a font object needs of the font's file
// (its widths, cap height and program), found through fontconfig and read
// with FreeType.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "export/ExportGraphics.h"

struct TPDFFont {
  String RefIndex;  // object number of the font object
  String BaseFont;
  String FontName;  // the full name: base font and character-set ending
  String Name;      // the source font's name
  Byte CharSet = 0;
  TFontStyles Style = 0;
  bool IsTrueType = false;
  bool IsEmbeddable = false;
  Integer Flags = 32;
  // From the font's file: the file, the first and last character and the
  // width of each (in 1/1000 of the size), the cap height.
  String FileName;
  Integer FirstChar = 32, LastChar = 255;
  std::vector<Integer> Widths;
  Integer CapHeight = 700;
  Integer Weight = 400;
};

class TPDFFonts {
 public:
  // The font file for a cell font; fontconfig's best match unless a caller
  // (a test) sets its own. Empty when none is found.
  static std::function<String(const TFont& font)> FontFileLocator;

  // The character set a font's is written in: the default set (1) becomes
  // the one of the ANSI code page.
  static Byte CharSetOf(const TFont& font);
  // The standard PDF name for a font: "Helvetica-BoldOblique", "Times-Roman", ...
  static String FontFamily(const TFont& font, Byte charSet);
  // The base name with its character set's ending ("-EastEurope", ...).
  static String GetFontName(const String& baseFont, Byte charSet);
  // One of the fonts every PDF viewer has, in its own encoding.
  static bool IsStandard(const TPDFFont& font);
  static String EncodingName(const TPDFFont& font);
  // "/Differences [...]" of a character set against WinAnsiEncoding, empty
  // for a set without differences.
  static std::string Differences(Byte charSet);

  // The entry for a cell font: an existing one of the same base font and
  // character set, or a new one with the object number `nextRef` gives.
  // Returns its position.
  Integer FontFromTable(const TFont& font, const std::function<String()>& nextRef);
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  const TPDFFont& operator[](Integer index) const { return *FItems[static_cast<size_t>(index)]; }
  void Clear() { FItems.clear(); }

  // The bytes of a font's file; empty when it cannot be read.
  static std::string FontProgram(const TPDFFont& font);

 private:
  std::vector<std::unique_ptr<TPDFFont>> FItems;
};
