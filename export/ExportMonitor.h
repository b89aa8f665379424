// The format dispatcher: an export component that writes nothing itself. It
// holds the settings of one export, creates the writer of the chosen target,
// copies every setting into it, runs it and takes its statistic back.
#pragma once

#include <functional>
#include <memory>

#include "export/ExportComponent.h"
#include "export/writers/ExportToSQL.h"

namespace ExportDS {
// Every target but teJSON.
inline constexpr TExportFormatTypes AllFormats = 0x3FFFFF;
}  // namespace ExportDS

namespace ZAZ2BDE {
// Whether the Paradox table writer may be offered.
bool IsBDEAvailable();
// AllFormats, less teParadox when the Paradox writer is not available.
TExportFormatTypes GetAvailableExportFormats();
}  // namespace ZAZ2BDE

// The writer of a target, owned by the caller; a value past the last
// target gets the database table writer with its default table type.
std::unique_ptr<TRODirezaBaseComponent> CreateExportWriter(TTableTypeExport tableType, TComponent* owner);

// What the setup dialog shows and, once confirmed, what the user chose.
struct TExportSetupParams {
  String FileName;
  String TableName;
  TExportFormatTypes Formats = 0;
  Integer Origin = 0;  // 1: selected records only
  bool BlankIfZero = false;
  bool Fixed = false;
  bool AddTitle = false;
  String Separator;
  TCharacterSet CharacterSet = csANSI_WINDOWS;
  TTableTypeExport TableType = teText;
};
// Shows the setup dialog; true when the user confirmed it.
using TExportSetupDialog = std::function<bool(TRODirezaBaseComponent& component, TExportSetupParams& params)>;
// Installs the GUI's dialog; without one the dialog answers false.
void SetExportSetupDialog(TExportSetupDialog dialog);

class TRODirezaMonitor : public TRODirezaBaseComponent {
 public:
  explicit TRODirezaMonitor(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRODirezaMonitor"; }

  TExportFormatTypes Formats = ZAZ2BDE::GetAvailableExportFormats();
  String FilterName = u"MS Word 97";
  TSMESQLOptions SQLOptions;

  void Assign(const TComponent* source) override;
  // The component's specification text followed by the SQL section.
  void SaveSpecificationToStream(TStream& stream, const String& specName) override;
  void LoadSpecificationFromStrings(const std::vector<String>& lines) override;
  // Runs the writer of TableType with these settings; with showDialog the
  // setup dialog may adjust them first (and a cancelled dialog exports
  // nothing). Errors of the writer reach the caller after it was freed.
  void Execute(bool showDialog);
  // Shows the setup dialog with the given values; true when confirmed.
  bool SetExportParam(TExportSetupParams& params);
};
