// Export columns, the field-type mapping and the row sources.
#include <gtest/gtest.h>

#include "export/ExportGrid.h"
#include "export/RowSources.h"
#include "tests/export/export_fixture.h"

namespace {

TEST(ExportColumns, NewColumnHasItsDefaults) {
  TSMEColumns columns;
  TSMEColumn& column = columns.Add();
  EXPECT_EQ(column.FieldName, u"");
  EXPECT_EQ(column.Width, 0);
  EXPECT_EQ(column.DataType, ctString);
  EXPECT_EQ(column.ColumnKind, ckField);
  EXPECT_EQ(column.BandIndex, -1);
  EXPECT_TRUE(column.Visible);
  EXPECT_EQ(column.Color, clWhite);
  EXPECT_EQ(column.Alignment, taLeftJustify);
  EXPECT_EQ(column.Title.Color, clSilver);
  EXPECT_EQ(column.Title.Alignment, taLeftJustify);
  EXPECT_EQ(column.Index(), 0);
  EXPECT_EQ(column.Collection(), &columns);
}

TEST(ExportColumns, ColumnByFieldNameIsCaseSensitive) {
  TSMEColumns columns;
  columns.Add().FieldName = u"ID";
  columns.Add().FieldName = u"NAME";
  columns.Add().FieldName = u"NAME";
  EXPECT_EQ(columns.ColumnByFieldName(u"NAME"), 1);
  EXPECT_EQ(columns.ColumnByFieldName(u"Name"), -1);
  EXPECT_EQ(columns.ColumnByFieldName(u""), -1);
}

TEST(ExportColumns, AssignCopiesSettingsButNotTheField) {
  TTestDataSet ds;
  FillExportDataSet(ds, {});
  TSMEColumns columns;
  TSMEColumn& source = columns.Add();
  source.FieldName = u"PRICE";
  source.Width = 12;
  source.Precision = 2;
  source.DataType = ctDouble;
  source.ColumnKind = ckConstant;
  source.BandIndex = 3;
  source.Visible = false;
  source.Title.Caption = u"Price";
  source.Title.Font.Style = FontStyleBit(fsBold);
  source.Field = ds.FieldByName(u"PRICE");
  TSMEColumn& target = columns.Add();
  target.Assign(source);
  EXPECT_EQ(target.FieldName, u"PRICE");
  EXPECT_EQ(target.Width, 12);
  EXPECT_EQ(target.Precision, 2);
  EXPECT_EQ(target.DataType, ctDouble);
  EXPECT_EQ(target.ColumnKind, ckConstant);
  EXPECT_EQ(target.BandIndex, 3);
  EXPECT_FALSE(target.Visible);
  EXPECT_EQ(target.Title.Caption, u"Price");
  EXPECT_EQ(target.Title.Font, source.Title.Font);
  EXPECT_EQ(target.Field, nullptr);
  EXPECT_EQ(target.Index(), 1);

  columns.ClearFields();
  EXPECT_EQ(source.Field, nullptr);
}

TEST(ExportColumns, ItemCaption) {
  TSMEColumns columns;
  TSMEColumn& column = columns.Add();
  column.FieldName = u"CUST_NO";
  column.Title.Caption = u"Customer";
  EXPECT_EQ(column.GetItemCaption(dfFull), u"CUST_NO  :  Customer");
  EXPECT_EQ(column.GetItemCaption(dfFieldCaption), u"Customer");
  EXPECT_EQ(column.GetItemCaption(dfFieldName), u"CUST_NO");
  column.Title.Caption = u"CUST_NO";
  EXPECT_EQ(column.GetItemCaption(dfFull), u"CUST_NO");
}

TEST(ExportColumns, MergedColumnsUnderABand) {
  TSMEColumns columns;
  // band of each column; the third is hidden
  const Integer bands[] = {-1, 0, 0, 0, 1};
  for (Integer band : bands) columns.Add().BandIndex = band;
  columns[3].Visible = false;
  EXPECT_EQ(columns.MergedColStart(0), 1);
  EXPECT_EQ(columns.MergedColCount(0, 1), 2);  // stops at the hidden column
  EXPECT_EQ(columns.MergedColStart(1), 4);
  EXPECT_EQ(columns.MergedColCount(1, 4), 1);
  EXPECT_EQ(columns.MergedColStart(7), -1);
  EXPECT_EQ(columns.MergedColCount(0, 0), 0);   // the start column is not under the band
  EXPECT_EQ(columns.MergedColCount(0, 9), 0);   // past the last column
  EXPECT_EQ(columns.MergedColCount(0, -5), 0);
}

TEST(ExportColumns, GroupingChangesOnlyWithAnExpression) {
  TSMEGroupings groupings;
  TSMEGrouping& grouping = groupings.Add();
  grouping.FCurrValue = Variant(1);
  grouping.FPrevValue = Variant(1);
  EXPECT_FALSE(grouping.GroupIsChanged());  // no expression
  grouping.Expression = u"ID";
  EXPECT_FALSE(grouping.GroupIsChanged());
  grouping.FCurrValue = Variant(2);
  EXPECT_TRUE(grouping.GroupIsChanged());
  grouping.FPrevValue = Variant();
  EXPECT_TRUE(grouping.GroupIsChanged());
  groupings.InitPrevDataValues();
  EXPECT_TRUE(grouping.FPrevValue.IsNull());
}

TEST(ExportColumns, ValueTypes) {
  struct Case {
    TFieldType type;
    Variant value;
    bool blankIfZero;
    TCellType expected;
  };
  const Case cases[] = {
      {ftInteger, Variant(0), false, ctInteger},
      {ftInteger, Variant(0), true, ctBlank},
      {ftInteger, Variant(5), true, ctInteger},
      {ftSmallint, Variant(u"0"), true, ctBlank},
      {ftLargeint, Variant::Null(), true, ctBlank},
      {ftAutoInc, Variant(), true, ctBlank},
      {ftLongWord, Variant(7), false, ctString},
      {ftBoolean, Variant(false), true, ctBoolean},
      {ftFloat, Variant(0.0), true, ctBlank},
      {ftFloat, Variant(u"0.00"), true, ctDouble},  // only the text "0" is zero
      {ftFMTBcd, Variant(1.5), false, ctDouble},
      {ftCurrency, Variant(2.0), true, ctCurrency},
      {ftDate, Variant::FromDateTime(45000), false, ctDate},
      {ftDate, Variant::FromDateTime(45000), true, ctString},
      {ftDate, Variant::FromDateTime(0), true, ctBlank},
      {ftTime, Variant::FromDateTime(0.5), false, ctTime},
      {ftDateTime, Variant::FromDateTime(45000.5), false, ctDateTime},
      {ftBlob, Variant::Null(), true, ctBLOB},
      {ftTypedBinary, Variant::Null(), false, ctBLOB},
      {ftWideMemo, Variant::Null(), false, ctMEMO},
      {ftGraphic, Variant::Null(), false, ctGraphic},
      {ftWideString, Variant(u""), true, ctString},
      {ftGuid, Variant::Null(), false, ctString},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "field type " << int(c.type) << " blank " << c.blankIfZero);
    EXPECT_EQ(GetValueType(c.type, c.value, c.blankIfZero), c.expected);
  }
}

