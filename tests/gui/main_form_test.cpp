#include <QAction>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>

#include "app/MainForm.h"
#include "platform/gui/GridDataController.h"
#include "tests/gui/gui_fixture.h"

using namespace guitest;

namespace {

const std::vector<TVirtualFieldSpec> NameFields = {{u"ID", ftInteger}, {u"Name", ftString, 20}};

struct MainFormTest : testing::Test {
  TempDir Dir;
  MessageLog Messages;
  String A = Dir.File("a.vtd");
  void SetUp() override { MakeVtd(A, NameFields, {{u"1", u"Ann"}, {u"2", u"Bob"}}); }
};

QStringList Params(std::initializer_list<String> args) {
  QStringList list;
  for (const String& a : args) list << ToQString(a);
  return list;
}

}  // namespace

TEST_F(MainFormTest, OpensTheFileOfASingleCommandLineArgument) {
  struct Case {
    QStringList Args;
    bool Opens;
  } cases[] = {{{}, false}, {Params({A}), true}, {Params({A, A}), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Args.join(u' ').toStdString());
    TMainForm form(c.Args);
    TcxGridDataController* grid = form.gVTD_View()->DataController();
    if (c.Opens) {
      EXPECT_EQ(form.Caption(), u"Folvane  |  " + A);
      EXPECT_EQ(form.FileName(), A);
      ASSERT_EQ(grid->rowCount(), 2);
      EXPECT_EQ(Cell(*grid, 1, 1), u"Bob");
    } else {
      EXPECT_EQ(form.Caption(), u"Folvane");
      EXPECT_FALSE(form.vtd1()->Active());
      EXPECT_EQ(grid->rowCount(), 0);
    }
  }
  EXPECT_TRUE(Messages.Shown.empty());
}

TEST_F(MainFormTest, ColumnsAreNamedAfterTheirFieldsWithWidthsByStringSize) {
  const String file = Dir.File("widths.vtd");
  MakeVtd(file,
          {{u"S200", ftString, 200}, {u"S5", ftString, 5}, {u"S9", ftString, 9}, {u"W", ftWideString, 200},
           {u"First Name", ftString, 30}, {u"1", ftInteger}},
          {{u"a", u"b", u"c", u"d", u"Ann", u"7"}});
  TMainForm form(Params({file}));
  TcxGridDBTableView* view = form.gVTD_View();
  const int def = view->DefaultColumnWidth();
  struct Expect {
    const char16_t* Name;
    int Width;
  } expected[] = {{u"vtdS200", 150}, {u"vtdS5", 30}, {u"vtdS9", def},
                  {u"vtdW", def},    {u"vtdFirst Name", def}, {u"vtd1", def}};
  ASSERT_EQ(view->ColumnCount(), 6);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(view->Columns(i)->Name(), expected[i].Name);
    EXPECT_EQ(view->Columns(i)->Width(), expected[i].Width);
    EXPECT_EQ(view->Site()->horizontalHeader()->sectionSize(i), expected[i].Width);
  }
  EXPECT_EQ(Cell(*view->DataController(), 0, 4), u"Ann");
  EXPECT_TRUE(Messages.Shown.empty());
}

TEST_F(MainFormTest, NullCellsArePaintedInTheNullColourWhileTheOptionIsChecked) {
  const String file = Dir.File("nulls.vtd");
  MakeVtd(file, NameFields, {{u"1", u"Ann"}, {u"2", std::nullopt}, {u"3", u"Cy"}});
  TMainForm form(Params({file}));
  form.resize(400, 300);
  TcxGridSite* site = form.gVTD_View()->Site();
  QAbstractItemModel* model = site->model();
  auto pixel = [&](int row) {
    const QRect cell = site->visualRect(model->index(row, 1));
    const QImage image = site->viewport()->grab().toImage();
    return image.pixelColor(cell.right() - 3, cell.center().y());
  };
  const QColor nullColour(245, 222, 179);
  EXPECT_EQ(pixel(1), nullColour);
  EXPECT_NE(pixel(2), nullColour);
  form.cxBarColorNulls->setChecked(false);
  EXPECT_NE(pixel(1), nullColour);
  EXPECT_EQ(pixel(1), pixel(2));
}

