#include "app/MainForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>

#include "controls/ksGrid.h"
#include "app/TransferCommands.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/GridDataController.h"
#include "platform/gui/QtStrings.h"
#include "platform/rtl/FileDialog.h"

namespace {

constexpr char16_t DesignedCaption[] = u"Folvane";
constexpr char16_t CaptionSeparator[] = u"  |  ";
// 8-bit string columns wider than this many bytes are narrowed to it; those
// under NarrowStringSize get the narrow width.
constexpr int WideStringWidth = 150;
constexpr int NarrowStringSize = 10;
constexpr int NarrowStringWidth = 30;

QAction* AddCommand(QMenu* menu, const QString& caption, TMainForm* form, void (TMainForm::*command)()) {
  QAction* action = menu->addAction(caption);
  action->setToolTip(caption);
  action->setStatusTip(caption);
  QObject::connect(action, &QAction::triggered, form, [form, command] { Guarded([&] { (form->*command)(); }); });
  return action;
}

}  // namespace

TMainForm::TMainForm(const QStringList& params, QWidget* parent)
    : QMainWindow(parent), Fvtd1(std::make_unique<TksVirtualTable>()), Fdata1(std::make_unique<TDataSource>()) {
  setWindowTitle(ToQString(DesignedCaption));
  resize(635, 356);
  QFont font(QStringLiteral("Calibri"));
  font.setPixelSize(12);
  setFont(font);

  Fvtd1->SetName(u"vtd1");
  Fdata1->SetName(u"data1");
  Fdata1->SetDataSet(Fvtd1.get());

  FgVTD = new TkscxGrid(this);
  FgVTD->SetName(u"gVTD");
  FgVTD->Level()->SetName(u"gVTD_Level");
  FgVTD_View = FgVTD->CreateView();
  FgVTD_View->SetName(u"gVTD_View");
  FgVTD_View->SetNavigatorVisible(true);
  FgVTD_View->SetMultiSelect(true);
  FgVTD_View->DataController()->SetDataSource(Fdata1.get());
  FgVTD_View->OnCustomDrawCell = [this](TcxGridDBTableView* sender, TcxCanvas& canvas,
                                        const TcxGridTableDataCellViewInfo& info,
                                        bool& done) { gVTD_ViewCustomDrawCell(sender, canvas, info, done); };
  setCentralWidget(FgVTD);
  CreateMenus();
  FormCreate(params);
}

TMainForm::~TMainForm() {
  // The grid is freed with the widgets, after the table and its source.
  FgVTD_View->DataController()->SetDataSource(nullptr);
}

void TMainForm::CreateMenus() {
  barFile = menuBar()->addMenu(QStringLiteral("File"));
  mnuOpen = AddCommand(barFile, QStringLiteral("Open file"), this, &TMainForm::mnuOpenClick);
  mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  mnuOpenComposed =
      AddCommand(barFile, QStringLiteral("Open from composed file"), this, &TMainForm::mnuOpenComposedClick);
  mnuOpenComposed->setVisible(false);
  mnuSave = AddCommand(barFile, QStringLiteral("Save"), this, &TMainForm::mnuSaveClick);
  mnuSaveAs = AddCommand(barFile, QStringLiteral("Save as"), this, &TMainForm::mnuSaveAsClick);
  barFile->addSeparator();
  mnuClose = AddCommand(barFile, QStringLiteral("Close"), this, &TMainForm::mnuCloseClick);

  barTools = menuBar()->addMenu(QStringLiteral("Tools"));
  mnuExport = AddCommand(barTools, QStringLiteral("Export data"), this, &TMainForm::mnuExportClick);
  mnuImport = AddCommand(barTools, QStringLiteral("Import data"), this, &TMainForm::mnuImportClick);
  barTools->addSeparator();
  cxBarColorNulls = barTools->addAction(QStringLiteral("Show Null values in Color"));
  cxBarColorNulls->setToolTip(cxBarColorNulls->text());
  cxBarColorNulls->setCheckable(true);
  cxBarColorNulls->setChecked(true);
  connect(cxBarColorNulls, &QAction::toggled, this,
          [this] { Guarded([&] { cxBarColorNullsPropertiesEditValueChanged(); }); });
}

