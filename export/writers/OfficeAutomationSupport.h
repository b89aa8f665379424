// What the three writers that drive an office application share: starting
// or attaching to the application, pictures handed over as files, the
// table dimensions of the document writers and their column cut, and the
// end of a file that closes only what the writer opened.
#pragma once

#include <algorithm>
#include <functional>
#include <vector>

#include "export/ExportGraphics.h"
#include "export/ExportTypes.h"
#include "platform/win/Automation.h"

class TField;

// The application: the running one when asked to use it (started is then
// false), else, or when none runs, a new one (started true). Raises the
// platform's error when the server is not registered.
Variant StartOfficeApplication(const String& progId, bool useCurrentInstance, bool& started);

// Whether a cell holds a picture: a graphic field that is not null, or a
// graphic cell without a field (its text holds the bitmap's bytes).
bool IsPictureCell(TField* field, TCellType cellType);
// Saves the cell's picture as a bitmap file in the temporary folder and
// returns its name; empty when the bytes are no picture we read (the cell
// is then left out). Height, when given, receives the picture's height.
String SavePictureFile(TField* field, const String& text, Integer* height = nullptr);

// Ends a file: closes the document, then quits the application when the
// writer started it, also when closing failed; the first failure is raised
// after both.
void CloseOfficeFile(const std::function<void()>& closeDocument, bool started,
                     const std::function<void()>& quitApplication);

// The table of the Word and OpenOffice writers: the dimensions the base
// declares, the column widths collected, and the cut to what a table holds.
struct TOfficeTableShape {
  static constexpr Integer MaxColumns = 63;  // the dimension's column count is cut to this

  std::vector<Integer> ColWidths;  // per dimension column, widths in points; 0 when not set
  Integer RowCount = 0;
  Integer ColCount = 0;

  void SetDimensions(Integer rows, Integer cols);
  void SetColWidth(Integer column, Integer width);
  // Whether a table is made: rows, and a table of more than one column
  // (the dimension counts one column more) or the tabular form. A single
  // column is written as paragraphs.
  bool WantsTable(TSMELayout layout) const { return RowCount > 0 && (ColCount > 2 || layout == elTabularForm); }
  // The table's columns: one fewer than the cut dimension's.
  Integer TableColumns() const { return std::min(ColCount, MaxColumns) - 1; }
};

// 0x00RRGGBB, the order of the office suite's colours, from a TColor
// (0x00BBGGRR or a system colour).
Integer OfficeRGB(TColor color);
