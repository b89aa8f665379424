#include "tests/export/paradox_read_back.h"

#include "import/readers/Paradox.h"
#include "tests/import/database_fixture.h"

TParadoxReadBack ReadParadoxBack(const std::string& file) {
  TParadoxReadBack out;
  TDBParadox table;
  table.IsIncrementalLoad = false;
  table.SetParseItems(table.ParseItems() | ParseItemBit(ipiBLOB));
  table.LoadFromFile(Utf8ToString(file));
  out.TableName = table.OriginalTableName();
  for (const TParadoxField& f : table.Fields())
    out.Fields.push_back(StringToUtf8(f.FieldName) + ":" + StringToUtf8(TDBParadox::GetStrFieldType(f.FieldType)));
  const Integer columns = static_cast<Integer>(table.Fields().size());
  for (Integer row = 0; row < table.RecordCount(); ++row) {
    std::vector<std::string> cells, exact;
    for (Integer col = 0; col < columns; ++col) {
      const Variant v = table.Sheets[0].Cells.GetValue(col, row);
      cells.push_back(DatabaseCellText(v));
      if (VarIsStr(v)) {
        exact.push_back(StringToAnsi(v.AsString()));
      } else if (VarIsNumeric(v)) {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", v.AsDouble());
        exact.emplace_back(text);
      } else {
        exact.push_back(cells.back());
      }
    }
    out.Cells.push_back(cells);
    out.Exact.push_back(exact);
  }
  return out;
}
