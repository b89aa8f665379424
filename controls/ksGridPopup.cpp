#include "controls/ksGridPopup.h"

#include <QPointer>
#include <filesystem>

#include "controls/ksSkin.h"
#include "export/ExportGrid.h"
#include "export/writers/ExportToXLS.h"
#include "platform/db/Field.h"
#include "platform/gui/GridDataController.h"
#include "platform/gui/GridPrinting.h"
#include "platform/gui/QtStrings.h"
#include "platform/rtl/FileDialog.h"

QKeySequence GridIncSearchShortcut;
std::function<void(TcxGridDBTableView*)> OnTriggerCalc;
std::function<void(TcxGridTablePopupMenuOperation*, TcxGridDBTableView*)> OnKALMClick;
void (*OnGridModeClick)(TcxGridDBTableView*) = nullptr;

namespace {

QPointer<TcxGridDBTableView>& HitView() {
  static QPointer<TcxGridDBTableView> view;
  return view;
}

std::vector<std::unique_ptr<TcxGridTablePopupMenuOperation>>& Operations() {
  static std::vector<std::unique_ptr<TcxGridTablePopupMenuOperation>> operations;
  return operations;
}

// The grid that shows the view.
TcxGrid* GridOfView(TcxGridDBTableView* view) {
  return view != nullptr ? qobject_cast<TcxGrid*>(view->parentWidget()) : nullptr;
}

// A grid's view as the export reads it: every column with its caption,
// every row of the dataset.
class TksGridExportSource : public IExportGrid {
 public:
  explicit TksGridExportSource(TcxGridDBTableView* view) : FView(view) {}
  String GridName() const override { return FView->Name(); }
  TDataSet* GridDataSet() const override { return FView->DataController()->DataSet(); }
  Integer GridColumnCount() const override { return FView->ColumnCount(); }
  TExportGridColumn GridColumn(Integer index) const override {
    TExportGridColumn column;
    column.FieldName = FView->Columns(index)->DataBinding().FieldName();
    column.Field = FView->DataController()->ColumnField(index);
    column.TitleCaption = column.Field != nullptr ? column.Field->DisplayLabel() : column.FieldName;
    if (column.Field != nullptr) column.Alignment = column.Field->Alignment();
    return column;
  }
  Integer SelectedRowCount() const override { return 0; }
  TBookmark SelectedRow(Integer) const override { return {}; }

 private:
  TcxGridDBTableView* FView;
};

}  // namespace

void SetGridPopupHitView(TcxGridDBTableView* view) { HitView() = view; }
TcxGridDBTableView* GridPopupHitView() { return HitView(); }

// ---------------------------------------------------------------------------
// Grid mode

TkscxPopupGridMode::TkscxPopupGridMode() : TksGridOperation(u"Tabelarični način") {}

void TkscxPopupGridMode::Execute(QObject* sender) {
  TcxGridTablePopupMenuOperation::Execute(sender);
  TcxGridDBTableView* view = HitGridView();
  if (view == nullptr) return;
  const bool mode = !GetGridMode(view);
  SetGridMode(view, mode);
  TcxDataModeController& dataMode = view->DataController()->DataModeController();
  dataMode.GridMode = mode;
  view->SetColumnFiltering(!mode);
  if (dataMode.GridMode) view->SetGroupByBox(false);
  if (OnGridModeClick != nullptr) OnGridModeClick(view);
}

// ---------------------------------------------------------------------------
// Export to a worksheet

TkscxPopupExport2Excel::TkscxPopupExport2Excel() : TksGridOperation(u"Export to Excel") {}

void TkscxPopupExport2Excel::Execute(QObject* sender) {
  TcxGridTablePopupMenuOperation::Execute(sender);
  TcxGridDBTableView* view = HitGridView();
  TFileDialogRequest request;
  request.Parent = view != nullptr ? view->window() : nullptr;
  request.Open = false;
  request.Filter = u"Excel files (*.xls)|*.XLS";
  if (!ShowFileDialog(request)) return;
  // The dialog's default extension: a name without one gets ".xls".
  if (std::filesystem::path(request.FileName).extension().empty()) request.FileName += u".xls";
  // The views of this grid are never details of another, so the grid is
  // written as it stands, without expanding.
  if (TcxGrid* grid = GridOfView(view)) ExportGridToExcel(request.FileName, grid, false, true, true, u"xls");
}

void ExportGridToExcel(const String& fileName, TcxGrid* grid, bool, bool, bool, const String&) {
  if (grid == nullptr || grid->Level()->GridView() == nullptr) return;
  TcxGridDBTableView* view = grid->Level()->GridView();
  view->PostEditing();
  TksGridExportSource source(view);
  TRODirezaToXLS writer;
  writer.SetDBGrid(&source);
  writer.ColumnSource = csDBGrid;
  writer.AddTitle = true;
  writer.AnimatedStatus = false;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.FileName = fileName;
  writer.Execute();
}

// ---------------------------------------------------------------------------
// Calculator and the host's sales views

TkscxPopupCalculator::TkscxPopupCalculator() : TksGridOperation(u"Kalkulator") {}

void TkscxPopupCalculator::Execute(QObject* sender) {
  TcxGridTablePopupMenuOperation::Execute(sender);
  if (OnTriggerCalc) OnTriggerCalc(HitGridView());
}

