// The column-break editor of fixed-width text: five sample lines under a
// ruler, each break drawn as an arrow and a line down the text. A click
// makes a break, a double click removes one, a drag moves one; the breaks
// live in the wizard's form state.
#pragma once

#include <QWidget>
#include <functional>

#include "import/WizardPreview.h"

class TWizardBreakBox : public QWidget {
  Q_OBJECT

 public:
  TWizardBreakBox(TBreakEditor& editor, const TWizardFormState& state, const TTextLines& sample,
                  QWidget* parent = nullptr);

  // The sample is shown through the OEM code page (origin "ASCII (MS_DOS)").
  bool OEM = false;
  // Fired after the breaks changed.
  std::function<void()> OnBreaksChanged;
  // The x of a character column inside the box (for clicks and tests).
  int ColumnX(int column) const { return column * FEditor.CharWidth + 1; }
  int VisibleColumns() const;
  // Lines shown at once.
  static constexpr int ShownLines = 5;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The text area below the ruler.
  QRect TextArea() const;
  int LineHeight() const;
  void Changed();

  TBreakEditor& FEditor;
  const TWizardFormState& FState;
  const TTextLines& FSample;
};
