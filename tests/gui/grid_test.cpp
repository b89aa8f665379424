#include <QDate>
#include <QDateEdit>
#include <QLineEdit>
#include <QItemSelectionModel>
#include <QToolButton>

#include "platform/db/DataSource.h"
#include "platform/gui/GridDataController.h"
#include "platform/gui/GridCellEditors.h"
#include "platform/gui/GridNavigator.h"
#include "platform/gui/GridView.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/gui/gui_fixture.h"

using namespace guitest;

namespace {

// A table of names shown by a view whose columns follow its fields.
struct GridTest : testing::Test {
  MessageLog Messages;
  TVirtualTable Table;
  TDataSource Source;
  TcxGridDBTableView View;
  TcxGridDataController& Grid = *View.DataController();

  void Build(const std::vector<TVirtualFieldSpec>& fields, const std::vector<Cells>& rows) {
    for (const TVirtualFieldSpec& f : fields) Table.AddField(f.Name, f.Type, f.Size);
    Table.Open();
    AppendRows(Table, rows);
    Table.First();
    Source.SetDataSet(&Table);
    View.BeginUpdate();
    for (const TVirtualFieldSpec& f : fields) View.CreateColumn()->DataBinding().SetFieldName(f.Name);
    View.EndUpdate();
    View.DataController()->SetDataSource(&Source);
    View.SetMultiSelect(true);
  }
  void Names(std::initializer_list<const char16_t*> names) {
    std::vector<Cells> rows;
    for (const char16_t* n : names) rows.push_back({String(n)});
    Build({{u"Name", ftString, 20}}, rows);
  }
  std::vector<String> Shown() {
    std::vector<String> shown;
    for (int r = 0; r < Grid.rowCount(); ++r) shown.push_back(Cell(Grid, r, 0));
    return shown;
  }
  void Select(std::initializer_list<int> rows) {
    QItemSelectionModel* selection = View.Site()->selectionModel();
    selection->clearSelection();
    for (int r : rows) selection->select(Grid.index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
};

}  // namespace

TEST_F(GridTest, DeleteAsksFirstWithTheTextForOneOrManyRecords) {
  Names({u"a", u"b", u"c", u"d"});
  Select({1});
  Messages.Answer = false;
  View.DeleteRecords();
  ASSERT_EQ(Messages.Shown.size(), 1u);
  EXPECT_EQ(Messages.Shown[0].Kind, TMessageKind::Confirmation);
  EXPECT_EQ(Messages.Shown[0].Caption, u"Confirm");
  EXPECT_EQ(Messages.Shown[0].Text, u"Delete record?");
  EXPECT_EQ(Shown(), (std::vector<String>{u"a", u"b", u"c", u"d"}));

  Messages.Answer = true;
  View.DeleteRecords();
  EXPECT_EQ(Shown(), (std::vector<String>{u"a", u"c", u"d"}));

  Select({0, 2});
  View.DeleteRecords();
  EXPECT_EQ(Messages.Shown.back().Text, u"Delete all selected records?");
  EXPECT_EQ(Shown(), (std::vector<String>{u"c"}));
  EXPECT_EQ(Table.RecordCount(), 1);
}

TEST_F(GridTest, TheGridTextsCanBeReplacedAtRunTime) {
  Names({u"a"});
  SetResourceString(SMsgDlgConfirm, u"Potrdi");
  SetResourceString(scxGridDeletingFocusedConfirmationText, u"Izbrišem zapis?");
  SetResourceString(cxSNavigatorFirst, u"Prvi");
  View.Navigator()->UpdateButtons();
  Messages.Answer = false;
  View.DeleteRecords();
  ASSERT_EQ(Messages.Shown.size(), 1u);
  EXPECT_EQ(Messages.Shown[0].Caption, u"Potrdi");
  EXPECT_EQ(Messages.Shown[0].Text, u"Izbrišem zapis?");
  EXPECT_EQ(View.Navigator()->Button(nbFirst)->toolTip(), QStringLiteral("Prvi"));
}

TEST_F(GridTest, AnInsertedRecordShowsWhereItWillStay) {
  Names({u"a", u"b", u"c"});
  Grid.FocusRow(1);
  View.InsertRecord();
  EXPECT_EQ(Grid.rowCount(), 4);
  EXPECT_EQ(Grid.FocusedRow(), 1);
  EXPECT_EQ(Shown(), (std::vector<String>{u"a", u"", u"b", u"c"}));

  // Leaving an untouched insert drops it; the clicked record is the one focused.
  Grid.FocusRow(3);
  EXPECT_EQ(Shown(), (std::vector<String>{u"a", u"b", u"c"}));
  EXPECT_EQ(Table.FieldByName(u"Name")->AsString(), u"c");

  Grid.FocusRow(1);
  View.InsertRecord();
  ASSERT_TRUE(Grid.setData(Grid.index(1, 0), QStringLiteral("new"), Qt::EditRole));
  Grid.FocusRow(3);  // posts the insert
  EXPECT_EQ(Shown(), (std::vector<String>{u"a", u"new", u"b", u"c"}));
  EXPECT_EQ(Table.FieldByName(u"Name")->AsString(), u"c");
}

TEST_F(GridTest, CellEditsReachTheFieldsByType) {
  Build({{u"S", ftString, 10}, {u"I", ftInteger}, {u"F", ftFloat}, {u"D", ftDate}, {u"B", ftBoolean}},
        {{u"x", u"1", std::nullopt, std::nullopt, std::nullopt}});
  ASSERT_TRUE(Grid.setData(Grid.index(0, 0), QStringLiteral("text"), Qt::EditRole));
  ASSERT_TRUE(Grid.setData(Grid.index(0, 1), QStringLiteral("42"), Qt::EditRole));
  const TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = u',';
  ASSERT_TRUE(Grid.setData(Grid.index(0, 2), QStringLiteral("2,5"), Qt::EditRole));
  FormatSettings = saved;
  ASSERT_TRUE(Grid.setData(Grid.index(0, 3), QDate(2024, 2, 29), Qt::EditRole));
  ASSERT_TRUE(Grid.setData(Grid.index(0, 4), Qt::Checked, Qt::CheckStateRole));
  View.PostEditing();
  EXPECT_EQ(Table.State(), dsBrowse);
  EXPECT_EQ(Table.FieldByName(u"S")->AsString(), u"text");
  EXPECT_EQ(Table.FieldByName(u"I")->AsInteger(), 42);
  EXPECT_DOUBLE_EQ(Table.FieldByName(u"F")->AsFloat(), 2.5);
  EXPECT_DOUBLE_EQ(Table.FieldByName(u"D")->AsDateTime(), EncodeDate(2024, 2, 29));
  EXPECT_TRUE(Table.FieldByName(u"B")->AsBoolean());
  EXPECT_EQ(Grid.data(Grid.index(0, 4), Qt::CheckStateRole).toInt(), Qt::Checked);

  // An emptied number is no value; text a number field cannot take is refused.
  ASSERT_TRUE(Grid.setData(Grid.index(0, 1), QString(), Qt::EditRole));
  EXPECT_TRUE(Table.FieldByName(u"I")->IsNull());
  EXPECT_THROW(Grid.setData(Grid.index(0, 1), QStringLiteral("abc"), Qt::EditRole), Exception);
}

TEST_F(GridTest, InPlaceEditorsFitTheFieldType) {
  Build({{u"S", ftString, 10}, {u"I", ftInteger}, {u"D", ftDate}, {u"B", ftBoolean}},
        {{u"x", u"1", std::nullopt, std::nullopt}});
  View.show();
  TcxGridSite* site = View.Site();
  auto open = [&](int column) {
    const QModelIndex cell = Grid.index(0, column);
    site->setCurrentIndex(cell);
    site->edit(cell);
    return site->indexWidget(cell);
  };
  auto* text = qobject_cast<QLineEdit*>(open(0));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->maxLength(), 10);
  site->CommitOpenEditor();
  auto* number = qobject_cast<QLineEdit*>(open(1));
  ASSERT_NE(number, nullptr);
  int at = 0;
  QString input = QStringLiteral("abc");
  EXPECT_EQ(number->validator()->validate(input, at), QValidator::Invalid);
  site->CommitOpenEditor();
  auto* date = qobject_cast<QDateEdit*>(open(2));
  ASSERT_NE(date, nullptr);
  date->setDate(QDate(2001, 12, 31));
  View.PostEditing();
  EXPECT_DOUBLE_EQ(Table.FieldByName(u"D")->AsDateTime(), EncodeDate(2001, 12, 31));
  EXPECT_EQ(open(3), nullptr);  // a boolean toggles as a check box
  EXPECT_TRUE(Grid.flags(Grid.index(0, 3)) & Qt::ItemIsUserCheckable);
  EXPECT_TRUE(Messages.Shown.empty());
}

TEST_F(GridTest, DetachedOrEmptyGridShowsNoRows) {
  Names({});
  EXPECT_EQ(Grid.rowCount(), 0);
  View.DataController()->SetDataSource(nullptr);
  EXPECT_EQ(Grid.rowCount(), 0);
  EXPECT_EQ(View.Columns(0)->Field(), nullptr);
  EXPECT_TRUE(Grid.CellIsNull(0, 0));
}

TEST(GridDateFormats, SettingsFormatsBecomeQtEditorFormats) {
  const TFormatSettings saved = FormatSettings;
  FormatSettings.DateSeparator = u'.';
  FormatSettings.TimeSeparator = u':';
  struct Case {
    const char16_t* Settings;
    const char* Qt;
  } cases[] = {
      {u"d.M.yyyy", "d.M.yyyy"},
      {u"dd/mm/yy", "dd'.'MM'.'yy"},
      {u"yyyy-mm-dd", "yyyy-MM-dd"},
      {u"hh:nn:ss", "HH':'mm':'ss"},
      {u"H:mm", "H':'mm"},  // minutes after hours
      {u"h:nn am/pm", "h':'mm AP"},
      {u"dddd, d. mmmm 'at' hh", "dddd, d. MMMM 'at' HH"},
      {u"yyyy'y''clock", "yyyy'y''clock'"},  // an unclosed quote runs to the end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Qt);
    EXPECT_EQ(QtDateTimeFormat(c.Settings).toStdString(), c.Qt);
  }
  FormatSettings = saved;
}
