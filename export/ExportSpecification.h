// Export specification files (.zaz): the settings of an export component
// under a name, as UTF-16LE INI-style text with a byte-order mark and CR LF
// lines. The reading and writing are operations of TRODirezaBaseComponent
// (ExportSpecification.cpp); this header holds the hooks the GUI and the
// host fill, and the helpers a specification list needs.
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

// A specification that names an unknown target or holds a value outside
// its setting's range; loading it changes nothing.
RTL_DECLARE_EXCEPTION(ESMESpecificationException, Exception)

// What the save dialog shows and, once confirmed, what the user chose.
struct TZAZSaveSpecRequest {
  String Caption;   // also the name label
  String SpecName;  // proposed name in, chosen name out
  String FileLabel;
  String FileName;  // proposed file in, chosen file out
  String Filter;    // for the dialog's file button
};
// Shows the dialog; true when the user confirmed.
using TZAZSaveSpecDialog = std::function<bool(TZAZSaveSpecRequest& request)>;
// Installs the GUI's form; without one, the save dialog is the plain file
// dialog (the name stays the proposed one).
void SetZAZSaveSpecDialog(TZAZSaveSpecDialog dialog);

// The title written as App into each file; empty without a provider.
void SetZAZAppTitleProc(std::function<String()> proc);

// The filter of the specification file dialogs.
String ZAZSpecFilter();

// The text of a specification file: UTF-16 in either byte order or UTF-8
// by its mark, the ANSI code page without one; split into lines at CR LF,
// CR or LF.
std::vector<String> ReadSpecificationLines(std::span<const Byte> bytes);

// A font text: alignment, background colour, font name, character set,
// font colour, size and style, joined by ",".
struct TFont;
String Font2String(Byte alignment, Cardinal color, const TFont& font);
// Reads a font text into the values; a value that is empty or no number
// keeps its current setting, and only values whose ending comma is present
// are read (the style is the rest after the sixth comma).
void String2Font(Byte& alignment, Cardinal& color, TFont& font, StringView text);

// One entry of a specification list: the file and its caption.
struct TSMESpecificationFile {
  String FileName;
  String Caption;
};
// The ".zaz" files of a folder, captioned by their Specification key (the
// file's full name without one), in name order.
std::vector<TSMESpecificationFile> FindSpecifications(const String& folder);
