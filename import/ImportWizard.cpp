#include "import/ImportWizard.h"

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "import/SpecificationList.h"
#include "import/WizardFormState.h"
#include "import/readers/ImportFromCell.h"
#include "import/readers/ImportFromDatabase.h"
#include "import/readers/ImportFromHTML.h"
#include "import/readers/ImportFromOLE.h"
#include "import/readers/ImportFromXML.h"
#include "import/readers/OpenOfficeCalc.h"
#include "import/readers/Outlook.h"
#include "import/readers/Skype.h"
#include "import/readers/VCalendar.h"
#include "import/readers/WAB.h"
#include "import/readers/ImportFromText.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

TImportWizardFormFactory& FormFactory() {
  static TImportWizardFormFactory factory;
  return factory;
}

// The value of the first "key=" line of a specification, in any section.
bool FindKeyValue(const TWideStrings& list, StringView key, String& value) {
  const String prefix = String(key) + u"=";
  for (int i = 0; i < list.Count(); ++i) {
    const String line = list.Get(i);
    if (line.size() >= prefix.size() && SameText(StringView(line).substr(0, prefix.size()), prefix)) {
      value = line.substr(prefix.size());
      return true;
    }
  }
  return false;
}

String FailureText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return StrFromAscii(e.what());
  } catch (...) {
    return {};
  }
}

}  // namespace

void SetImportWizardFormFactory(TImportWizardFormFactory factory) { FormFactory() = std::move(factory); }

TSMIWizardDlg::TSMIWizardDlg(TComponent* owner) : TRADerevuBaseComponent(owner) {}

TSMIWizardDlg::~TSMIWizardDlg() = default;

Integer TSMIWizardDlg::Execute() {
  Integer result = mrOk;
  String reason;
  {
    // The form goes and OnAfterExecute fires however the run ends, also when
    // OnBeforeExecute raises (that failure passes to the caller).
    struct TAfter {
      TSMIWizardDlg& Wizard;
      ~TAfter() {
        try {
          if (Wizard.OnAfterExecute) Wizard.OnAfterExecute(&Wizard);
        } catch (...) {
        }
        Wizard.FForm.reset();
      }
    } after{*this};
    if (OnBeforeExecute) OnBeforeExecute(this);
    try {
      if (FForm == nullptr) {
        if (!FormFactory()) throw Exception(u"The import wizard has no form to show.");
        FForm = FormFactory()(*this);
      }
      FForm->Prepare();
      if (OnShow) OnShow(FForm.get());
      FForm->SetRestrictionToControls();
      if (FForm->ShowModal()) {
        result = mrCancel;
      } else {
        result = mrOk;
        FForm->ControlsToProperties(*this);
      }
      if (OnClose) OnClose(this, result);
      if (result == mrOk && !SetupSpecificationOnly) ExecuteWithoutDialog();
    } catch (...) {
      result = mrAbort;
      reason = FailureText(std::current_exception());
    }
  }
  if (result == mrAbort && HasOption(soShowMessage))
    ShowImportMessage(reason.empty() ? String(strImportError) : strImportError + u"\r\n" + reason, imkError);
  return result;
}

void TSMIWizardDlg::ExecuteWithoutDialog() {
  TRADerevuBaseComponent* component = GetImportComponentByType(this, TableType(), TableName());
  if (component == nullptr)
    throw ESMIInvalidPropertyException(
        Format(u"%s cannot be imported: no reader for this source is available.", {GetCaptionForFormat(TableType())}));
  component->Assign(*this);
  if (auto* cell = dynamic_cast<TRADerevuFromCell*>(component)) cell->SetSheetIndex(SheetIndex);
  // The engine's Assign knows nothing of the tags the wizard keeps for XML.
  if (auto* xml = dynamic_cast<TRADerevuFromXML*>(component)) xml->SetXMLTags(FXMLTags);
  component->Execute();
  Statistic().Assign(component->Statistic());
}

void TSMIWizardDlg::ControlsToProperties() {
  if (FForm != nullptr) FForm->ControlsToProperties(*this);
}

void TSMIWizardDlg::PropertiesToControls() {
  if (FForm != nullptr) FForm->PropertiesToControls();
}

void TSMIWizardDlg::ShowSpecificationDialog() {
  TSpecificationList list;
  list.Collect(*this);
  list.ApplyAccess(FUserAccess);
  list.Select(0);
  const TSpecificationDialogHandler& dialog = SpecificationDialogHandler();
  if (!dialog) return;
  const TSpecDialogResult result = dialog(list, [this, &list] { LoadSpecClick(list); });
  if (result != sdrSave) return;
  if (const TSMISpecificationFile* file = list.ItemIndex() >= 0 ? list.File(list.ItemIndex()) : nullptr)
    SaveSpecClick(this, list.Text(list.ItemIndex()), file->FileName);
  else
    SaveSpecClick(this, String(), String());
}

