#include "import/WizardSteps.h"

#include "import/ImportMessages.h"
#include "import/ImportWizard.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"

namespace {

bool IsSheetLike(TTableTypeImport type) {
  switch (type) {
    case teHTML:
    case teXLS:
    case teWKS:
    case teQuattro:
    case teWord:
    case teODS:
    case teSkype: return true;
    default: return false;
  }
}

}  // namespace

TWizardPage TWizardSteps::PageOf(Integer step) const {
  const TTableTypeImport type = FState.TableType();
  switch (step) {
    case STEP_FILETYPE: return FState.ShowCategories ? wpCategory : wpStep1;
    case STEP_FILENAME: return wpStep2;
    case STEP_FILESETTINGS:
      // The clipboard's layout and delimiters decide its later steps, so it
      // shows the text settings too.
      if (FState.IsTextSource()) return wpStep3;
      if (type == teXML) return wpStep3XML;
      if (type == teOutlook) return wpStep3Outlook;
      return wpNone;
    case STEP_DATAFORMATS: return wpStep4;
    case STEP_COLUMNS: return FState.Fixed ? wpStep5Fixed : wpNone;
    case STEP_FILEPREVIEW: return wpStep6CSV;
    case STEP_MAPPINGS: return wpStep7;
    case STEP_DATAPREVIEW: return wpStep8;
    case STEP_SUMMARY: return wpStep9;
    default: return wpNone;
  }
}

bool TWizardSteps::IsValidStep(Integer step) const {
  const TTableTypeImport type = FState.TableType();
  switch (step) {
    case STEP_FILETYPE: return FState.FormatGroup.Enabled;
    case STEP_FILENAME:
      if (type == teOutlook) return !FState.OutlookFolder.empty();
      return FState.FileNameBox.Visible || FState.TableNameBox.Enabled || FState.OriginBox.Enabled ||
             FState.TrimBox.Enabled;
    case STEP_FILESETTINGS:
      if (FState.IsTextSource())
        return FState.DelimitedChoice.Enabled || FState.FixedChoice.Enabled || FState.DelimiterGroup.Enabled ||
               FState.QualifierBox.Enabled || FState.RecordSeparatorBox.Enabled;
      if (type == teXML) return FState.XMLTagGroup.Enabled;
      return true;
    case STEP_DATAFORMATS:
      return FState.FirstRowBox.Enabled || FState.LastRowBox.Enabled || FState.DataFormatGroup.Enabled;
    case STEP_COLUMNS: return FState.BreakEditor.Enabled;
    case STEP_FILEPREVIEW: return FState.FilePreviewGrid.Enabled;
    case STEP_MAPPINGS: return FState.MappingGrid.Enabled;
    case STEP_DATAPREVIEW: return FState.DataPreviewGrid.Enabled;
    default: return true;
  }
}

Integer TWizardSteps::AdjustStep(Integer value, bool forward) {
  const TTableTypeImport type = FState.TableType();
  if (forward) {
    if (FState.IsTextSource()) {
      if (value == STEP_COLUMNS) {
        if (FState.TextChanged && Hooks.LoadTextSample) Hooks.LoadTextSample();
        if (!FState.Fixed) return STEP_FILEPREVIEW;
      }
    } else if (IsSheetLike(type)) {
      if (value == STEP_FILESETTINGS) return STEP_DATAFORMATS;
      if (value == STEP_COLUMNS) return STEP_FILEPREVIEW;
    } else if (type == teXML || type == teOutlook) {
      if (value == STEP_COLUMNS) return STEP_FILEPREVIEW;
    } else if (type == teAccess || type == teADO) {
      if (value == STEP_FILESETTINGS) return STEP_FILEPREVIEW;
    } else if (value == STEP_FILESETTINGS || value == STEP_DATAFORMATS) {
      return STEP_FILEPREVIEW;
    }
    return value;
  }
  if (FState.IsTextSource()) {
    if (value == STEP_COLUMNS && !FState.Fixed) return STEP_DATAFORMATS;
  } else if (IsSheetLike(type)) {
    if (value == STEP_FILESETTINGS) return STEP_FILENAME;
    if (value == STEP_COLUMNS) return STEP_DATAFORMATS;
  } else if (type == teXML || type == teOutlook) {
    if (value == STEP_COLUMNS) return STEP_DATAFORMATS;
  } else if (value == STEP_COLUMNS) {
    // The database sources (and SPSS, which has no page of its own either)
    // go back to the file.
    return STEP_FILENAME;
  }
  return value;
}