TEST_F(MainFormTest, SaveAsLeavesSaveWritingTheOpenedFile) {
  const String b = Dir.File("b.vtd");
  TMainForm form(Params({A}));
  {
    DialogAnswer answer(b);
    form.mnuSaveAsClick();
    EXPECT_EQ(answer.Opens, std::vector<bool>{false});
  }
  EXPECT_EQ(ColumnOfFile(b, u"Name"), (std::vector<String>{u"Ann", u"Bob"}));
  EXPECT_EQ(form.FileName(), A);
  EXPECT_EQ(form.Caption(), u"Folvane  |  " + A);

  TcxGridDataController* grid = form.gVTD_View()->DataController();
  ASSERT_TRUE(grid->setData(grid->index(0, 1), QStringLiteral("Eve"), Qt::EditRole));
  form.mnuSaveClick();
  EXPECT_EQ(ColumnOfFile(A, u"Name"), (std::vector<String>{u"Eve", u"Bob"}));
  EXPECT_EQ(ColumnOfFile(b, u"Name"), (std::vector<String>{u"Ann", u"Bob"}));
  EXPECT_TRUE(Messages.Shown.empty());
}

TEST_F(MainFormTest, AValueStillInTheCellEditorIsSavedAndReopens) {
  TMainForm form(Params({A}));
  form.show();
  TcxGridSite* site = form.gVTD_View()->Site();
  const QModelIndex cell = site->model()->index(1, 1);
  site->setCurrentIndex(cell);
  site->edit(cell);
  auto* editor = qobject_cast<QLineEdit*>(site->indexWidget(cell));
  ASSERT_NE(editor, nullptr);
  editor->setText(QStringLiteral("Typed"));
  form.mnuSaveClick();

  {
    DialogAnswer answer(A);
    form.mnuOpenClick();
    EXPECT_EQ(answer.Opens, std::vector<bool>{true});
  }
  EXPECT_EQ(Cell(*site->model(), 1, 1), u"Typed");
  EXPECT_TRUE(Messages.Shown.empty());
}

TEST_F(MainFormTest, AFailedOpenKeepsTheCaptionDetachesTheGridAndProtectsTheFile) {
  // A file cut short in its rows: the table reads part of it, then fails.
  const String broken = Dir.File("broken.vtd");
  MakeVtd(broken, NameFields, {{u"1", u"Ann"}, {u"2", u"Bob"}, {u"3", u"Cy"}});
  std::string bytes = Bytes(broken);
  bytes.resize(bytes.size() - 12);
  std::ofstream(std::filesystem::path(broken), std::ios::binary | std::ios::trunc) << bytes;

  TMainForm form(Params({A}));
  {
    DialogAnswer answer(broken);
    form.mnuOpen->trigger();  // through the menu: the error goes to the box
  }
  ASSERT_EQ(Messages.Shown.size(), 1u);
  EXPECT_EQ(Messages.Shown[0].Kind, TMessageKind::Error);
  EXPECT_FALSE(Messages.Shown[0].Text.empty());
  EXPECT_EQ(form.Caption(), u"Folvane  |  " + A);
  EXPECT_EQ(form.gVTD_View()->DataController()->DataSource(), nullptr);
  EXPECT_TRUE(form.FileName().empty());

  form.mnuSaveClick();
  EXPECT_EQ(Bytes(broken), bytes);
}

TEST_F(MainFormTest, AFileThatFailsOnTheCommandLineIsReportedAndTheWindowOpens) {
  const String missing = Dir.File("missing.vtd");
  TMainForm form(Params({missing}));
  ASSERT_EQ(Messages.Shown.size(), 1u);
  EXPECT_EQ(form.Caption(), u"Folvane");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(missing)));
  form.mnuSaveClick();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(missing)));
}
