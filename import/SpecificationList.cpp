#include "import/SpecificationList.h"

#include <filesystem>

#include "import/ImportMessages.h"
#include "import/ImportWizard.h"
#include "import/SpecificationFiles.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

void TSpecificationList::Assign(const TWideStrings& list) {
  FEntries.clear();
  for (int i = 0; i < list.Count(); ++i) {
    TEntry entry;
    entry.Text = list.Get(i);
    entry.File.reset(static_cast<TSMISpecificationFile*>(list.GetObject(i)));
    FEntries.push_back(std::move(entry));
  }
  FItemIndex = -1;
  FLoadTarget = nullptr;
  ApplyAccessFlags();
}

void TSpecificationList::Collect(TSMIWizardDlg& wizard) {
  TWideStrings list;
  if (wizard.OnGetSpecifications) {
    try {
      wizard.OnGetSpecifications(&wizard, list);
    } catch (...) {
      // The entries handed over so far belong to us now.
      Assign(list);
      throw;
    }
  } else {
    const String& folder = wizard.SpecificationDir();
    FindImportSpecifications(folder.empty() ? SpecificationProgramFolder() : folder, list);
  }
  Assign(list);
}

void TSpecificationList::Select(int index) {
  FItemIndex = index >= 0 && index < Count() ? index : -1;
  FLoadTarget = FItemIndex >= 0 ? File(FItemIndex) : nullptr;
}

void TSpecificationList::ApplyAccess(const TSMIUserAccess& access) {
  FCanSave = access.SpecificationSave;
  FLoadAllowed = access.SpecificationLoad;
  FDeleteAllowed = access.SpecificationDelete;
  ApplyAccessFlags();
}

void TSpecificationList::ApplyAccessFlags() {
  FCanLoad = Count() > 0 && FLoadAllowed;
  FCanDelete = Count() > 0 && FDeleteAllowed;
}

String TSpecificationList::DeletePrompt() const {
  if (FItemIndex < 0 || File(FItemIndex) == nullptr) return String();
  return Format(strDeleteSpecPrompt, {File(FItemIndex)->FileName});
}

bool TSpecificationList::DeleteSelected() {
  if (FItemIndex < 0 || File(FItemIndex) == nullptr) return false;
  std::error_code error;
  // A file that cannot be deleted still leaves the list.
  std::filesystem::remove(StringToUtf8(File(FItemIndex)->FileName), error);
  FEntries.erase(FEntries.begin() + FItemIndex);
  Select(0);
  ApplyAccessFlags();
  return true;
}

void FindImportSpecifications(const String& folder, TWideStrings& list) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(StringToUtf8(folder), error), end; !error && it != end;
       it.increment(error)) {
    const std::filesystem::path& path = it->path();
    const String extension = Utf8ToString(path.extension().string());
    if (!SameText(extension, u".vod")) continue;
    auto* file = new TSMISpecificationFile;
    file->FileName = Utf8ToString(path.string());
    file->Caption = ReadSpecificationCaption(file->FileName);
    list.AddObject(file->Caption, file);
  }
}

TSpecificationDialogHandler& SpecificationDialogHandler() {
  static TSpecificationDialogHandler handler;
  return handler;
}

void SetSpecificationDialogHandler(TSpecificationDialogHandler handler) {
  SpecificationDialogHandler() = std::move(handler);
}
