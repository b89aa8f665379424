// The library's controls as the program starts them: the start-up look and
// texts, the base forms' skin hooks, the registered grid views and the grid
// popup operations proved with independent readers (xlrd for the worksheet,
// poppler for the printed pages).
#include <QApplication>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QMenu>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>
#include <QToolTip>

#include "app/MainForm.h"
#include "controls/ksControlsUnit.h"
#include "controls/ksGrid.h"
#include "controls/ksGridPopup.h"
#include "controls/ksSkin.h"
#include "platform/db/DataSource.h"
#include "platform/gui/GridDataController.h"
#include "platform/gui/GridPrinting.h"
#include "platform/rtl/Strings.h"
#include "tests/gui/gui_fixture.h"
#include "tests/support/run_program.h"

using namespace guitest;

namespace {

// Starts the control units as main does and undoes them, also the fonts
// and texts they change for the whole process.
struct ControlsStarted {
  QFont Font = QApplication::font();
  QFont Menu = QApplication::font("QMenu");
  ControlsStarted() { ControlsInitialize(); }
  ~ControlsStarted() {
    ControlsFinalize();
    ResetResourceStrings();
    QApplication::setFont(Font);
    QApplication::setFont(Menu, "QMenu");
    QApplication::setFont(Menu, "QMenuBar");
  }
};

// A form "Form1" holding a library grid whose table view "View1" shows a
// table of names and amounts.
struct GridForm {
  TVirtualTable Table;
  TDataSource Source;
  QWidget Form;
  TkscxGrid* Grid = new TkscxGrid(&Form);
  TkscxGridDBTableView* View = Grid->CreateView<TkscxGridDBTableView>();

