#include "import/forms/VODStat.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "platform/gui/FileCopyAnimation.h"
#include "platform/gui/QtStrings.h"
#include "import/ImportMessages.h"

namespace {

constexpr int LabelHeight = 13;

QLabel* MakeLabel(QWidget* parent, int left, int top, int width, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(left, top, width, LabelHeight);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

// A caption label and the blue number beside it.
void MakeCounter(QWidget* panel, int left, int top, const QString& caption, QLabel*& captionLabel,
                 QLabel*& numberLabel) {
  captionLabel = MakeLabel(panel, left, top, 65, caption);
  numberLabel = MakeLabel(panel, left + 72, top, 57, QStringLiteral("0"));
  numberLabel->setStyleSheet(QStringLiteral("color: blue"));
}

int Bottom(const QWidget* widget) { return widget->y() + widget->height(); }

}  // namespace

TfrmVODProcess::TfrmVODProcess(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
  QFont small = font();
  small.setPixelSize(11);
  setFont(small);
  setFixedSize(442, 130);
  Bevel = new QFrame(this);
  Bevel->setGeometry(0, 0, 442, 130);
  Bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Animate = new TFileCopyAnimation(this);
  Animate->setGeometry(8, 4, 427, 45);
  lblStatus = new QLabel(this);
  lblStatus->setGeometry(8, 56, 339, LabelHeight);
  ProgressBar = new QProgressBar(this);
  ProgressBar->setGeometry(10, 70, 337, 10);
  ProgressBar->setTextVisible(false);
  ProgressBar->setRange(0, 100);
  ProgressBar->hide();
  btnCancel = new QPushButton(ToQString(strBtnCancel), this);
  btnCancel->setGeometry(355, 70, 75, 25);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmVODProcess::Press);
  pnlCounters = new QWidget(this);
  pnlCounters->setGeometry(10, 83, 337, 43);
  MakeCounter(pnlCounters, 8, 1, ToQString(strAdded), lblAdded, lblTotalAdded);
  MakeCounter(pnlCounters, 8, 15, ToQString(strUpdated), lblUpdated, lblTotalUpdated);
  MakeCounter(pnlCounters, 8, 29, ToQString(strDeleted), lblDeleted, lblTotalDeleted);
  MakeCounter(pnlCounters, 200, 1, ToQString(strErrors), lblErrors, lblTotalErrors);
  MakeCounter(pnlCounters, 200, 15, ToQString(strProcessed), lblProcessed, lblTotalImported);
  MakeCounter(pnlCounters, 200, 29, ToQString(strSkipped), lblSkipped, lblTotalSkipped);
  btnPause = new QPushButton(ToQString(strBtnPause), this);
  btnPause->setGeometry(355, 100, 75, 25);
  connect(btnPause, &QPushButton::clicked, this, [this] { SetPausePressed(!FPausePressed); });
}

void TfrmVODProcess::Show(const TImportProgressLayout& layout) {
  QApplication::processEvents();
  // A control that holds the mouse would keep the new window from getting
  // its clicks.
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  int height = 130;
  if (layout.ShowCounters) {
    QLabel* captions[6] = {lblProcessed, lblErrors, lblAdded, lblUpdated, lblDeleted, lblSkipped};
    for (int i = 0; i < 6; ++i) captions[i]->setText(ToQString(layout.CounterCaptions[i]));
  } else {
    height = 88;
    pnlCounters->hide();
    btnPause->hide();
    btnCancel->move(btnCancel->x(), 55);
  }
  setWindowTitle(ToQString(layout.Caption));
  lblStatus->setText(ToQString(layout.Status));
  btnCancel->setText(ToQString(layout.CancelCaption));
  if (layout.Animate) {
    Animate->Start();
  } else {
    Animate->hide();
    lblStatus->move(lblStatus->x(), 4);
    ProgressBar->move(ProgressBar->x(), Bottom(lblStatus) + 1);
    btnCancel->move(btnCancel->x(), ProgressBar->y() + 2 * ProgressBar->height() - btnCancel->height());
    pnlCounters->move(pnlCounters->x(), btnCancel->y() + 3);
    height -= Animate->height();
  }
  btnPause->move(btnPause->x(), Bottom(btnCancel) + 5);
  setFixedSize(442, height);
  Bevel->resize(442, height);
  // Centred on the screen, not on whichever window happens to be active.
  if (const QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  show();
  QApplication::processEvents();
}

void TfrmVODProcess::SetRange(Integer minimum, Integer maximum, Integer position) {
  ProgressBar->setRange(minimum, maximum);
  ProgressBar->setValue(position);
  ProgressBar->setVisible(minimum != 0 || maximum != 0);
}

void TfrmVODProcess::Update(const String& status, const TImportCounters& counters) {
  lblStatus->setText(ToQString(status));
  ProgressBar->setValue(counters.Processed);
  if (Animate->Active() && counters.Processed >= ProgressBar->maximum()) Animate->Stop();
  lblTotalImported->setNum(counters.Processed);
  lblTotalErrors->setNum(counters.Errors);
  lblTotalAdded->setNum(counters.Added);
  lblTotalDeleted->setNum(counters.Deleted);
  lblTotalUpdated->setNum(counters.Updated);
  lblTotalSkipped->setNum(counters.Skipped);
  repaint();
  QApplication::processEvents();
}

void TfrmVODProcess::SetPausePressed(bool value) {
  FPausePressed = value;
  btnPause->setText(ToQString(value ? strBtnContinue : strBtnPause));
}

void TfrmVODProcess::StopAnimation() { Animate->Stop(); }

void TfrmVODProcess::WaitForClose(const String& buttonCaption, bool autoClose) {
  btnCancel->setText(ToQString(buttonCaption));
  if (autoClose || FCancelPressed || !isVisible()) return;
  FPressed = false;
  QEventLoop loop;
  while (!FPressed && isVisible()) loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
}

void TfrmVODProcess::closeEvent(QCloseEvent* event) {
  Press();
  event->accept();
}

void TfrmVODProcess::reject() { Press(); }

void TfrmVODProcess::Press() {
  FCancelPressed = true;
  FPressed = true;
}
