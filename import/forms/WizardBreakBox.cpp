#include "import/forms/WizardBreakBox.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

#include "import/ValueConversion.h"
#include "platform/gui/QtStrings.h"

TWizardBreakBox::TWizardBreakBox(TBreakEditor& editor, const TWizardFormState& state, const TTextLines& sample,
                                 QWidget* parent)
    : QWidget(parent), FEditor(editor), FState(state), FSample(sample) {
  // Columns of fixed-width text only line up in a fixed-pitch font.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPixelSize(12);
  setFont(fixed);
  FEditor.CharWidth = fontMetrics().horizontalAdvance(QLatin1Char('W'));
  setMouseTracking(false);
  setMinimumHeight(LineHeight() * (ShownLines + 1) + 20);
}

int TWizardBreakBox::LineHeight() const { return fontMetrics().height(); }

QRect TWizardBreakBox::TextArea() const { return rect().adjusted(0, LineHeight() + 15, 0, 0); }

int TWizardBreakBox::VisibleColumns() const { return FEditor.VisibleColumns(TextArea().width() - 2); }

void TWizardBreakBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  const QRect frame = TextArea();
  painter.setPen(Qt::black);
  painter.drawRect(frame.adjusted(0, 0, -1, -1));
  const QRect area = frame.adjusted(1, 1, -1, -1);
  painter.fillRect(area, Qt::white);
  const int charWidth = FEditor.CharWidth;
  const int visible = VisibleColumns();
  const int lineHeight = LineHeight();
  for (int i = 0; i < ShownLines; ++i) {
    const Integer index = FEditor.VertOffset + i;
    if (index >= FSample.Count()) break;
    String line = ImportText::UECode(OEM, String(FSample.Line(index)));
    const size_t from = static_cast<size_t>(FEditor.HorzOffset);
    line = from < line.size() ? line.substr(from, static_cast<size_t>(visible)) : String();
    painter.drawText(QRect(area.left(), area.top() + i * lineHeight, area.width(), lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, ToQString(line));
  }
  // The ruler: a tick per column, a long one every fifth, a number every tenth.
  const int top = frame.top();
  painter.drawLine(0, top - 8, width(), top - 8);
  for (int i = 0; i <= visible; ++i) {
    const int x = area.left() + i * charWidth;
    const Integer p = FEditor.HorzOffset + i;
    painter.drawLine(x, p % 5 == 0 ? top - 13 : top - 10, x, top - 8);
    if (p != 0 && p % 10 == 0)
      painter.drawText(QRect(x - 20, top - lineHeight - 15, 40, lineHeight), Qt::AlignCenter, QString::number(p));
  }
  for (size_t k = 0; k < FState.Breaks.size(); ++k) {
    const Integer b = FState.Breaks[k];
    if (b < FEditor.HorzOffset || b > FEditor.HorzOffset + visible || visible == 0) continue;
    const int x = area.left() + static_cast<int>((b - FEditor.HorzOffset) % (visible + 1)) * charWidth;
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygon({QPoint(x, top - 7), QPoint(x - 3, top - 3), QPoint(x + 3, top - 3)}));
    painter.setPen(QPen(Qt::black, 1, FEditor.Pressed && FEditor.Dragged == static_cast<Integer>(k)
                                          ? Qt::DotLine
                                          : Qt::SolidLine));
    painter.drawLine(x, top - 3, x, frame.bottom());
    painter.setPen(Qt::black);
  }
}

void TWizardBreakBox::Changed() {
  update();
  if (OnBreaksChanged) OnBreaksChanged();
}

void TWizardBreakBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  FEditor.MouseDown(static_cast<Integer>(event->position().x()) - 1, false);
  Changed();
}

void TWizardBreakBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  FEditor.MouseDown(static_cast<Integer>(event->position().x()) - 1, true);
  Changed();
}

void TWizardBreakBox::mouseMoveEvent(QMouseEvent* event) {
  if (!FEditor.Pressed || FEditor.Dragged < 0) return;
  const auto before = FState.Breaks;
  FEditor.MouseMove(static_cast<Integer>(event->position().x()) - 1);
  if (before != FState.Breaks) Changed();
}

void TWizardBreakBox::mouseReleaseEvent(QMouseEvent*) {
  FEditor.MouseUp();
  update();
}