  explicit GridForm(int rows = 3) {
    Form.setObjectName(QStringLiteral("Form1"));
    View->SetName(u"View1");
    Table.AddField(u"Name", ftString, 20);
    Table.AddField(u"Amount", ftInteger, 0);
    Table.Open();
    std::vector<Cells> data;
    for (int i = 1; i <= rows; ++i) data.push_back({u"Row " + IntToStr(i), IntToStr(i * 100)});
    AppendRows(Table, data);
    Table.First();
    Source.SetDataSet(&Table);
    View->BeginUpdate();
    for (const char16_t* name : {u"Name", u"Amount"}) View->CreateColumn()->DataBinding().SetFieldName(name);
    View->EndUpdate();
    View->DataController()->SetDataSource(&Source);
    Form.resize(400, 300);
  }
  ~GridForm() { View->DataController()->SetDataSource(nullptr); }
};

std::filesystem::path Artefacts() {
  std::filesystem::path dir = GUI_TEST_ARTEFACTS;
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace

TEST(ControlsStartUp, SloveneTextsFontsViewsAndOperations) {
  MessageLog messages;
  ControlsStarted started;
  EXPECT_EQ(ResourceString(scxGridNoDataInfoText), u"<Ni podatkov>");
  EXPECT_EQ(ResourceString(SMsgDlgConfirm), u"Potrdi");
  EXPECT_EQ(ResourceString(cxSDatePopupOK), u"Potrdi");
  EXPECT_EQ(ResourceString(scxGridDeletingFocusedConfirmationText), u"Ste prepričani, da želite izbrisati zapis?");
  EXPECT_EQ(ResourceString(cxSGridShowGroupFooter), u"Noga za grupo");

  const QFont font = QApplication::font();
  EXPECT_EQ(font.family(), QStringLiteral("Calibri"));
  EXPECT_EQ(font.pointSize(), 9);
  EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Carlito"));
  EXPECT_EQ(QApplication::font("QMenu").pointSize(), 10);
  EXPECT_EQ(QToolTip::font().pointSize(), 9);

  EXPECT_EQ(RegisteredGridViewClasses(), (std::vector<String>{u"Kestrum DB Table", u"Kestrum DB Banded Table",
                                                              u"Kestrum DB Card Table", u"Kestrum DB Chart Table"}));
  QWidget grid;
  std::unique_ptr<TcxGridDBTableView> banded(CreateRegisteredGridView(u"Kestrum DB Banded Table", &grid));
  EXPECT_NE(dynamic_cast<TkscxGridDBBandedTableView*>(banded.get()), nullptr);

  const auto& ops = GridPopupOperations();
  ASSERT_EQ(ops.size(), 32u);
  EXPECT_EQ(ops[0]->Caption(), u"Tabelarični način");
  EXPECT_EQ(ops[4]->Caption(), u"Napredni filter");
  EXPECT_EQ(ops[17]->Caption(), u"All records");
  EXPECT_EQ(ops[18]->Caption(), u"Uredi naraščajoče");
  EXPECT_EQ(ops[31]->Caption(), u"Poravnaj sredinsko");
  EXPECT_EQ(GridIncSearchShortcut, QKeySequence(Qt::CTRL | Qt::Key_E));

  // The grid's question comes in Slovene under the Slovene caption.
  GridForm f;
  messages.Answer = false;
  f.View->DeleteRecords();
  ASSERT_EQ(messages.Shown.size(), 1u);
  EXPECT_EQ(messages.Shown[0].Caption, u"Potrdi");
  EXPECT_EQ(messages.Shown[0].Text, u"Ste prepričani, da želite izbrisati zapis?");
}

TEST(ControlsStartUp, FinalizeLeavesNoOperationsViewsOrObjects) {
  { ControlsStarted started; }
  EXPECT_TRUE(GridPopupOperations().empty());
  EXPECT_TRUE(RegisteredGridViewClasses().empty());
  EXPECT_EQ(oddStyle, nullptr);
  EXPECT_EQ(GridModeRegistry, nullptr);
  EXPECT_EQ(ksRibbonSkin, nullptr);
}

TEST(ControlsSkin, QtFontsFollowTheGroups) {
  TksSkinDefaults defaults;
  defaults.Initialize(scsQZ);
  QFont font(QStringLiteral("Serif"), 20);
  font.setItalic(true);
  ConfigureFont(defaults, &font, sfgHeaderSub);
  EXPECT_EQ(font.family(), QStringLiteral("Calibri"));
  EXPECT_EQ(font.pointSize(), 9);
  EXPECT_TRUE(font.bold());
  EXPECT_FALSE(font.italic());
  QFont edit(QStringLiteral("Serif"), 20);
  edit.setItalic(true);
  ConfigureFont(defaults, &edit, sfgEdit);
  EXPECT_TRUE(edit.italic());
  EXPECT_FALSE(edit.bold());
  ConfigureFont(defaults, nullptr, sfgEdit);

  AssignSkinPalette();
  TksFormSkin skin;
  EXPECT_EQ(skin.GetPartColor(rfspRibbonForm, 0), KSCLR_BACKMAIN);
  EXPECT_EQ(skin.GetPartColor(rspRibbonBackground, 0), KSCLR_MENU);
  EXPECT_EQ(skin.GetPartColor(rspStatusBarText, 0), 0x595453u);
  EXPECT_EQ(skin.GetPartColor(rspStatusBarText, 1), clNone);
  EXPECT_EQ(TksRibbonSkin().GetPartColor(rfspRibbonForm, 0), 0x808080u);
}

TEST(ControlsSkin, BaseFormsCallTheSkinHooks) {
  std::vector<std::string> calls;
  {
    TksBaseFormSkinned form;
    form.OnShow = [&](TksBaseFormSkinned*) { calls.push_back("show"); };
    form.show();
    EXPECT_FALSE(form.DefaultSkinAdjusted());
  }
  USkinAddSpecialControl = [&](TksBaseForm*) { calls.push_back("add"); };
  USkinAdjust = [&](TksBaseFormSkinned* f) { calls.push_back(f->DefaultSkinAdjusted() ? "adjust" : "?"); };
  {
    TksBaseFormSkinned form;
    form.OnShow = [&](TksBaseFormSkinned*) { calls.push_back("show"); };
    form.show();
    EXPECT_TRUE(form.DefaultSkinAdjusted());
  }
  USkinAddSpecialControl = nullptr;
  USkinAdjust = nullptr;
  EXPECT_EQ(calls, (std::vector<std::string>{"show", "add", "show", "adjust"}));
}

TEST(GridPopup, GridModeToggledTwiceRestoresTheView) {
  ControlsStarted started;
  GridForm f;
  auto* op = GridPopupOperation<TkscxPopupGridMode>();
  auto* filter = GridPopupOperation<TkscxPopupFilterEx>();
  static TcxGridDBTableView* clicked = nullptr;
  OnGridModeClick = [](TcxGridDBTableView* view) { clicked = view; };
  SetGridPopupHitView(f.View);
  const TcxDataModeController& mode = f.View->DataController()->DataModeController();
  EXPECT_TRUE(filter->Enabled());

  op->Execute(nullptr);
  EXPECT_TRUE(GetGridMode(f.View));
  EXPECT_EQ(GridModeRegistry->GridModeGrids(), (std::set<String>{u"Form1.View1"}));
  EXPECT_TRUE(mode.GridMode);
  EXPECT_FALSE(f.View->ColumnFiltering());
  EXPECT_FALSE(f.View->GroupByBox());
  EXPECT_FALSE(filter->Enabled());
  EXPECT_EQ(clicked, f.View);

  op->Execute(nullptr);
  EXPECT_FALSE(GetGridMode(f.View));
  EXPECT_TRUE(GridModeRegistry->GridModeGrids().empty());
  EXPECT_FALSE(mode.GridMode);
  EXPECT_TRUE(f.View->ColumnFiltering());
  EXPECT_TRUE(filter->Enabled());
  OnGridModeClick = nullptr;

  // A grid standing alone has no owner: the registry is left alone.
  TkscxGrid lone;
  TcxGridDBTableView* loneView = lone.CreateView();
  SetGridMode(loneView, true);
  EXPECT_TRUE(GridModeRegistry->GridModeGrids().empty());
}

TEST(GridPopup, EventsReachTheHitViewsPopUpProperties) {
  ControlsStarted started;
  GridForm f;
  QObject item;
  std::vector<QObject*> senders;
  f.View->PopUpProperties()->OnGridPopSelectAll = [&](QObject* sender) { senders.push_back(sender); };
  auto* selectAll = GridPopupOperation<TkscxGridPopSelectAll>();
  auto* markAll = GridPopupOperation<TkscxGridPopMarkAll>();
  SetGridPopupHitView(f.View);
  selectAll->Execute(&item);
  markAll->Execute(&item);  // no handler: nothing
  EXPECT_EQ(senders, std::vector<QObject*>{&item});
  EXPECT_EQ(f.Grid->GetPopUpProperties(), f.View->PopUpProperties());

  // A plain view has no popup properties: nothing fires.
  TkscxGrid plain;
  SetGridPopupHitView(plain.CreateView());
  TksGridPopUpProperties* properties = nullptr;
  EXPECT_FALSE(AssignedGridViewPopUpProperties(selectAll, properties));
  selectAll->Execute(&item);
  EXPECT_EQ(senders.size(), 1u);
  EXPECT_EQ(plain.GetPopUpProperties(), nullptr);
}

TEST(GridPopup, TheHostsMenuOpensOverTheRowsAndIsWatched) {
  GridForm f;
  f.Form.show();
  auto* menu = new QMenu;
  menu->addAction(QStringLiteral("Item"));
  f.View->SetPopupMenu(menu);
  SetGridPopupHitView(nullptr);
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = QApplication::activePopupWidget() == menu;
    menu->close();
  });
  QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10), f.View->Site()->viewport()->mapToGlobal(QPoint(10, 10)));
  QApplication::sendEvent(f.View->Site()->viewport(), &click);
  EXPECT_TRUE(shown);
  EXPECT_EQ(GridPopupHitView(), f.View);
  delete menu;
  EXPECT_EQ(f.View->GetPopupMenu(), nullptr);
  QContextMenuEvent again(QContextMenuEvent::Mouse, QPoint(10, 10), click.globalPos());
  QApplication::sendEvent(f.View->Site()->viewport(), &again);  // no menu: nothing
}

