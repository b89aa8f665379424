#include "import/forms/IconListDelegate.h"

#include <QIcon>
#include <QPainter>
#include <QStyle>

void TIconListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette& palette = option.palette;
  painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());
  const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
  if (!icon.isNull()) painter->drawPixmap(option.rect.left() + 1, option.rect.top() + 1, icon.pixmap(16, 16));
  painter->setPen(selected ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text));
  const QRect text(option.rect.left() + FTextLeft, option.rect.top() + FTextTop, option.rect.width() - FTextLeft,
                   option.rect.height() - FTextTop);
  painter->drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, index.data(Qt::DisplayRole).toString());
}

QSize TIconListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const int width = option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString() + QLatin1Char('x'));
  return {width + FTextLeft, FItemHeight};
}
