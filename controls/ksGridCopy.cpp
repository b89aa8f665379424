#include "controls/ksGridCopy.h"

#include <QKeyEvent>

#include "platform/db/Field.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/GridDataController.h"
#include "platform/gui/GridView.h"

std::vector<TksCopyColumn> TksGridViewCopySource::Columns() {
  std::vector<TksCopyColumn> columns;
  columns.reserve(static_cast<size_t>(FView->ColumnCount()));
  for (int i = 0; i < FView->ColumnCount(); ++i) {
    TcxGridDBColumn* column = FView->Columns(i);
    TField* field = FView->DataController()->ColumnField(i);
    if (field == nullptr) {
      columns.push_back({column->DataBinding().FieldName(), ftUnknown});
    } else {
      columns.push_back({field->DisplayLabel(), GetDataTypeByFieldType(field->DataType())});
    }
  }
  return columns;
}

std::vector<int> TksGridViewCopySource::SelectedRows() { return FView->SelectedRows(); }

int TksGridViewCopySource::FocusedRow() { return FView->DataController()->FocusedRow(); }

void TksGridViewCopySource::RowValues(int row, std::vector<Variant>& values) {
  if (!FView->DataController()->RowValues(row, values)) values.clear();
}

void TksGridViewCopySource::BeginUpdate() { FView->BeginUpdate(); }

void TksGridViewCopySource::EndUpdate() { FView->EndUpdate(); }

TksGridCopyKeys::TksGridCopyKeys(TcxGridDBTableView* view) : QObject(view), FView(view) {
  view->Site()->installEventFilter(this);
}

bool TksGridCopyKeys::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  auto* keyEvent = static_cast<QKeyEvent*>(event);
  Word key = 0;
  if (keyEvent->key() == Qt::Key_C) key = VK_C;
  else if (keyEvent->key() == Qt::Key_Insert) key = VK_INSERT;
  else return false;
  Qt::KeyboardModifiers modifiers = keyEvent->modifiers();
  unsigned shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= ssShift;
  if (modifiers & Qt::AltModifier) shift |= ssAlt;
  if (modifiers & Qt::ControlModifier) shift |= ssCtrl;
  bool editing = FView->Site()->Editing();
  TksGridViewCopySource source(FView);
  // A copy that raises (the previous workbook would not close) is shown,
  // and the key goes on to the grid.
  return Guarded([&] { CopyGridToClipboard().OnKeyDown(source, key, shift, editing); }) && key == 0;
}

void InstallGridCopyKeys(TcxGridDBTableView* view) {
  // A view of the library installs the keys itself; its grid must not add
  // a second copy.
  if (view->findChild<TksGridCopyKeys*>(QString(), Qt::FindDirectChildrenOnly) == nullptr) new TksGridCopyKeys(view);
}
