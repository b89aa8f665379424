// A small looping picture of a sheet flying from one folder to another,
// shown while a run copies rows into a file.
#pragma once

#include <QTimer>
#include <QWidget>

class TFileCopyAnimation : public QWidget {
  Q_OBJECT

 public:
  static constexpr int FrameCount = 35;
  // The frame the picture rests on once stopped: the sheet has arrived.
  static constexpr int StopFrame = 34;

  explicit TFileCopyAnimation(QWidget* parent = nullptr);
  void Start();
  void Stop();
  bool Active() const { return FTimer.isActive(); }
  int Frame() const { return FFrame; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QTimer FTimer;
  int FFrame = 0;
};