TEST(ExportColumns, CellTypeToFieldType) {
  const std::pair<TCellType, TFieldType> cases[] = {
      {ctInteger, ftInteger}, {ctDouble, ftFloat},   {ctDateTime, ftDateTime}, {ctDate, ftDate},
      {ctCurrency, ftCurrency}, {ctTime, ftTime},    {ctMEMO, ftMemo},         {ctGraphic, ftGraphic},
      {ctBoolean, ftBoolean}, {ctBLOB, ftBlob},      {ctBlank, ftString},      {ctString, ftString},
  };
  for (auto [cell, field] : cases) {
    SCOPED_TRACE(int(cell));
    EXPECT_EQ(CellType2FieldType(cell), field);
  }
}

// ---------------------------------------------------------------------------
// Row sources

class RowSourceTest : public testing::Test {
 protected:
  void SetUp() override {
    FillExportDataSet(ds, {{1, u"one", 1.5, 45000}, {2, u"two", 0, 45001}, {3, u"three", 3.25, 0}});
  }

  std::vector<Integer> Walk(TSMECustomDataEngine& source) {
    std::vector<Integer> ids;
    source.First();
    while (!source.Eof() && ids.size() < 10) {
      ids.push_back(ds.FieldByName(u"ID")->AsInteger());
      source.Next();
    }
    return ids;
  }

