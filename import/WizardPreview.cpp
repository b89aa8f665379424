#include "import/WizardPreview.h"

#include <algorithm>
#include <memory>

#include "import/ImportMessages.h"
#include "import/ImportWizard.h"
#include "import/SMIParser.h"
#include "import/ValueConversion.h"
#include "import/readers/ImportFromCell.h"
#include "import/readers/ImportFromText.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"
#include "platform/rtl/Strings.h"

// ---- TPreviewGrid ----

void TPreviewGrid::SetRowCount(Integer rows) {
  FCells.resize(static_cast<size_t>(std::max(rows, 0)), std::vector<String>(static_cast<size_t>(FColCount)));
}

void TPreviewGrid::SetColCount(Integer columns) {
  FColCount = std::max(columns, 0);
  for (auto& row : FCells) row.resize(static_cast<size_t>(FColCount));
}

String TPreviewGrid::Cell(Integer column, Integer row) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= FColCount) return {};
  return FCells[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void TPreviewGrid::SetCell(Integer column, Integer row, const String& text) {
  if (row < 0 || column < 0) return;
  if (column >= FColCount) SetColCount(column + 1);
  if (row >= RowCount()) SetRowCount(row + 1);
  FCells[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
}

void TPreviewGrid::ClearRows(Integer firstRow) {
  for (Integer r = std::max(firstRow, 0); r < RowCount(); ++r)
    std::fill(FCells[static_cast<size_t>(r)].begin(), FCells[static_cast<size_t>(r)].end(), String());
}

// ---- TWizardPreview ----

namespace {

bool IsCellSource(TTableTypeImport type) {
  switch (type) {
    case teParadox:
    case teDBase:
    case teXLS:
    case teWKS:
    case teQuattro:
    case teADT:
    case teDBISAM:
    case teClarion:
    case teWAB:
    case teVCalendar:
    case teODS:
    case teSkype: return true;
    default: return false;
  }
}

String LineName(const String& line) { return line.substr(0, line.find(u'=')); }

}  // namespace

void TWizardPreview::ApplyPreviewGridStyle() {
  if (Grid.RowCount() >= 3) Grid.FixedRows = FState.ShowFileHeader ? FState.FirstRow() + 1 : 2;
}

void TWizardPreview::LoadTxt() {
  TTextLoadOptions options;
  options.Preview = true;
  options.SkipEmpty = true;
  options.RecordSeparator = FState.RecordSeparatorText == u"CR"   ? u"\r"
                            : FState.RecordSeparatorText == u"LF" ? u"\n"
                                                                   : u"\r\n";
  options.TextQualifier = FState.Qualifier();
  options.FieldDelimiter = FState.Delimiter();
  options.FirstRow = FState.TopRow(false);
  options.LastRow = FState.LastRow();
  options.PreviewRows = FWizard != nullptr ? FWizard->PreviewRowCount : 20;
  options.FieldNamesRow = FState.FieldNameRow();
  String captions;
  Sample.Clear();
  if (FState.TableType() == teClipboard)
    LoadClipboard(options, captions, Sample);
  else
    LoadTextFile(options, captions, Sample, FState.FileName);
  const bool oem = FState.OriginIndex == csiASCII_MSDOS;
  const Integer first = FState.FirstRow();
  const String sampleLine =
      first >= 1 && first < Sample.Count() - 1 ? ImportText::UECode(oem, String(Sample.Line(first))) : String();
  Grid.SetRowCount(Sample.Count() + 2);
  ApplyPreviewGridStyle();
  if (FState.Fixed && FState.Breaks.empty()) {
    TFieldBoundsList bounds;
    FillFields(FWizard != nullptr ? FWizard->DataSet() : nullptr, true, FState.Delimiter(), FState.Qualifier(),
               sampleLine, bounds);
    for (const TFieldBounds& b : bounds) FState.Breaks.push_back(static_cast<Integer>(b.End));
  }
  if (!FState.Fixed) {
    Grid.SetColCount(1);
    TFieldBoundsList bounds;
    for (Integer i = 0; i < Sample.Count(); ++i) {
      const String line = ImportText::UECode(oem, String(Sample.Line(i)));
      FillFields(nullptr, false, FState.Delimiter(), FState.Qualifier(), line, bounds);
      if (Grid.ColCount() < static_cast<Integer>(bounds.size()) + 1)
        Grid.SetColCount(static_cast<Integer>(bounds.size()) + 1);
      Grid.SetCell(0, i + 2, IntToStr(i + 1));
      for (size_t c = 1; c <= bounds.size(); ++c) {
        const Integer column = static_cast<Integer>(c);
        if (i == 0 || Grid.Cell(column, 0).empty()) Grid.SetCell(column, 0, strField + IntToStr(column));
        Grid.SetCell(column, i + 2,
                     ExtractFieldText(line, bounds[c - 1].Start, bounds[c - 1].End, FState.Delimiter(),
                                      FState.Qualifier()));
      }
    }
  }
  FState.TextChanged = false;
  FState.BreaksChanged = true;
}

void TWizardPreview::PreviewCallBack(Integer columnCount, Integer rowIndex, bool isOEM,
                                     const std::vector<TPreviewValue>& values) {
  if (Grid.ColCount() < columnCount + 1) Grid.SetColCount(columnCount + 1);
  if (Grid.RowCount() < rowIndex + 2) Grid.SetRowCount(rowIndex + 2);
  if (Grid.RowCount() > 2) Grid.FixedRows = 2;
  Grid.SetCell(0, rowIndex + 1, IntToStr(rowIndex));
  for (size_t i = 0; i < values.size(); ++i) {
    const Variant& value = values[i].Value;
    if (value.IsNull()) continue;
    String text = value.VarType() == varBoolean ? String(value.AsBoolean() ? u"True" : u"False") : VarToStr(value);
    Grid.SetCell(static_cast<Integer>(i) + 1, rowIndex + 1, ImportText::UECode(isOEM, text));
  }
}

void TWizardPreview::LoadSheet(Integer sheet) {
  TColumnList columns;
  std::vector<String> sheets;
  LoadSpreadSheetPreview(
      FState.TableType(), nullptr, FState.FileName, {}, sheet, FState.TopRow(true),
      FWizard != nullptr ? FWizard->PreviewRowCount : 20, FState.LastRow(), columns,
      FState.OriginIndex == csiASCII_MSDOS, sheets,
      [this](void*, Integer count, Integer row, bool oem, std::vector<TPreviewValue>& values) {
        PreviewCallBack(count, row, oem, values);
      },
      nullptr);
  for (const TColumnEntry& column : columns) FieldList.push_back(column.Name);
  FState.Sheets = sheets;
}

void TWizardPreview::LoadFileToGrid() {
  FieldList.clear();
  FState.TextChanged = false;
  Grid.ClearRows(2);
  Grid.SetColCount(1);
  for (const TMappingRow& row : FState.MappingRows)
    if (!row.Source.empty()) Grid.SetCell(Grid.ColCount(), 0, row.Caption);
  FState.Sheets.clear();
  Grid.SetRowCount(2);
  const TTableTypeImport type = FState.TableType();
  try {
    if (FState.IsTextSource()) {
      LoadTxt();
      if (!FState.Fixed) {
        for (Integer c = 1; c < Grid.ColCount(); ++c) FieldList.push_back(Grid.Cell(c, 0));
      } else {
        std::sort(FState.Breaks.begin(), FState.Breaks.end());
        const String prefix = strTextFieldName;
        if (FState.Breaks.empty()) {
          FieldList.push_back(prefix + u"1-2147483647");
          for (Integer i = 0; i < Sample.Count(); ++i) Grid.SetCell(1, i + 2, String(Sample.Line(i)));
        } else {
          Integer previous = 1;
          Integer column = 1;
          for (Integer b : FState.Breaks) {
            FieldList.push_back(prefix + IntToStr(previous) + u"-" + IntToStr(b));
            for (Integer i = 0; i < Sample.Count(); ++i) {
              const StringView line = Sample.Line(i);
              const size_t from = static_cast<size_t>(previous - 1);
              const String part = from < line.size() ? String(line.substr(from, static_cast<size_t>(b - previous + 1)))
                                                     : String();
              Grid.SetCell(column, i + 2, part);
            }
            previous = b + 1;
            ++column;
          }
        }
      }
    } else if (IsCellSource(type)) {
      const Integer sheet = FWizard == nullptr || FWizard->SheetIndex < 0 ? 0 : FWizard->SheetIndex;
      LoadSheet(sheet);
      const Integer count = static_cast<Integer>(FState.Sheets.size());
      FState.SheetIndex = sheet < count ? sheet : (count > 0 ? 0 : -1);
    }
  } catch (const Exception&) {
    // The page shows what was read before the reader failed; the run
    // reports the reader's error.
  }
  ApplyPreviewGridStyle();
  if (!FieldList.empty()) {
    Grid.SetColCount(static_cast<Integer>(FieldList.size()) + 1);
    for (size_t c = 0; c < FieldList.size(); ++c) Grid.SetCell(static_cast<Integer>(c) + 1, 0, FieldList[c]);
  }
  FieldList.insert(FieldList.begin(), String());
}

void TWizardPreview::SheetChanged(Integer sheet) {
  FieldList.clear();
  Grid.ClearRows(2);
  Grid.SetRowCount(2);
  try {
    LoadSheet(sheet);
  } catch (const Exception&) {
  }
  FState.SheetIndex = sheet;
  Grid.SetColCount(std::max<Integer>(static_cast<Integer>(FieldList.size()) + 1, 2));
  for (size_t c = 0; c < FieldList.size(); ++c) Grid.SetCell(static_cast<Integer>(c) + 1, 0, FieldList[c]);
  FieldList.insert(FieldList.begin(), String());
  ApplyPreviewGridStyle();
}

void TWizardPreview::BuildDefaultMappings(const std::function<void(TRADerevuBaseComponent&)>& controlsToComponent) {
  const TTableTypeImport type = FState.TableType();
  if (FWizard != nullptr && (FWizard->OnCreateStructure || (FState.Mappings.Count() == 0 && FState.TopRow(false) >= 2))) {
    std::unique_ptr<TRADerevuBaseComponent> component(GetImportComponentByType(nullptr, type, FState.TableName));
    if (component != nullptr) {
      component->Assign(*FWizard);
      if (controlsToComponent) controlsToComponent(*component);
      component->SetDataSet(FWizard->DataSet());
      component->SetUseDisplayNames(FWizard->UseDisplayNames());
      component->SetRowFirst(FState.TopRow(false));
      component->SetRowLast(component->RowFirst() + 10);
      try {
        component->BeforeImport();
        component->Columns().Clear();
        if (FWizard->OnBeforeAutoMapping) FWizard->OnBeforeAutoMapping(component.get());
        component->DetectAutoMapping();
        if (FWizard->OnCreateStructure)
          FWizard->OnCreateStructure(component.get(), component->Columns());
        else
          component->Columns2Mapping();
        FWizard->SetMappings(component->Mappings());
      } catch (...) {
        component->AfterImport();
        throw;
      }
      component->AfterImport();
    }
  }
  if (FWizard != nullptr && FWizard->OnGetFieldList) {
    FWizard->OnGetFieldList(FWizard, FState.Mappings);
  } else if (FWizard != nullptr && (FWizard->OnCreateStructure || FState.Mappings.Count() == 0)) {
    FState.Mappings.Clear();
    if (FWizard->Mappings().Count() > 0) {
      FState.Mappings = FWizard->Mappings();
    } else if (TDataSet* dataSet = FWizard->DataSet()) {
      for (TField* field : dataSet->Fields())
        if (field->FieldKind() == fkData) FState.Mappings.Add(field->FieldName() + u"=");
    }
  }
  if (FState.IsTextSource()) FState.BreaksChanged = false;
  if (FState.RebuildMappings || FState.TextChanged) {
    for (int i = 0; i < FState.Mappings.Count(); ++i) {
      if (FState.IsTextSource()) break;
      const String name = Trim(LineName(FState.Mappings.Get(i)));
      auto find = [&](const String& wanted) -> Integer {
        for (size_t k = 0; k < FieldList.size(); ++k)
          if (SameText(FieldList[k], wanted)) return static_cast<Integer>(k);
        return -1;
      };
      Integer hit = find(name);
      if (hit < 0) hit = find(GetFieldCaption(FWizard, name));
      if (hit > 0)
        FState.Mappings.Put(i, name + u"=" + GetNormalizedFieldName(FieldList[static_cast<size_t>(hit)], true));
    }
  }
}

void TWizardPreview::MapColumn(Integer column, const String& destinationCaption) {
  const String header = Grid.Cell(column, 0);
  if (header.empty()) return;
  const Integer previous = GetMapIndex(FState.Mappings, header, false, FWizard);
  if (previous >= 0) FState.Mappings.Put(previous, LineName(FState.Mappings.Get(previous)) + u"=");
  if (destinationCaption.empty()) return;
  const Integer line = GetMapIndex(FState.Mappings, destinationCaption, true, FWizard);
  if (line >= 0)
    FState.Mappings.Put(line, LineName(FState.Mappings.Get(line)) + u"=" + GetNormalizedFieldName(header, true));
}

void TWizardPreview::AutoMapColumns() {
  for (Integer c = 1; c < Grid.ColCount() && c <= FState.Mappings.Count(); ++c)
    MapColumn(c, GetFieldCaption(FWizard, LineName(FState.Mappings.Get(c - 1))));
}

// ---- TBreakEditor ----

Integer TBreakEditor::VisibleColumns(Integer width) const { return CharWidth > 0 ? width / CharWidth : 0; }

void TBreakEditor::MouseDown(Integer x, bool doubleClick) {
  FState.BreaksChanged = true;
  if (CharWidth <= 0) return;
  const Integer column = x / CharWidth;
  auto& breaks = FState.Breaks;
  const auto found = std::find(breaks.begin(), breaks.end(), HorzOffset + column);
  Dragged = found == breaks.end() ? -1 : static_cast<Integer>(found - breaks.begin());
  Pressed = true;
  if (doubleClick) {
    if (Dragged >= 0) breaks.erase(breaks.begin() + Dragged);
    Dragged = -1;
  } else if (Dragged < 0 && column != 0) {
    breaks.push_back(HorzOffset + column);
  }
}

void TBreakEditor::MouseMove(Integer x) {
  if (!Pressed || Dragged < 0 || CharWidth <= 0 || Dragged >= static_cast<Integer>(FState.Breaks.size())) return;
  const Integer column = x / CharWidth;
  if (column == 0) return;
  FState.Breaks[static_cast<size_t>(Dragged)] = HorzOffset + column;
}

// ---- The data preview ----

Variant GetEvalValue(const TPreviewGrid& filePreview, const String& expression, Integer rowIndex) {
  TSMIParser parser;
  parser.SetTag(rowIndex);
  parser.OnEvaluate = [&](TComponent*, const String& eval, const std::vector<Variant>&, int argCount, bool,
                          Variant& value, bool& done) {
    done = argCount == 0;
    const String written = VarIsStr(value) ? value.AsString() : eval;
    const String name = GetNormalizedFieldName(written, false);
    for (Integer c = 1; c < filePreview.ColCount(); ++c) {
      if (SameText(filePreview.Cell(c, 0), name)) {
        value = Variant(filePreview.Cell(c, parser.Tag() + 1));
        done = true;
        return;
      }
    }
    value = Variant(name);
  };
  parser.SetText(expression);
  return parser.GetValue();
}

void BuildPreviewGrid(const TWizardFormState& state, const TPreviewGrid& filePreview, TPreviewGrid& grid) {
  grid = TPreviewGrid();
  grid.SetColCount(1);
  grid.SetRowCount(std::max<Integer>(filePreview.RowCount() - 1, 1));
  const bool trimmed = state.IsTextSource();
  Integer k = 0;
  for (const TMappingRow& row : state.MappingRows) {
    if (row.Source.empty()) continue;
    ++k;
    grid.SetCell(k, 0, row.Caption);
    const String source = GetNormalizedFieldName(Trim(row.Source), false);
    Integer column = -1;
    for (Integer c = 1; c < filePreview.ColCount() && column < 0; ++c)
      if (filePreview.Cell(c, 0) == source) column = c;
    for (Integer r = 2; r < filePreview.RowCount(); ++r) {
      String text;
      if (column >= 0) {
        text = filePreview.Cell(column, r);
        if (trimmed) {
          switch (state.TrimIndex) {
            case 1: text = TrimRight(text); break;
            case 2: text = TrimLeft(text); break;
            case 3: text = Trim(text); break;
            default: break;
          }
        }
      } else {
        // An expression, or a name no column has: the parser resolves the
        // names it knows and leaves the others as their own text.
        text = VarToStr(GetEvalValue(filePreview, Trim(row.Source), r - 1));
      }
      grid.SetCell(k, r - 1, text);
    }
  }
  for (Integer r = 1; r < grid.RowCount(); ++r) grid.SetCell(0, r, IntToStr(r));
  grid.FixedRows = grid.RowCount() > 1 ? 1 : 0;
}