void TkscxPopupKAOperation::Execute(QObject* sender) {
  TcxGridTablePopupMenuOperation::Execute(sender);
  if (OnKALMClick) OnKALMClick(this, HitGridView());
}

// ---------------------------------------------------------------------------
// Print

TkscxPopupPrint::TkscxPopupPrint() : TksGridOperation(u"Izpis") {}

void TkscxPopupPrint::Execute(QObject* sender) {
  TcxGridTablePopupMenuOperation::Execute(sender);
  TcxGridDBTableView* view = HitGridView();
  TcxGrid* grid = GridOfView(view);
  if (grid == nullptr) return;
  QObject* owner = view->window();
  auto* printer = new TdxComponentPrinter(owner);
  auto* link = new TdxGridReportLink(owner);
  struct Free {
    TdxComponentPrinter* Printer;
    TdxGridReportLink* Link;
    ~Free() {
      delete Link;
      delete Printer;
    }
  } free{printer, link};
  link->SetComponentPrinter(printer);
  link->SetComponent(grid);
  link->PrinterPage().PaperSize = 9;  // A4
  link->Preview(true);
}

// ---------------------------------------------------------------------------
// Filter

TkscxPopupFilterEx::TkscxPopupFilterEx() : TksGridOperation(u"Napredni filter") {}

void TkscxPopupFilterEx::Execute(QObject* sender) {
  TcxGridTablePopupMenuOperation::Execute(sender);
  if (TcxGridDBTableView* view = HitGridView()) view->ShowFilterCustomizeDialog();
}

bool TkscxPopupFilterEx::Enabled() const {
  const TcxGridDBTableView* view = HitGridView();
  return view == nullptr || !view->DataController()->DataModeController().GridMode;
}

// ---------------------------------------------------------------------------
// Popup properties

bool AssignedGridViewPopUpProperties(const TcxGridTablePopupMenuOperation* operation,
                                     TksGridPopUpProperties*& properties) {
  properties = nullptr;
  if (operation == nullptr) return false;
  // A view of this grid is never a clone of a detail level: the hit view
  // itself holds the properties that count.
  auto* view = dynamic_cast<TkscxGridDBTableViewBase*>(operation->HitGridView());
  if (view == nullptr) return false;
  properties = view->PopUpProperties();
  return properties != nullptr;
}

void TkscxGridPopEventOperation::Execute(QObject* sender) {
  TcxGridTablePopupMenuOperation::Execute(sender);
  TksGridPopUpProperties* properties = nullptr;
  if (!AssignedGridViewPopUpProperties(this, properties)) return;
  const auto& event = properties->*FEvent;
  if (event) event(sender);
}

// ---------------------------------------------------------------------------
// The unit

const std::vector<std::unique_ptr<TcxGridTablePopupMenuOperation>>& GridPopupOperations() { return Operations(); }

void GridUtilsInitialize() {
  GridIncSearchShortcut = QKeySequence(Qt::CTRL | Qt::Key_E);
  auto& ops = Operations();
  ops.clear();
  ops.push_back(std::make_unique<TkscxPopupGridMode>());
  ops.push_back(std::make_unique<TkscxPopupExport2Excel>());
  ops.push_back(std::make_unique<TkscxPopupCalculator>());
  ops.push_back(std::make_unique<TkscxPopupPrint>());
  ops.push_back(std::make_unique<TkscxPopupFilterEx>());
  ops.push_back(std::make_unique<TkscxPopupKASales>());
  ops.push_back(std::make_unique<TkscxPopupKAPurch>());
  ops.push_back(std::make_unique<TkscxPopupKAStock>());
  ops.push_back(std::make_unique<TkscxGridPopMarkAll>());
  ops.push_back(std::make_unique<TkscxGridPopSelectMarked>());
  ops.push_back(std::make_unique<TkscxGridPopSelectAll>());
  ops.push_back(std::make_unique<TkscxGridPopSelectInverse>());
  ops.push_back(std::make_unique<TkscxGridPopDeclineInverse>());
  ops.push_back(std::make_unique<TkscxGridPopDeclineAll>());
  ops.push_back(std::make_unique<TkscxGridPopDeleteMarked>());
  ops.push_back(std::make_unique<TkscxGridPopInverseMarked>());
  ops.push_back(std::make_unique<TkscxGridPopShowSUMValues>());
  ops.push_back(std::make_unique<TkscxGridPopAllRecords>());
  for (TcxResourceString caption :
       {cxSGridSortColumnAsc, cxSGridSortColumnDesc, cxSGridClearSorting, cxSGridGroupByThisField, cxSGridGroupByBox,
        cxSGridRemoveColumn, cxSGridFieldChooser, cxSGridBestFit, cxSGridBestFitAllColumns, cxSGridShowFooter,
        cxSGridShowGroupFooter, cxSGridAlignLeft, cxSGridAlignRight, cxSGridAlignCenter}) {
    ops.push_back(std::make_unique<TcxGridPlatformOperation>(caption));
  }
}

void GridUtilsFinalize() {
  auto& ops = Operations();
  for (auto& op : ops) op.reset();
  ops.clear();
  HitView() = nullptr;
}
