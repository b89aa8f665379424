#include "platform/gui/FileCopyAnimation.h"

#include <QPainter>

TFileCopyAnimation::TFileCopyAnimation(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TranslucentBackground);
  FTimer.setInterval(60);
  connect(&FTimer, &QTimer::timeout, this, [this] {
    FFrame = (FFrame + 1) % FrameCount;
    update();
  });
}

void TFileCopyAnimation::Start() {
  FFrame = 0;
  FTimer.start();
  update();
}

void TFileCopyAnimation::Stop() {
  FTimer.stop();
  FFrame = StopFrame;
  update();
}

void TFileCopyAnimation::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const int h = height();
  const int folderW = std::min(48, width() / 5);
  const int folderH = std::min(32, h - 8);
  const int top = (h - folderH) / 2;
  const QColor folder(230, 190, 80);
  painter.setPen(QColor(150, 110, 30));
  painter.setBrush(folder);
  painter.drawRect(4, top, folderW, folderH);
  painter.drawRect(width() - folderW - 4, top, folderW, folderH);

  // The sheet rises out of the left folder, arcs over and drops into the
  // right one.
  const double t = static_cast<double>(FFrame) / StopFrame;
  const double startX = 4 + folderW / 2.0;
  const double endX = width() - folderW / 2.0 - 4;
  const double x = startX + (endX - startX) * t;
  const double lift = 4.0 * t * (1.0 - t);
  const double y = top - lift * (top - 2) + 4;
  painter.setPen(QColor(80, 80, 80));
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(x - 6, y, 12, 16));
}
