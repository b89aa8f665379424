// The grid's cell delegate: an in-place editor fitting the field's type
// (text, numbers, dates and times; booleans toggle as a check box), and the
// cell-drawing hook before each data cell is painted.
#pragma once

#include <QStyledItemDelegate>

#include "platform/rtl/Types.h"

class TcxGridDBTableView;

// A date or time format of the format settings ("dd/mm/yyyy hh:nn") as the
// Qt date editors write it ("dd.MM.yyyy HH:mm" with "." as date separator).
QString QtDateTimeFormat(const String& format);

class TcxGridCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit TcxGridCellDelegate(TcxGridDBTableView* view);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

 private:
  TcxGridDBTableView* FView;
};
