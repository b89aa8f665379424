// The export's progress window: status line, bar, animation and a cancel
// button that the run polls between records.
#pragma once

#include <QDialog>

#include "export/ExportProgress.h"

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class TFileCopyAnimation;

class TfrmZAZProcess : public QDialog, public IExportProgressWindow {
  Q_OBJECT

 public:
  explicit TfrmZAZProcess(QWidget* parent = nullptr);

  void Show(const String& caption, const String& status, const String& buttonCaption, Integer minimum,
            Integer maximum, Integer position) override;
  Integer Maximum() const override;
  Integer Position() const override;
  void Redraw(const String& status, Integer position) override;
  bool CancelPressed() const override { return FCancelPressed; }
  void SetCancelPressed(bool value) override { FCancelPressed = value; }
  void StopAnimation() override;
  void WaitForClose(const String& buttonCaption) override;

  QFrame* Bevel;
  QLabel* lblStatus;
  QProgressBar* ProgressBar;
  QPushButton* btnCancel;
  TFileCopyAnimation* Animate;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape answers like the button.
  void reject() override;

 private:
  void Press();

  bool FCancelPressed = false;
  bool FPressed = false;
};
