#include "platform/gui/GridView.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/db/DataSet.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/GridCellEditors.h"
#include "platform/gui/GridDataController.h"
#include "platform/gui/GridNavigator.h"
#include "platform/gui/ResourceStrings.h"
#include "platform/gui/QtStrings.h"

// ---------------------------------------------------------------------------
// Columns

void TcxGridDataBinding::SetFieldName(const String& value) {
  if (value == FFieldName) return;
  FFieldName = value;
  FColumn->GridView()->FColumnsChanged = true;
  FColumn->GridView()->LayoutColumns();
}

TcxGridDBColumn::TcxGridDBColumn(TcxGridDBTableView* view) : FView(view), FDataBinding(this) {}

int TcxGridDBColumn::Width() const { return FWidth >= 0 ? FWidth : FView->DefaultColumnWidth(); }

void TcxGridDBColumn::SetWidth(int value) {
  FWidth = std::max(value, 0);
  FView->ColumnWidthChanged(this);
}

int TcxGridDBColumn::Index() const {
  for (int i = 0; i < FView->ColumnCount(); ++i) {
    if (FView->Columns(i) == this) return i;
  }
  return -1;
}

TField* TcxGridDBColumn::Field() const { return FView->DataController()->ColumnField(Index()); }

// ---------------------------------------------------------------------------
// The table widget

TcxGridSite::TcxGridSite(QWidget* parent) : QTableView(parent) {}

void TcxGridSite::CommitOpenEditor() {
  if (state() != EditingState) return;
  QWidget* editor = indexWidget(currentIndex());
  if (editor == nullptr) return;
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TcxGridSite::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (model() != nullptr && model()->rowCount() > 0) return;
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::PlaceholderText));
  painter.drawText(viewport()->rect().adjusted(0, 8, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                   ToQString(ResourceString(scxGridNoDataInfoText)));
}

void TcxGridSite::keyPressEvent(QKeyEvent* event) {
  if (state() != EditingState) {
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
      emit InsertKey();
      return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
      emit DeleteKey();
      return;
    }
    if (event->key() == Qt::Key_Escape) {
      emit EscapeKey();
      return;
    }
  }
  QTableView::keyPressEvent(event);
}

// ---------------------------------------------------------------------------
// The view

TcxGridDBTableView::TcxGridDBTableView(QWidget* parent)
    : QWidget(parent), FController(std::make_unique<TcxGridDataController>(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  FSite = new TcxGridSite(this);
  FSite->setModel(FController.get());
  FSite->setItemDelegate(new TcxGridCellDelegate(this));
  FSite->setSelectionBehavior(QAbstractItemView::SelectRows);
  FSite->setSelectionMode(QAbstractItemView::SingleSelection);
  FSite->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  FSite->verticalHeader()->setDefaultSectionSize(FSite->fontMetrics().height() + 6);
  FSite->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  FSite->verticalHeader()->setFixedWidth(12);
  FSite->horizontalHeader()->setDefaultSectionSize(FDefaultColumnWidth);
  FSite->setWordWrap(false);
  // A narrow column clips its values rather than spend its few pixels on
  // an ellipsis.
  FSite->setTextElideMode(Qt::ElideNone);
  layout->addWidget(FSite, 1);
  FNavigator = new TcxGridNavigator(this);
  layout->addWidget(FNavigator);

  connect(FController.get(), &TcxGridDataController::FocusedRowChanged, this,
          [this](int row) { FollowFocusedRow(row); });
  connect(FController.get(), &TcxGridDataController::StateChanged, FNavigator, &TcxGridNavigator::UpdateButtons);
  connect(FController.get(), &TcxGridDataController::UpdateDataRequested, FSite, &TcxGridSite::CommitOpenEditor);
  connect(FController.get(), &QAbstractItemModel::modelReset, this, [this] { LayoutColumns(); });
  connect(FSite->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &TcxGridDBTableView::CurrentRowChanged);
  connect(FSite, &TcxGridSite::InsertKey, this, [this] { Guarded([&] { InsertRecord(); }); });
  connect(FSite, &TcxGridSite::DeleteKey, this, [this] { Guarded([&] { DeleteRecords(); }); });
  connect(FSite, &TcxGridSite::EscapeKey, this, [this] { Guarded([&] { CancelRecord(); }); });
}

TcxGridDBTableView::~TcxGridDBTableView() {
  // The site goes with the widget tree after this; it must not ask a
  // controller that is gone.
  FSite->setModel(nullptr);
}

TcxGridDBColumn* TcxGridDBTableView::CreateColumn() {
  FColumns.push_back(std::make_unique<TcxGridDBColumn>(this));
  FColumnsChanged = true;
  LayoutColumns();
  return FColumns.back().get();
}

void TcxGridDBTableView::ClearItems() {
  FColumns.clear();
  FColumnsChanged = true;
  LayoutColumns();
}

TcxGridDBColumn* TcxGridDBTableView::ColumnByName(const String& name) const {
  for (const auto& column : FColumns) {
    if (column->Name() == name) return column.get();
  }
  return nullptr;
}

void TcxGridDBTableView::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  LayoutColumns();
}

