// The import wizard's nine steps without a display: which page each step
// shows for the chosen source, the checks made when the user moves on, the
// steps each source skips, the buttons' state and captions, and the rules
// for closing. It reads and writes the form state; loading the pages is
// left to hooks the form installs.
#pragma once

#include <functional>

#include "import/WizardFormState.h"

class TSMIWizardDlg;

enum TWizardPage : Byte {
  wpNone, wpCategory, wpStep1, wpStep2, wpStep3, wpStep3XML, wpStep3Outlook, wpStep4, wpStep5Fixed, wpStep6CSV,
  wpStep7, wpStep8, wpStep9
};

enum TWizardStep : Integer {
  STEP_FILETYPE = 1, STEP_FILENAME, STEP_FILESETTINGS, STEP_DATAFORMATS, STEP_COLUMNS, STEP_FILEPREVIEW,
  STEP_MAPPINGS, STEP_DATAPREVIEW, STEP_SUMMARY
};

// What the form shows for the current step.
struct TWizardButtons {
  bool BackEnabled = false;
  bool NextEnabled = true;
  // Next is the default button while enabled, else Cancel; Escape closes
  // the form only while Next is enabled.
  String CancelCaption;
  String StepLabel;
  String Header;
  String StepText;
  TWizardPage Page = wpNone;
};

struct TWizardStepHooks {
  // Asked before every step change; false keeps the step. Unset: allowed.
  std::function<bool()> StepChange;
  // Shows a failed check's message (an error box with an OK button).
  std::function<void(const String& text)> ShowError;
  std::function<bool(const String& fileName)> FileExists;
  // Page loaders, run when the step is entered going forward.
  std::function<void()> LoadTextSample;
  std::function<void()> LoadFilePreview;
  std::function<void()> BuildMappingGrid;
  std::function<void()> BuildDataPreview;
  std::function<void(bool busy)> SetBusyCursor;
  // A yes/no question; true for Yes.
  std::function<bool(const String& text)> Confirm;
};

class TWizardSteps {
 public:
  static constexpr Integer StepCount = 9;

  // wizard may be nullptr (a form used alone).
  TWizardSteps(TWizardFormState& state, const TSMIWizardDlg* wizard) : FState(state), FWizard(wizard) {}

  TWizardStepHooks Hooks;

  Integer CurStep() const { return FCurStep; }
  // Moves to the step: checks, per-source skips, page loads and the skipping
  // of steps the user can change nothing on. All navigation goes through it.
  void SetCurStep(Integer value);
  // Whether the step's page holds anything the user may change.
  bool IsValidStep(Integer step) const;
  // The page a step shows for the chosen source.
  TWizardPage PageOf(Integer step) const;
  const TWizardButtons& Buttons() const { return FButtons; }

  void Next();
  void Back();
  void First();
  void Last();
  // Alt with a digit: Back or Next until the step is reached, an end is
  // reached or a press changes nothing.
  void GoToward(Integer step);

  // The cancel (or, on the last step, Execute) button was pressed.
  void CancelButtonPressed() { RunFlag = FCurStep == StepCount; }
  // Asked when the form is to close; true lets it close. Sets CancelFlag
  // when the user quits.
  bool CloseQuery();
  bool RunFlag = false;
  bool CancelFlag = false;

 private:
  void UpdateButtons();
  // The step after the per-source adjustment.
  Integer AdjustStep(Integer value, bool forward);

  TWizardFormState& FState;
  const TSMIWizardDlg* FWizard;
  Integer FCurStep = 0;
  TWizardButtons FButtons;
};
