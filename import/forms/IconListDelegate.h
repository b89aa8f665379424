// Draws list entries as the import's dialogs show them: an optional 16 x 16
// picture at the entry's left + 1, top + 1 and the text after it, on a
// fixed entry height. The entry's width is its text's width (with one extra
// "x") plus the text offset, so a long entry gives the list a horizontal
// scroll bar.
#pragma once

#include <QStyledItemDelegate>

class TIconListDelegate : public QStyledItemDelegate {
 public:
  TIconListDelegate(int textLeft, int textTop, int itemHeight, QObject* parent)
      : QStyledItemDelegate(parent), FTextLeft(textLeft), FTextTop(textTop), FItemHeight(itemHeight) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  int FTextLeft;
  int FTextTop;
  int FItemHeight;
};
