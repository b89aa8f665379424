// The progress window operations of the import component and the
// computation of its parameters before a run. Everything goes through the
// display hooks, so a run without a GUI shows nothing and asks nothing.
#include "import/ImportProgress.h"

#include <cstdio>

#include "import/ImportComponent.h"
#include "import/ImportMessages.h"
#include "platform/rtl/Strings.h"

TImportDisplay& ImportDisplay() {
  static TImportDisplay display;
  return display;
}

void ShowImportMessage(const String& text, TImportMessageKind kind) {
  const TImportDisplay& display = ImportDisplay();
  if (display.ShowMessage) return display.ShowMessage(text, kind);
  std::fprintf(stderr, "%s\n", StringToUtf8(text).c_str());
}

void ProcessImportMessages() {
  if (ImportDisplay().ProcessMessages) ImportDisplay().ProcessMessages();
}

namespace {

bool IsBlank(const Variant& value) { return value.IsNull() || value.IsEmpty() || value.AsString().empty(); }

}  // namespace

bool ParameterChecked(const Variant& value) {
  if (IsBlank(value)) return false;
  if (value.AsString() == u"True") return true;
  try {
    return value.AsBoolean();
  } catch (const Exception&) {
    return false;
  }
}

int ParameterItemIndex(const TSMIParameter& parameter) {
  const Variant& value = parameter.Value;
  if (IsBlank(value)) return 0;
  const int count = parameter.ParamPromptValues.Count();
  if (value.VarType() == varSmallint || value.VarType() == varInteger) {
    const Integer index = value.AsInteger();
    return index >= 0 && index < count ? index : -1;
  }
  const String text = value.AsString();
  for (int i = 0; i < count; ++i) {
    if (parameter.ParamPromptValues.Get(i) == text) return i;
  }
  return -1;
}

bool TRADerevuBaseComponent::AskParameters() {
  std::vector<TSMIParameter*> prompted;
  for (int i = 0; i < FParameters.Count(); ++i) {
    TSMIParameter& parameter = FParameters.Items(i);
    if (parameter.Expression.empty())
      parameter.Value = Variant::Null();
    else if (parameter.ParameterMode == ipmAsk)
      parameter.Value = Variant(parameter.Expression);
    else
      GetParsedValue(Variant(parameter.Expression), -1, parameter.Value);
    if (parameter.ParameterMode != ipmCalculate) prompted.push_back(&parameter);
  }
  if (prompted.empty()) return true;
  const TImportDisplay& display = ImportDisplay();
  if (display.PromptParameters && !display.PromptParameters(prompted)) return false;
  for (int i = 0; i < FParameters.Count(); ++i) {
    const TSMIParameter& parameter = FParameters.Items(i);
    if (parameter.Required && IsBlank(parameter.Value)) return false;
  }
  return true;
}

bool TRADerevuBaseComponent::CreateProgressDlg(const TImportProgressLayout& layout) {
  DestroyProgressDlg();
  const TImportDisplay& display = ImportDisplay();
  if (!display.CreateProgressWindow) return false;
  try {
    frmVODProcess = display.CreateProgressWindow();
    if (frmVODProcess == nullptr) return false;
    frmVODProcess->Show(layout);
    return true;
  } catch (const Exception&) {
    // The run goes on without a window; the user learns why it has none.
    frmVODProcess.reset();
    ShowImportMessage(strLoadError, imkError);
    return false;
  }
}

bool TRADerevuBaseComponent::ChangeProgressDlg(Integer minimum, Integer maximum, Integer position) {
  if (frmVODProcess == nullptr) return false;
  frmVODProcess->SetRange(minimum, maximum, position);
  return true;
}

bool TRADerevuBaseComponent::UpdateProgressDlg(const String& status, const TImportCounters& counters) {
  if (frmVODProcess == nullptr) return false;
  frmVODProcess->Update(status, counters);
  return true;
}

bool TRADerevuBaseComponent::DestroyProgressDlg() {
  if (frmVODProcess == nullptr) return false;
  try {
    frmVODProcess->StopAnimation();
  } catch (const Exception&) {
    frmVODProcess.reset();
    return false;
  }
  frmVODProcess.reset();
  ProcessImportMessages();
  return true;
}

void TRADerevuBaseComponent::PauseImport() {
  PausedProcess = true;
  if (frmVODProcess != nullptr) frmVODProcess->SetPausePressed(true);
}

void TRADerevuBaseComponent::ContinueImport() {
  PausedProcess = false;
  if (frmVODProcess != nullptr) frmVODProcess->SetPausePressed(false);
}

bool TRADerevuBaseComponent::ProgressPaused() const {
  return PausedProcess || (frmVODProcess != nullptr && frmVODProcess->PausePressed());
}

bool TRADerevuBaseComponent::ProgressCanceled() const {
  return frmVODProcess != nullptr && frmVODProcess->CancelPressed();
}
