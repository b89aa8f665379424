#include "export/forms/ZAZProcess.h"

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

TfrmZAZProcess::TfrmZAZProcess(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
  setFixedSize(442, 87);
  Bevel = new QFrame(this);
  Bevel->setGeometry(0, 0, 442, 87);
  Bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Animate = new TFileCopyAnimation(this);
  Animate->setGeometry(8, 4, 427, 45);
  lblStatus = new QLabel(this);
  lblStatus->setGeometry(8, 56, 339, 13);
  ProgressBar = new QProgressBar(this);
  ProgressBar->setGeometry(10, 70, 337, 10);
  ProgressBar->setTextVisible(false);
  ProgressBar->setRange(0, 100);
  ProgressBar->hide();
  btnCancel = new QPushButton(this);
  btnCancel->setGeometry(355, 55, 75, 25);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmZAZProcess::Press);
}

void TfrmZAZProcess::Show(const String& caption, const String& status, const String& buttonCaption,
                          Integer minimum, Integer maximum, Integer position) {
  QApplication::processEvents();
  setWindowTitle(ToQString(caption));
  lblStatus->setText(ToQString(status));
  btnCancel->setText(ToQString(buttonCaption));
  ProgressBar->setRange(minimum, maximum);
  ProgressBar->setValue(position);
  ProgressBar->setVisible(minimum != 0 || maximum != 0);
  Animate->Start();
  // Centred on the screen, not on whichever window happens to be active.
  if (const QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  show();
  QApplication::processEvents();
}

Integer TfrmZAZProcess::Maximum() const { return ProgressBar->maximum(); }

Integer TfrmZAZProcess::Position() const { return ProgressBar->value(); }

void TfrmZAZProcess::Redraw(const String& status, Integer position) {
  lblStatus->setText(ToQString(status));
  ProgressBar->setValue(position);
  repaint();
  QApplication::processEvents();
}

void TfrmZAZProcess::StopAnimation() { Animate->Stop(); }

void TfrmZAZProcess::WaitForClose(const String& buttonCaption) {
  btnCancel->setText(ToQString(buttonCaption));
  FPressed = false;
  if (!isVisible()) return;
  QEventLoop loop;
  while (!FPressed && isVisible()) loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
}

void TfrmZAZProcess::closeEvent(QCloseEvent* event) {
  Press();
  event->accept();
}

void TfrmZAZProcess::reject() { Press(); }

void TfrmZAZProcess::Press() {
  FCancelPressed = true;
  FPressed = true;
}
