#include "platform/gui/GridCellEditors.h"

#include <QApplication>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QTimeEdit>

#include "platform/db/Field.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/GridDataController.h"
#include "platform/gui/GridView.h"
#include "platform/gui/QtStrings.h"
#include "platform/rtl/FormatSettings.h"

namespace {

enum class EditorKind { Text, Integer, Number, Date, Time, DateTime, None };

EditorKind KindOf(TFieldType type) {
  switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint: case ftLongWord:
    case ftShortint: case ftByte:
      return EditorKind::Integer;
    case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: case ftExtended: case ftSingle:
      return EditorKind::Number;
    case ftDate: return EditorKind::Date;
    case ftTime: return EditorKind::Time;
    case ftDateTime: case ftTimeStamp: return EditorKind::DateTime;
    case ftBoolean: return EditorKind::None;
    default: return EditorKind::Text;
  }
}

// Number texts as the format settings write them: digits, sign, the
// separators and an exponent.
QValidator* NumberValidator(EditorKind kind, QObject* parent) {
  const QString sep = QRegularExpression::escape(QString(QChar(FormatSettings.DecimalSeparator)));
  const QString thousands = QRegularExpression::escape(QString(QChar(FormatSettings.ThousandSeparator)));
  const QString pattern = kind == EditorKind::Integer
                              ? QStringLiteral("[-+]?[0-9%1]*").arg(thousands)
                              : QStringLiteral("[-+]?[0-9%1]*(%2[0-9]*)?([eE][-+]?[0-9]*)?").arg(thousands, sep);
  return new QRegularExpressionValidator(QRegularExpression(pattern), parent);
}

}  // namespace

TcxGridCellDelegate::TcxGridCellDelegate(TcxGridDBTableView* view) : QStyledItemDelegate(view), FView(view) {}

QWidget* TcxGridCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
  TField* field = FView->DataController()->ColumnField(index.column());
  if (field == nullptr) return nullptr;
  const EditorKind kind = KindOf(field->DataType());
  switch (kind) {
    case EditorKind::None:
      return nullptr;
    case EditorKind::Date:
    case EditorKind::Time:
    case EditorKind::DateTime: {
      QDateTimeEdit* edit = kind == EditorKind::Date   ? new QDateEdit(parent)
                            : kind == EditorKind::Time ? static_cast<QDateTimeEdit*>(new QTimeEdit(parent))
                                                       : new QDateTimeEdit(parent);
      const String format = kind == EditorKind::Date ? FormatSettings.ShortDateFormat
                            : kind == EditorKind::Time
                                ? FormatSettings.LongTimeFormat
                                : FormatSettings.ShortDateFormat + u" " + FormatSettings.LongTimeFormat;
      edit->setDisplayFormat(ToQString(format));
      edit->setCalendarPopup(kind != EditorKind::Time);
      return edit;
    }
    default: {
      QLineEdit* edit = qobject_cast<QLineEdit*>(QStyledItemDelegate::createEditor(parent, option, index));
      if (edit == nullptr) edit = new QLineEdit(parent);
      if (kind != EditorKind::Text) {
        edit->setValidator(NumberValidator(kind, edit));
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      } else if (!field->IsBlob() && field->Size() > 0) {
        edit->setMaxLength(field->Size());
      }
      return edit;
    }
  }
}

void TcxGridCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  const QVariant value = index.data(Qt::EditRole);
  if (auto* edit = qobject_cast<QDateTimeEdit*>(editor)) {
    // A null date starts the editor at today.
    const QDateTime now = QDateTime::currentDateTime();
    if (value.typeId() == QMetaType::QDate) {
      edit->setDate(value.toDate());
    } else if (value.typeId() == QMetaType::QTime) {
      edit->setTime(value.toTime());
    } else {
      edit->setDateTime(value.isValid() ? value.toDateTime() : now);
    }
    return;
  }
  if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
    edit->setText(value.toString());
    return;
  }
  QStyledItemDelegate::setEditorData(editor, index);
}

void TcxGridCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  // A value the field refuses is shown, and the editor's text is dropped.
  Guarded([&] {
    if (auto* edit = qobject_cast<QDateEdit*>(editor)) {
      model->setData(index, edit->date(), Qt::EditRole);
    } else if (auto* edit = qobject_cast<QTimeEdit*>(editor)) {
      model->setData(index, edit->time(), Qt::EditRole);
    } else if (auto* edit = qobject_cast<QDateTimeEdit*>(editor)) {
      model->setData(index, edit->dateTime(), Qt::EditRole);
    } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
      model->setData(index, edit->text(), Qt::EditRole);
    } else {
      QStyledItemDelegate::setModelData(editor, model, index);
    }
  });
}

bool TcxGridCellDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) {
  // A check box toggled by the mouse or the space bar writes at once.
  bool handled = false;
  Guarded([&] { handled = QStyledItemDelegate::editorEvent(event, model, option, index); });
  return handled;
}

void TcxGridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  if (!FView->OnCustomDrawCell) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QColor base = opt.backgroundBrush.style() != Qt::NoBrush ? opt.backgroundBrush.color()
                                                                 : opt.palette.color(QPalette::Base);
  TcxCanvas canvas;
  canvas.Brush.Color = FromQColor(base);
  TcxGridTableDataCellViewInfo info;
  info.RecordIndex = index.row();
  info.Item = index.column() < FView->ColumnCount() ? FView->Columns(index.column()) : nullptr;
  info.Value = FView->DataController()->CellValue(index.row(), index.column());
  bool done = false;
  FView->OnCustomDrawCell(FView, canvas, info, done);
  const QColor brush = ToQColor(canvas.Brush.Color);
  if (brush != base) opt.backgroundBrush = brush;
  if (done) {
    painter->fillRect(opt.rect, opt.backgroundBrush);
    return;
  }
  const QWidget* widget = opt.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
}
