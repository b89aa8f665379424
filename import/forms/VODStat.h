// The import's progress window: status line, bar, animation, six counters
// and the Cancel and Pause buttons that the run polls between rows.
#pragma once

#include <QDialog>

#include "import/ImportProgress.h"

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;
class TFileCopyAnimation;

class TfrmVODProcess : public QDialog, public IImportProgressWindow {
  Q_OBJECT

 public:
  explicit TfrmVODProcess(QWidget* parent = nullptr);

  void Show(const TImportProgressLayout& layout) override;
  void SetRange(Integer minimum, Integer maximum, Integer position) override;
  void Update(const String& status, const TImportCounters& counters) override;
  bool PausePressed() const override { return FPausePressed; }
  // Stores the flag; the button reads "C&ontinue" while paused.
  void SetPausePressed(bool value) override;
  bool CancelPressed() const override { return FCancelPressed; }
  void StopAnimation() override;
  void WaitForClose(const String& buttonCaption, bool autoClose) override;

  QProgressBar* ProgressBar;
  QPushButton* btnCancel;
  QFrame* Bevel;
  QLabel* lblStatus;
  QWidget* pnlCounters;
  QLabel* lblProcessed;
  QLabel* lblTotalImported;
  QLabel* lblAdded;
  QLabel* lblTotalAdded;
  QLabel* lblTotalDeleted;
  QLabel* lblDeleted;
  QLabel* lblUpdated;
  QLabel* lblTotalUpdated;
  QLabel* lblErrors;
  QLabel* lblTotalErrors;
  QLabel* lblSkipped;
  QLabel* lblTotalSkipped;
  QPushButton* btnPause;
  TFileCopyAnimation* Animate;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape answers like the Cancel button.
  void reject() override;

 private:
  void Press();

  bool FPausePressed = false;
  bool FCancelPressed = false;
  bool FPressed = false;
};
