#include "platform/gui/GridCellEditors.h"

#include <QApplication>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QTimeEdit>
#include <algorithm>
#include <cctype>

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

size_t RunLength(const String& text, size_t at) {
  size_t end = at;
  const char16_t c = static_cast<char16_t>(std::tolower(text[at]));
  while (end < text.size() && std::tolower(text[end]) == c) ++end;
  return end - at;
}

bool StartsWithText(const String& text, size_t at, std::u16string_view what) {
  if (text.size() - at < what.size()) return false;
  for (size_t i = 0; i < what.size(); ++i) {
    if (std::tolower(text[at + i]) != what[i]) return false;
  }
  return true;
}

QString QtQuoted(QStringView literal) {
  QString quoted = literal.toString();
  quoted.replace(u'\'', QStringLiteral("''"));
  return u'\'' + quoted + u'\'';
}

}  // namespace

QString QtDateTimeFormat(const String& format) {
  const String lower = [&] {
    String l = format;
    for (char16_t& c : l) c = static_cast<char16_t>(std::tolower(c));
    return l;
  }();
  const bool twelveHours = lower.find(u"am/pm") != String::npos || lower.find(u"a/p") != String::npos;
  QString out;
  bool afterHour = false;  // an "m" right after hours means minutes
  for (size_t i = 0; i < format.size();) {
    const char16_t c = static_cast<char16_t>(std::tolower(format[i]));
    if (c == u'\'' || c == u'"') {
      const size_t close = format.find(format[i], i + 1);
      const size_t end = close == String::npos ? format.size() : close;
      out += QtQuoted(QStringView(format).mid(static_cast<qsizetype>(i + 1), static_cast<qsizetype>(end - i - 1)));
      i = end + 1;
      continue;
    }
    if (StartsWithText(format, i, u"am/pm") || StartsWithText(format, i, u"a/p")) {
      out += QStringLiteral("AP");
      i += format[i + 1] == u'/' ? 3 : 5;
      continue;
    }
    const size_t n = std::tolower(format[i]) >= u'a' && std::tolower(format[i]) <= u'z' ? RunLength(format, i) : 1;
    switch (c) {
      case u'd': out += QString(static_cast<qsizetype>(std::min<size_t>(n, 4)), u'd'); break;
      case u'm':
        out += QString(static_cast<qsizetype>(std::min<size_t>(n, 4)), afterHour && n <= 2 ? u'm' : u'M');
        break;
      case u'n': out += QString(static_cast<qsizetype>(std::min<size_t>(n, 2)), u'm'); break;
      case u'y': out += n <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy"); break;
      case u'h': out += QString(static_cast<qsizetype>(std::min<size_t>(n, 2)), twelveHours ? u'h' : u'H'); break;
      case u's': out += QString(static_cast<qsizetype>(std::min<size_t>(n, 2)), u's'); break;
      case u'z': out += n >= 3 ? QStringLiteral("zzz") : QStringLiteral("z"); break;
      case u'/': out += QtQuoted(QString(QChar(FormatSettings.DateSeparator))); break;
      case u':': out += QtQuoted(QString(QChar(FormatSettings.TimeSeparator))); break;
      default:
        if (c >= u'a' && c <= u'z') {
          out += QtQuoted(QStringView(format).mid(static_cast<qsizetype>(i), static_cast<qsizetype>(n)));
        } else {
          out += QChar(format[i]);
        }
    }
    if (c == u'h') afterHour = true;
    if (c == u'd' || c == u'y' || c == u'm' || c == u'n' || c == u's') afterHour = false;
    i += n;
  }
  return out;
}

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
      edit->setDisplayFormat(QtDateTimeFormat(format));
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