TEST(GridPopup, FilterDialogFiltersTheRows) {
  ControlsStarted started;
  GridForm f(5);
  SetGridPopupHitView(f.View);
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->setTextValue(QStringLiteral("Amount > 200"));
    dialog->accept();
  });
  GridPopupOperation<TkscxPopupFilterEx>()->Execute(nullptr);
  ASSERT_EQ(f.View->DataController()->rowCount(), 3);
  EXPECT_EQ(Cell(*f.View->DataController(), 0, 0), u"Row 3");
}

TEST(GridPopup, ExportToExcelWritesAWorksheetXlrdReads) {
  ControlsStarted started;
  TempDir dir;
  GridForm f;
  SetGridPopupHitView(f.View);
  {
    DialogAnswer answer(dir.File("grid"));
    GridPopupOperation<TkscxPopupExport2Excel>()->Execute(nullptr);
  }
  const String file = dir.File("grid.xls");
  ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(file)));
  {
    DialogAnswer cancel(u"");
    GridPopupOperation<TkscxPopupExport2Excel>()->Execute(nullptr);
  }
  if (RunProgram({"/usr/bin/python3", "-c", "import xlrd"}).ExitCode != 0) GTEST_SKIP() << "python3-xlrd is missing";
  const ProgramResult read = RunProgram({"/usr/bin/python3", "../export/read_xls.py", StringToUtf8(file)});
  ASSERT_TRUE(read.Ok()) << read.Output;
  EXPECT_EQ(read.Output,
            "[[\"text\", \"Name\"], [\"text\", \"Amount\"]]\n"
            "[[\"text\", \"Row 1\"], [\"number\", 100.0]]\n"
            "[[\"text\", \"Row 2\"], [\"number\", 200.0]]\n"
            "[[\"text\", \"Row 3\"], [\"number\", 300.0]]\n");
}