void TWizardSteps::SetCurStep(Integer value) {
  if (Hooks.StepChange && !Hooks.StepChange()) return;
  if (value == FCurStep) return;
  const bool forward = value > FCurStep;
  const TTableTypeImport type = FState.TableType();
  auto fail = [&](const String& text) {
    if (Hooks.ShowError) Hooks.ShowError(text);
  };
  if (forward && value == STEP_DATAPREVIEW && FState.MappingsAreEmpty()) {
    fail(strMappingsNotDefined);
    return;
  }
  if (forward && value == STEP_FILESETTINGS) {
    if (type != teClipboard && type != teOutlook) {
      const String name = Trim(FState.FileName);
      const bool missing =
          name.empty() || (type != teADO && !(Hooks.FileExists ? Hooks.FileExists(name) : FileExists(name)));
      if (missing) {
        fail(Format(strPropertyError, {String(u"File Name")}));
        return;
      }
    }
    if (FState.TableNameBox.Enabled && Trim(FState.TableName).empty()) {
      fail(Format(strPropertyError, {String(u"Table Name")}));
      return;
    }
  }
  FCurStep = value;
  if (Hooks.SetBusyCursor) Hooks.SetBusyCursor(true);
  {
    const TScopeExit restoreCursor([&] {
      if (Hooks.SetBusyCursor) Hooks.SetBusyCursor(false);
    });
    FCurStep = AdjustStep(value, forward);
    UpdateButtons();
    if (forward) {
      if (FCurStep == STEP_FILEPREVIEW && Hooks.LoadFilePreview) Hooks.LoadFilePreview();
      if (FCurStep == STEP_MAPPINGS && Hooks.BuildMappingGrid) Hooks.BuildMappingGrid();
      if (FCurStep == STEP_DATAPREVIEW && Hooks.BuildDataPreview) Hooks.BuildDataPreview();
    }
  }
  if (!IsValidStep(FCurStep)) {
    if (forward && FCurStep < StepCount)
      SetCurStep(FCurStep + 1);
    else if (!forward && FCurStep > 1)
      SetCurStep(FCurStep - 1);
  }
}

void TWizardSteps::UpdateButtons() {
  FButtons.BackEnabled = FCurStep > 1;
  FButtons.NextEnabled = FCurStep < StepCount;
  if (FCurStep == STEP_FILENAME)
    FState.FileNameBox.Enabled = FState.FileNameEditable && FState.TableType() != teClipboard;
  const bool setupOnly = FWizard != nullptr && FWizard->SetupSpecificationOnly;
  if (FCurStep < StepCount) {
    FButtons.CancelCaption = strBtnCancel;
  } else {
    FButtons.CancelCaption = setupOnly ? String(strBtnOk) : String(strExecute);
    const bool keyed = FState.AnyKeyMarked();
    const TImportModes hidden = FWizard != nullptr ? FWizard->UserAccess().HiddenImportModes : 0;
    for (TImportMode mode : {imUpdate, imAppendUpdate, imDelete, imAppendNewOnly})
      FState.ModeEnabled[mode] = keyed && (hidden & (1u << mode)) == 0;
  }
  FButtons.StepLabel = Format(strStepDisplay, {Int64{FCurStep}, Int64{StepCount}}) + u"  ";
  FButtons.Page = PageOf(FCurStep);
  const TTableTypeImport type = FState.TableType();
  switch (FCurStep) {
    case STEP_FILETYPE: FButtons.Header = strStepHeader1; FButtons.StepText = strLblStep1; break;
    case STEP_FILENAME: FButtons.Header = strStepHeader2; FButtons.StepText = strLblStep2; break;
    case STEP_FILESETTINGS:
      if (type == teXML) {
        FButtons.Header = strStepHeader3XML;
        FButtons.StepText = strLblStep3XML;
      } else if (type == teOutlook) {
        FButtons.Header = strStepHeader3Outlook;
        FButtons.StepText = strLblStep3Outlook;
      } else {
        FButtons.Header = strStepHeader3;
        FButtons.StepText = strLblStep3;
      }
      break;
    case STEP_DATAFORMATS: FButtons.Header = strStepHeader4; FButtons.StepText = strLblStep4; break;
    case STEP_COLUMNS: FButtons.Header = strStepHeader5; FButtons.StepText = strLblStep5A; break;
    case STEP_FILEPREVIEW: FButtons.Header = strStepHeader6; FButtons.StepText = strLblStep5A; break;
    case STEP_MAPPINGS: FButtons.Header = strStepHeader7; FButtons.StepText = strLblStep6; break;
    case STEP_DATAPREVIEW: FButtons.Header = strStepHeader8; FButtons.StepText = strLblStep7; break;
    case STEP_SUMMARY: FButtons.Header = strStepHeader9; FButtons.StepText = strLblStep8; break;
    default: break;
  }
}

void TWizardSteps::Next() {
  if (FCurStep < StepCount) SetCurStep(FCurStep + 1);
}

void TWizardSteps::Back() {
  if (FCurStep > 1) SetCurStep(FCurStep - 1);
}

void TWizardSteps::First() {
  while (FCurStep > 1) {
    const Integer before = FCurStep;
    Back();
    if (FCurStep == before) break;
  }
}

void TWizardSteps::Last() {
  while (FCurStep < StepCount) {
    const Integer before = FCurStep;
    Next();
    if (FCurStep == before) break;
  }
}

void TWizardSteps::GoToward(Integer step) {
  if (step < 1 || step > StepCount) return;
  while (FCurStep != step) {
    const Integer before = FCurStep;
    if (step < FCurStep)
      Back();
    else
      Next();
    if (FCurStep == before) break;
    // Skipped steps can carry the walk past the target.
    if ((before < step) != (FCurStep < step) && FCurStep != step) break;
  }
}

bool TWizardSteps::CloseQuery() {
  if (RunFlag) {
    const bool confirm = FWizard == nullptr || FWizard->ConfirmExecuteStart;
    return !confirm || (Hooks.Confirm && Hooks.Confirm(strImportStart));
  }
  const bool confirm = FWizard == nullptr || FWizard->ConfirmCancelExit;
  if (confirm && !(Hooks.Confirm && Hooks.Confirm(strWizardAbort))) return false;
  CancelFlag = true;
  return true;
}