  TTestDataSet ds;
  TSMEColumns columns;
  TSMEColumnBands bands;
};

TEST_F(RowSourceTest, DatasetColumnsFromTheFields) {
  static_cast<TFloatField*>(ds.FieldByName(u"PRICE"))->SetPrecision(4);
  ds.FieldByName(u"NAME")->SetDisplayLabel(u"Name");
  ds.FieldByName(u"BORN")->SetVisible(false);
  bands.Add();
  TSMEDatasetDataEngine source(nullptr, &ds);
  TSMEColumns* filled = nullptr;
  source.OnFillColumns = [&](TSMEColumns* sender) { filled = sender; };
  source.FillColumns(columns, bands, false);
  EXPECT_EQ(filled, &columns);
  EXPECT_EQ(bands.Count(), 0);
  ASSERT_EQ(columns.Count(), 4);
  const TSMEColumn& name = columns[1];
  EXPECT_EQ(name.FieldName, u"NAME");
  EXPECT_EQ(name.Title.Caption, u"Name");
  EXPECT_EQ(name.Width, ds.FieldByName(u"NAME")->DataSize());  // the largest of the widths
  EXPECT_EQ(name.Title.Font.Style, FontStyleBit(fsBold));
  EXPECT_EQ(name.Title.Color, clSilver);
  EXPECT_EQ(name.DataType, ctString);
  EXPECT_EQ(columns[0].DataType, ctInteger);
  EXPECT_EQ(columns[0].Alignment, taRightJustify);
  EXPECT_EQ(columns[2].DataType, ctDouble);
  EXPECT_EQ(columns[2].Precision, 4);
  EXPECT_EQ(columns[3].DataType, ctDate);
  EXPECT_FALSE(columns[3].Visible);

  static_cast<TFloatField*>(ds.FieldByName(u"PRICE"))->SetPrecision(15);
  source.FillColumns(columns, bands, true);
  ASSERT_EQ(columns.Count(), 4);
  EXPECT_EQ(columns[0].FieldName, u"BORN");
  EXPECT_EQ(columns[1].FieldName, u"PRICE");
  EXPECT_EQ(columns[1].Precision, 0);  // the default precision means none
  EXPECT_EQ(columns[3].FieldName, u"ID");
}

TEST_F(RowSourceTest, DatasetWithoutFieldsGivesNoColumns) {
  TTestDataSet empty;
  TSMEDatasetDataEngine source(nullptr, &empty);
  columns.Add();
  source.FillColumns(columns, bands, false);
  EXPECT_EQ(columns.Count(), 0);
  TSMEDatasetDataEngine none;
  columns.Add();
  none.FillColumns(columns, bands, false);
  EXPECT_EQ(columns.Count(), 0);
  EXPECT_TRUE(none.Eof());
  EXPECT_EQ(none.RecordCount(), 0);
}

TEST_F(RowSourceTest, DatasetSourceWalksRowsAndRestoresThePosition) {
  TSMEDatasetDataEngine source(nullptr, &ds);
  std::vector<std::string> events;
  source.OnBeforeExecute = [&](TSMECustomDataEngine*) { events.push_back("before"); };
  source.OnAfterExecute = [&](TSMECustomDataEngine*) { events.push_back("after"); };
  source.OnFirst = [&](TSMECustomDataEngine*) { events.push_back("first"); };
  ds.Next();
  source.SavePosition();
  EXPECT_EQ(source.RecordCount(), 3);
  EXPECT_EQ(Walk(source), (std::vector<Integer>{1, 2, 3}));
  source.RestorePosition();
  EXPECT_EQ(ds.FieldByName(u"ID")->AsInteger(), 2);
  EXPECT_EQ(events, (std::vector<std::string>{"before", "first", "after"}));

  TSMEColumn& column = columns.Add();
  column.FieldName = u"NAME";
  EXPECT_EQ(source.GetFieldValue(column).AsString(), u"two");
  EXPECT_EQ(column.Field, ds.FieldByName(u"NAME"));
  column.FieldName = u"MISSING";
  column.Field = nullptr;
  EXPECT_TRUE(source.GetFieldValue(column).IsNull());
  EXPECT_EQ(source.FindFieldByColumn(nullptr), nullptr);
  EXPECT_EQ(source.DataTypeByColumn(column), ftString);
}

