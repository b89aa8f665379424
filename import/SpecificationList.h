// The list of import specifications that the wizard's "Specifications..."
// button shows: the ".vod" files of one folder (or what the host's
// OnGetSpecifications hands over), with the state of the dialog's Load,
// Save and Delete buttons. The list holds no display; the dialog that shows
// it is installed through SetSpecificationDialogHandler.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "import/WideStrings.h"
#include "platform/rtl/Types.h"

class TSMIUserAccess;
class TSMIWizardDlg;

// One entry: the specification's file and its name.
struct TSMISpecificationFile {
  String FileName;
  String Caption;
};

class TSpecificationList {
 public:
  TSpecificationList() = default;
  TSpecificationList(const TSpecificationList&) = delete;
  TSpecificationList& operator=(const TSpecificationList&) = delete;

  // Takes the entries of list (text = caption, object = a
  // TSMISpecificationFile allocated with new, or none) and owns the objects.
  void Assign(const TWideStrings& list);
  // The entries of the wizard's OnGetSpecifications, or else the ".vod"
  // files of its SpecificationDir (the program's folder when that is empty).
  void Collect(TSMIWizardDlg& wizard);

  int Count() const { return static_cast<int>(FEntries.size()); }
  const String& Text(int index) const { return FEntries.at(static_cast<size_t>(index)).Text; }
  // The entry's file, nullptr when the host attached none.
  const TSMISpecificationFile* File(int index) const { return FEntries.at(static_cast<size_t>(index)).File.get(); }

  // The selected entry, -1 when none. Selecting is the entry click: the
  // Load button then carries the selected entry's file.
  int ItemIndex() const { return FItemIndex; }
  void Select(int index);
  // What the Load button carries: the selected entry's file, or nullptr.
  const TSMISpecificationFile* LoadTarget() const { return FLoadTarget; }

  // The buttons' enabled state under the wizard's restrictions.
  void ApplyAccess(const TSMIUserAccess& access);
  bool CanLoad() const { return FCanLoad; }
  bool CanSave() const { return FCanSave; }
  bool CanDelete() const { return FCanDelete; }

  // The question asked before deleting the selected entry; empty when the
  // selected entry has no file (nothing to delete).
  String DeletePrompt() const;
  // Deletes the selected entry's file, then removes the entry (also when the
  // file could not be deleted) and selects the first entry. False when
  // nothing was selected.
  bool DeleteSelected();

 private:
  void ApplyAccessFlags();

  struct TEntry {
    String Text;
    std::unique_ptr<TSMISpecificationFile> File;
  };
  std::vector<TEntry> FEntries;
  int FItemIndex = -1;
  const TSMISpecificationFile* FLoadTarget = nullptr;
  bool FCanLoad = false;
  bool FCanSave = true;
  bool FCanDelete = false;
  bool FLoadAllowed = true;
  bool FDeleteAllowed = true;
};

// The ".vod" files of folder as list entries (caption from "Specification"
// of section "Common", else the file's full path), in the order the file
// system lists them.
void FindImportSpecifications(const String& folder, TWideStrings& list);

// How the list dialog ended.
enum TSpecDialogResult { sdrClose, sdrLoad, sdrSave };

// Shows the list; loadClick is the Load button's handler (it may raise: the
// dialog reports the failure and closes). Returns how the dialog closed.
using TSpecificationDialogHandler =
    std::function<TSpecDialogResult(TSpecificationList& list, const std::function<void()>& loadClick)>;
// Installs the dialog; without one ShowSpecificationDialog shows nothing.
void SetSpecificationDialogHandler(TSpecificationDialogHandler handler);
TSpecificationDialogHandler& SpecificationDialogHandler();