TEST(GridPopup, PrintPreviewOnA4AndPrintedRowsPopplerReads) {
  ControlsStarted started;
  GridForm f(80);
  SetGridPopupHitView(f.View);
  bool previewed = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    previewed = dialog->printer()->pageLayout().pageSize().id() == QPageSize::A4;
    dialog->reject();
  });
  GridPopupOperation<TkscxPopupPrint>()->Execute(nullptr);
  EXPECT_TRUE(previewed);

  TempDir dir;
  const String pdf = dir.File("grid.pdf");
  TdxGridReportLink link;
  link.SetComponent(f.Grid);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(ToQString(pdf));
  printer.setPageSize(QPageSize(QPageSize::id(link.PrinterPage().PaperSize)));
  link.Print(printer);
  SKIP_UNLESS_INSTALLED("pdftotext", "poppler-utils");
  const ProgramResult info = RunProgram({"pdfinfo", StringToUtf8(pdf)});
  EXPECT_NE(info.Output.find("(A4)"), std::string::npos) << info.Output;
  EXPECT_NE(info.Output.find("Pages:           2\n"), std::string::npos) << info.Output;
  const ProgramResult text = RunProgram({"pdftotext", "-layout", StringToUtf8(pdf), "-"});
  ASSERT_TRUE(text.Ok()) << text.Output;
  for (const char* expected : {"Name", "Amount", "Row 1 ", "Row 80", "8000", "100"}) {
    EXPECT_NE(text.Output.find(expected), std::string::npos) << expected << " in\n" << text.Output;
  }
  // Every page begins with the captions.
  EXPECT_EQ(std::count(text.Output.begin(), text.Output.end(), '\f'), 2);
}

TEST(ControlsLook, EditorWithAnEmptyAndAFullTable) {
  MessageLog messages;
  ControlsStarted started;
  TempDir dir;
  const String file = dir.File("full.vtd");
  std::vector<Cells> rows;
  const char16_t* names[] = {u"Ana Čebašek", u"Bor Žužek", u"Cene Šimenc", u"Dora Kos", u"Eva Novak"};
  for (int i = 0; i < 12; ++i) {
    rows.push_back({IntToStr(i + 1), String(names[i % 5]), i % 4 == 3 ? std::nullopt : std::optional(IntToStr(i * 1250)),
                    u"1000"});
  }
  MakeVtd(file, {{u"ID", ftInteger}, {u"Name", ftString, 40}, {u"Amount", ftInteger}, {u"Zip", ftString, 5}}, rows);
  for (bool full : {false, true}) {
    TMainForm form(full ? QStringList{ToQString(file)} : QStringList{});
    form.show();
    QApplication::processEvents();
    const QString png = QString::fromStdString((Artefacts() / (full ? "editor_full.png" : "editor_empty.png")).string());
    ASSERT_TRUE(form.grab().save(png));
  }
}