TEST_F(RowSourceTest, DatasetSourceWithSelectedRecordsGivesTheCurrentRow) {
  TSMEDatasetDataEngine source(nullptr, &ds);
  source.FSelectedRecords = true;
  ds.Next();
  EXPECT_EQ(source.RecordCount(), 1);
  EXPECT_EQ(Walk(source), (std::vector<Integer>{2}));
}

TEST_F(RowSourceTest, RestoringAPositionWhoseRowWasDeletedLeavesTheDatasetWhereItIs) {
  TSMEDatasetDataEngine source(nullptr, &ds);
  ds.Last();
  source.SavePosition();
  ds.Delete();
  ds.First();
  source.RestorePosition();
  EXPECT_EQ(ds.FieldByName(u"ID")->AsInteger(), 1);
}

TEST_F(RowSourceTest, CustomSourceAnswersFromItsEvents) {
  TSMECustomDataEngine source;
  Integer firsts = 0;
  source.OnFirst = [&](TSMECustomDataEngine*) { ++firsts; };
  source.OnCount = [](TSMECustomDataEngine*, Integer& count) { count = 42; };
  source.OnNext = [](TSMECustomDataEngine*, bool& abort) { abort = true; };
  source.First();
  source.Next();
  EXPECT_EQ(firsts, 1);
  EXPECT_TRUE(source.IsCanceled);
  EXPECT_EQ(source.RecordCount(), 42);
  EXPECT_TRUE(source.Eof());
  EXPECT_FALSE(source.SelectedRecordIsSupported());
  EXPECT_TRUE(source.GetFieldValue(columns.Add()).IsNull());
}

// A grid of two columns over the dataset, with rows 3 and 1 selected.
class FakeGrid : public IExportGrid {
 public:
  explicit FakeGrid(TDataSet& ds) : FDataSet(ds) {}
  String GridName() const override { return u"Grid1"; }
  TDataSet* GridDataSet() const override { return &FDataSet; }
  Integer GridColumnCount() const override { return static_cast<Integer>(Columns.size()); }
  TExportGridColumn GridColumn(Integer index) const override { return Columns.at(static_cast<size_t>(index)); }
  Integer SelectedRowCount() const override { return static_cast<Integer>(Selected.size()); }
  TBookmark SelectedRow(Integer index) const override { return Selected.at(static_cast<size_t>(index)); }

  std::vector<TExportGridColumn> Columns;
  std::vector<TBookmark> Selected;

 private:
  TDataSet& FDataSet;
};

TEST_F(RowSourceTest, GridSourceTakesColumnsAndSelectedRowsFromTheGrid) {
  FakeGrid grid(ds);
  TExportGridColumn name;
  name.FieldName = u"NAME";
  name.Field = ds.FieldByName(u"NAME");
  name.TitleCaption = u"Name";
  name.Color = 0x00112233;
  TExportGridColumn unbound;
  unbound.FieldName = u"NOTE";
  grid.Columns = {name, unbound};
  ds.Last();
  grid.Selected.push_back(ds.GetBookmark());
  ds.First();
  grid.Selected.push_back(ds.GetBookmark());

  TSMEDBGridDataEngine source(nullptr, &grid);
  source.FillColumns(columns, bands, false);
  ASSERT_EQ(columns.Count(), 2);
  EXPECT_EQ(columns[0].Title.Caption, u"Name");
  EXPECT_EQ(columns[0].Color, 0x00112233u);
  EXPECT_EQ(columns[0].Width, ds.FieldByName(u"NAME")->DisplayWidth());
  EXPECT_EQ(columns[1].Width, 10);
  EXPECT_EQ(columns[1].DataType, ctString);

  EXPECT_EQ(source.RecordCount(), 3);
  EXPECT_EQ(Walk(source), (std::vector<Integer>{1, 2, 3}));
  source.FSelectedRecords = true;
  EXPECT_EQ(source.RecordCount(), 2);
  EXPECT_EQ(Walk(source), (std::vector<Integer>{3, 1}));
  grid.Selected.clear();
  EXPECT_EQ(Walk(source), (std::vector<Integer>{}));
}

}  // namespace