void TcxGridDBTableView::LayoutColumns() {
  if (Updating()) return;
  if (FColumnsChanged) {
    FColumnsChanged = false;
    FController->ColumnsChanged();  // resets the model, which lays out again
    return;
  }
  QHeaderView* header = FSite->horizontalHeader();
  for (int i = 0; i < ColumnCount() && i < header->count(); ++i) header->resizeSection(i, Columns(i)->Width());
}

void TcxGridDBTableView::ColumnWidthChanged(TcxGridDBColumn* column) {
  if (Updating()) return;
  const int index = column->Index();
  if (index >= 0 && index < FSite->horizontalHeader()->count()) {
    FSite->horizontalHeader()->resizeSection(index, column->Width());
  }
}

void TcxGridDBTableView::Invalidate() { FSite->viewport()->update(); }

bool TcxGridDBTableView::NavigatorVisible() const { return !FNavigator->isHidden(); }
void TcxGridDBTableView::SetNavigatorVisible(bool value) { FNavigator->setVisible(value); }

bool TcxGridDBTableView::MultiSelect() const {
  return FSite->selectionMode() == QAbstractItemView::ExtendedSelection;
}
void TcxGridDBTableView::SetMultiSelect(bool value) {
  FSite->setSelectionMode(value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool TcxGridDBTableView::HeaderEndEllipsis() const {
  return FSite->horizontalHeader()->textElideMode() == Qt::ElideRight;
}
void TcxGridDBTableView::SetHeaderEndEllipsis(bool value) {
  FSite->horizontalHeader()->setTextElideMode(value ? Qt::ElideRight : Qt::ElideNone);
}

void TcxGridDBTableView::ShowFilterCustomizeDialog() {
  TDataSet* dataSet = FController->DataSet();
  if (dataSet == nullptr) return;
  FSite->CommitOpenEditor();
  bool accepted = false;
  const QString expression =
      QInputDialog::getText(this, ToQString(ResourceString(cxSFilterDialogCaption)),
                            ToQString(ResourceString(cxSFilterDialogPrompt)), QLineEdit::Normal,
                            ToQString(dataSet->Filtered() ? dataSet->Filter() : String()), &accepted);
  if (!accepted) return;
  const String filter = FromQString(expression.trimmed());
  dataSet->SetFiltered(false);
  dataSet->SetFilterText(filter);
  dataSet->SetFiltered(!filter.empty());
}

void TcxGridDBTableView::FollowFocusedRow(int row) {
  FNavigator->UpdateButtons();
  QItemSelectionModel* selection = FSite->selectionModel();
  if (row < 0) return;
  const QModelIndex current = FSite->currentIndex();
  if (current.isValid() && current.row() == row) return;
  FFollowing = true;
  const QModelIndex target = FController->index(row, std::max(current.column(), 0));
  selection->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  FFollowing = false;
  FSite->scrollTo(target);
}

void TcxGridDBTableView::CurrentRowChanged(const QModelIndex& current, const QModelIndex&) {
  if (FFollowing || !current.isValid()) return;
  const bool moved = Guarded([&] { FController->FocusRow(current.row()); });
  // A record that could not be left keeps the focus.
  if (!moved) FollowFocusedRow(FController->FocusedRow());
}

std::vector<int> TcxGridDBTableView::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : FSite->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TcxGridDBTableView::GoFirst() {
  if (TDataSet* d = FController->DataSet()) d->First();
}
void TcxGridDBTableView::GoPrior() {
  if (TDataSet* d = FController->DataSet()) d->Prior();
}
void TcxGridDBTableView::GoNext() {
  if (TDataSet* d = FController->DataSet()) d->Next();
}
void TcxGridDBTableView::GoLast() {
  if (TDataSet* d = FController->DataSet()) d->Last();
}

void TcxGridDBTableView::InsertRecord() {
  FSite->CommitOpenEditor();
  FController->InsertRecord(false);
}

void TcxGridDBTableView::DeleteRecords() {
  TDataSet* dataSet = FController->DataSet();
  if (dataSet == nullptr) return;
  FSite->CommitOpenEditor();
  std::vector<int> rows = SelectedRows();
  if (rows.empty() && FController->FocusedRow() >= 0) rows.push_back(FController->FocusedRow());
  if (rows.empty()) return;
  const TcxResourceString question =
      rows.size() > 1 ? scxGridDeletingSelectedConfirmationText : scxGridDeletingFocusedConfirmationText;
  if (!MessageConfirm(this, ResourceString(SMsgDlgConfirm), ResourceString(question))) return;
  FController->DeleteRows(std::move(rows));
  FSite->selectionModel()->clearSelection();
  FollowFocusedRow(FController->FocusedRow());
}

void TcxGridDBTableView::EditRecord() {
  if (TDataSet* d = FController->DataSet()) d->Edit();
}

void TcxGridDBTableView::PostRecord() { PostEditing(); }

void TcxGridDBTableView::CancelRecord() {
  FSite->closePersistentEditor(FSite->currentIndex());
  if (TDataSet* d = FController->DataSet()) d->Cancel();
}

void TcxGridDBTableView::RefreshRecords() {
  if (TDataSet* d = FController->DataSet()) d->Refresh();
}

void TcxGridDBTableView::PostEditing() {
  FSite->CommitOpenEditor();
  TDataSet* dataSet = FController->DataSet();
  if (dataSet != nullptr && (dataSet->State() == dsEdit || dataSet->State() == dsInsert)) dataSet->Post();
}

// ---------------------------------------------------------------------------
// The grid

TcxGrid::TcxGrid(QWidget* parent) : QWidget(parent), FLevel(std::make_unique<TcxGridLevel>()) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

TcxGrid::~TcxGrid() = default;

void TcxGrid::AttachView(TcxGridDBTableView* view) {
  layout()->addWidget(view);
  delete FLevel->FGridView;
  FLevel->FGridView = view;
  view->Loaded();
}

// ---------------------------------------------------------------------------
// Registered view classes

namespace {

std::vector<std::pair<String, TcxGridViewFactory>>& ViewClasses() {
  static std::vector<std::pair<String, TcxGridViewFactory>> classes;
  return classes;
}

}  // namespace

void RegisterGridViewClass(const String& description, TcxGridViewFactory factory) {
  UnregisterGridViewClass(description);
  ViewClasses().emplace_back(description, std::move(factory));
}

void UnregisterGridViewClass(const String& description) {
  auto& classes = ViewClasses();
  std::erase_if(classes, [&](const auto& c) { return c.first == description; });
}

std::vector<String> RegisteredGridViewClasses() {
  std::vector<String> names;
  for (const auto& c : ViewClasses()) names.push_back(c.first);
  return names;
}

TcxGridDBTableView* CreateRegisteredGridView(const String& description, QWidget* grid) {
  for (const auto& c : ViewClasses()) {
    if (c.first == description) return c.second(grid);
  }
  return nullptr;
}