void TMainForm::FormCreate(const QStringList& params) {
  FNullColor = RGBToColor(245, 222, 179);
  FcOrgCaption = FromQString(windowTitle());
  // A file that fails to open is reported; the window opens all the same.
  if (params.size() == 1) Guarded([&] { LoadFromFile(FromQString(params.front())); });
}

String TMainForm::Caption() const { return FromQString(windowTitle()); }

void TMainForm::CommitEditing() { FgVTD_View->PostEditing(); }

void TMainForm::LoadFromFile(const String& fileName) {
  CommitEditing();
  FFileName = fileName;
  try {
    TcxGridDataController* controller = FgVTD_View->DataController();
    controller->SetDataSource(nullptr);
    Fvtd1->Clear();
    Fvtd1->Close();
    Fvtd1->LoadFromFile(fileName, true, true);
    Fvtd1->Open();
    FgVTD_View->BeginUpdate();
    try {
      FgVTD_View->ClearItems();
      for (TField* field : Fvtd1->Fields()) {
        TcxGridDBColumn* column = FgVTD_View->CreateColumn();
        column->DataBinding().SetFieldName(field->FieldName());
        column->SetName(u"vtd" + field->FieldName());
        if (field->DataType() == ftString) {
          const int dataSize = field->Size() + 1;
          if (dataSize > WideStringWidth) {
            column->SetWidth(WideStringWidth);
          } else if (dataSize < NarrowStringSize) {
            column->SetWidth(NarrowStringWidth);
          }
        }
      }
    } catch (...) {
      FgVTD_View->EndUpdate();
      throw;
    }
    FgVTD_View->EndUpdate();
    controller->SetDataSource(Fdata1.get());
  } catch (...) {
    // "Save" must never write what was read of a file that failed to load
    // over that file.
    FFileName.clear();
    throw;
  }
  setWindowTitle(ToQString(FcOrgCaption + CaptionSeparator + fileName));
}

void TMainForm::mnuOpenClick() {
  TFileDialogRequest request;
  request.Parent = this;
  request.Open = true;
  if (ShowFileDialog(request)) LoadFromFile(request.FileName);
}

void TMainForm::mnuSaveClick() {
  if (!Fvtd1->Active() || FFileName.empty()) return;
  CommitEditing();
  Fvtd1->SaveToFile(FFileName, true, false);
}

void TMainForm::mnuSaveAsClick() {
  if (!Fvtd1->Active()) return;
  CommitEditing();
  TFileDialogRequest request;
  request.Parent = this;
  request.Open = false;
  if (ShowFileDialog(request)) Fvtd1->SaveToFile(request.FileName, true, false);
}

// The wizards report their own failures; one that leaves them reaches the
// command's error box.
void TMainForm::mnuExportClick() {
  CommitEditing();
  if (Fvtd1->Active()) RunExportWizard(*Fvtd1, FFileName);
}

void TMainForm::mnuImportClick() {
  CommitEditing();
  RunImportWizard(*Fvtd1);
}

void TMainForm::mnuCloseClick() { close(); }

void TMainForm::closeEvent(QCloseEvent* event) {
  // The last typed value reaches the table even as the window goes; a value
  // the table refuses is reported and the window closes all the same.
  Guarded([&] { CommitEditing(); });
  QMainWindow::closeEvent(event);
}

void TMainForm::cxBarColorNullsPropertiesEditValueChanged() { FgVTD_View->Invalidate(); }

void TMainForm::gVTD_ViewCustomDrawCell(TcxGridDBTableView*, TcxCanvas& canvas,
                                        const TcxGridTableDataCellViewInfo& viewInfo, bool&) {
  if (cxBarColorNulls->isChecked() && viewInfo.Value.IsNull()) canvas.Brush.Color = FNullColor;
}