void TSMIWizardDlg::SaveSpecClick(TComponent* /*sender*/, const String& specName, const String& fileName) {
  ControlsToProperties();
  SaveSpecification(specName, fileName, true);
}

void TSMIWizardDlg::LoadSpecClick(const TSpecificationList& sender) {
  const TSMISpecificationFile* file = sender.LoadTarget();
  if (file == nullptr) return;
  LoadSpecification(file->FileName);
  PropertiesToControls();
}

void TSMIWizardDlg::LoadSpecificationFromStrings(const TWideStrings& list) {
  TRADerevuBaseComponent::LoadSpecificationFromStrings(list);
  String value;
  Integer number = 0;
  if (FindKeyValue(list, u"SheetIndex", value) && TryStrToInt(Trim(value), number)) SheetIndex = number;
  FXMLTags.LoadFromStrings(list);
}

void TSMIWizardDlg::SaveSpecificationToStringList(TWideStrings& list, const String& specName) {
  TRADerevuBaseComponent::SaveSpecificationToStringList(list, specName);
  list.Add(u"[Sheet]");
  list.Add(u"SheetIndex=" + IntToStr(SheetIndex));
  FXMLTags.SaveToStrings(list);
}

TRADerevuBaseComponent* GetImportComponentByType(TComponent* owner, TTableTypeImport tableType,
                                                 const String& tableName) {
  switch (tableType) {
    case teText: return new TRADerevuFromText(owner);
    case teClipboard: return new TRADerevuFromClipboard(owner);
    case teXLS: return new TRADerevuFromXLS(owner);
    case teDBase: return new TRADerevuFromDBF(owner);
    case teParadox: return new TRADerevuFromParadox(owner);
    case teADT: return new TRADerevuFromAdvantage(owner);
    case teDBISAM: return new TRADerevuFromDBISAM(owner);
    case teClarion: return new TRADerevuFromClarion(owner);
    case teWKS: return new TRADerevuFromWKS(owner);
    case teQuattro: return new TRADerevuFromQuattro(owner);
    case teODS: return new TRADerevuFromOpenOfficeCalc(owner);
    case teHTML: return new TRADerevuFromHTML(owner);
    case teXML: return new TRADerevuFromXML(owner);
    case teVCalendar: return new TRADerevuFromVCalendar(owner);
    case teSkype: return new TRADerevuFromSkype(owner);
    case teWAB: return new TRADerevuFromWAB(owner);
    case teWord: return new TRADerevuFromWord(owner);
    case teOutlook: {
      auto* outlook = new TRADerevuFromOutlook(owner);
      if (auto* wizard = dynamic_cast<TSMIWizardDlg*>(owner)) outlook->SetProperties(wizard->OutlookProperties());
      return outlook;
    }
    case teADO: {
      auto* ado = new TRADerevuFromADO(owner);
      ado->SetSQL(tableName);
      return ado;
    }
    case teAccess: {
      auto* access = new TRADerevuFromAccess(owner);
      access->SetTableName(tableName);
      return access;
    }
    default: return nullptr;
  }
}

bool ImportFormatAvailable(TTableTypeImport tableType) {
  const std::unique_ptr<TRADerevuBaseComponent> component(GetImportComponentByType(nullptr, tableType, {}));
  return component != nullptr;
}

String GetCaptionForFormat(Integer tableType) {
  switch (tableType) {
    case teParadox: return strFormat1;
    case teDBase: return strFormat2;
    case teText: return strFormat3;
    case teHTML: return strFormat4;
    case teXLS: return strFormat6;
    case teWKS: return strFormatA;
    case teQuattro: return strFormatB;
    case teXML: return strFormatD;
    case teAccess: return strFormatE;
    case teWord: return strFormat7;
    case teADO: return strFormatG;
    case teSPSS: return strFormatH;
    case teADT: return strFormatI;
    case teDBISAM: return strFormatJ;
    case teClarion: return strFormatK;
    case teClipboard: return strFormatF;
    case teWAB: return strFormatL;
    case teVCalendar: return strFormatM;
    case teODS: return strFormatN;
    case teOutlook: return strFormatO;
    case teSkype: return strFormatP;
    default: return u"unknown";
  }
}
