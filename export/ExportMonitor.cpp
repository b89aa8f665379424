#include "export/ExportMonitor.h"

#include "export/ExportFiles.h"
#include "platform/db/DataSet.h"
#include "export/writers/ExportToADO.h"
#include "export/writers/ExportToAccess.h"
#include "export/writers/ExportToBDE.h"
#include "export/writers/ExportToClipboard.h"
#include "export/writers/ExportToDBF.h"
#include "export/writers/ExportToDIF.h"
#include "export/writers/ExportToExcel.h"
#include "export/writers/ExportToHTML.h"
#include "export/writers/ExportToJSON.h"
#include "export/writers/ExportToLDIF.h"
#include "export/writers/ExportToOpenOffice.h"
#include "export/writers/ExportToPDF.h"
#include "export/writers/ExportToRTF.h"
#include "export/writers/ExportToSPSS.h"
#include "export/writers/ExportToSYLK.h"
#include "export/writers/ExportToText.h"
#include "export/writers/ExportToWord.h"
#include "export/writers/ExportToWorksheet.h"
#include "export/writers/ExportToXLS.h"
#include "export/writers/ExportToXLSX.h"
#include "export/writers/ExportToXML.h"
#include "platform/rtl/Strings.h"

namespace {

TExportSetupDialog& SetupDialog() {
  static TExportSetupDialog dialog;
  return dialog;
}

}  // namespace

bool ZAZ2BDE::IsBDEAvailable() { return true; }

TExportFormatTypes ZAZ2BDE::GetAvailableExportFormats() {
  TExportFormatTypes formats = ExportDS::AllFormats;
  if (!IsBDEAvailable()) formats &= ~FormatBit(teParadox);
  return formats;
}

std::unique_ptr<TRODirezaBaseComponent> CreateExportWriter(TTableTypeExport tableType, TComponent* owner) {
  switch (tableType) {
    case teDBase: return std::make_unique<TRODirezaToDBF>(owner);
    case teText: return std::make_unique<TRODirezaToText>(owner);
    case teClipboard: return std::make_unique<TRODirezaToClipboard>(owner);
    case teHTML: return std::make_unique<TRODirezaToHTML>(owner);
    case teRTF: return std::make_unique<TRODirezaToRTF>(owner);
    case teXLS: return std::make_unique<TRODirezaToXLS>(owner);
    case teExcel2007: return std::make_unique<TRODirezaToXLSX>(owner);
    case teSYLK: return std::make_unique<TRODirezaToSYLK>(owner);
    case teDIF: return std::make_unique<TRODirezaToDIF>(owner);
    case teWKS: return std::make_unique<TRODirezaToWKS>(owner);
    case teQuattro: return std::make_unique<TRODirezaToQuattro>(owner);
    case teSPSS: return std::make_unique<TRODirezaToSPSS>(owner);
    case teSQL: return std::make_unique<TRODirezaToSQL>(owner);
    case teLDIF: return std::make_unique<TRODirezaToLDIF>(owner);
    case teJSON: return std::make_unique<TRODirezaToJSON>(owner);
    case teXML: return std::make_unique<TRODirezaToXML>(owner);
    case tePDF: return std::make_unique<TRODirezaToPDF>(owner);
    case teExcel: return std::make_unique<TRODirezaToExcel>(owner);
    case teWord: return std::make_unique<TRODirezaToWord>(owner);
    case teOpenOffice: return std::make_unique<TRODirezaToOpenOffice>(owner);
    case teADO: return std::make_unique<TRODirezaToADO>(owner);
    case teAccess: return std::make_unique<TRODirezaToAccess>(owner);
    default: break;
  }
  // Paradox, and any value past the last target: the table writer, which
  // takes the kind of table from the file name unless told Paradox.
  auto writer = std::make_unique<TRODirezaToBDE>(owner);
  writer->SetBDETableType(tableType == teParadox ? ttParadox : ttDefault);
  return writer;
}

void SetExportSetupDialog(TExportSetupDialog dialog) { SetupDialog() = std::move(dialog); }

TRODirezaMonitor::TRODirezaMonitor(TComponent* owner) : TRODirezaBaseComponent(owner) { SetTableType(teText); }

void TRODirezaMonitor::Assign(const TComponent* source) {
  TRODirezaBaseComponent::Assign(source);
  auto* from = dynamic_cast<const TRODirezaMonitor*>(source);
  if (from == nullptr || from == this) return;
  Formats = from->Formats;
  SQLOptions.Assign(from->SQLOptions);
  FilterName = from->FilterName;
}

void TRODirezaMonitor::SaveSpecificationToStream(TStream& stream, const String& specName) {
  TRODirezaBaseComponent::SaveSpecificationToStream(stream, specName);
  SQLOptions.SaveToStream(stream);
}

void TRODirezaMonitor::LoadSpecificationFromStrings(const std::vector<String>& lines) {
  TRODirezaBaseComponent::LoadSpecificationFromStrings(lines);
  SQLOptions.LoadFromStrings(lines);
}

bool TRODirezaMonitor::SetExportParam(TExportSetupParams& params) {
  constexpr TExportFormatTypes everyTarget = (TExportFormatTypes{1} << TableTypeCount) - 1;
  if ((params.Formats & everyTarget) == 0) return false;
  return SetupDialog() && SetupDialog()(*this, params);
}

void TRODirezaMonitor::Execute(bool showDialog) {
  TExportSetupParams params;
  params.FileName = FileName;
  params.TableName = TableName.empty() ? TblName(GetDS()) : TableName;
  params.Formats = Formats;
  params.Origin = SelectedRecord ? 1 : 0;
  params.BlankIfZero = BlankIfZero;
  params.Fixed = Fixed;
  params.AddTitle = AddTitle;
  params.Separator = Separator;
  params.CharacterSet = CharacterSet;
  params.TableType = TableType();
  if (showDialog && !SetExportParam(params)) return;

  SetTableType(params.TableType);
  FileName = params.FileName;
  TableName = params.TableName;
  CharacterSet = params.CharacterSet;
  Separator = params.Separator;
  AddTitle = params.AddTitle;
  Fixed = params.Fixed;
  BlankIfZero = params.BlankIfZero;
  SelectedRecord = params.Origin == 1;

  std::unique_ptr<TRODirezaBaseComponent> writer = CreateExportWriter(TableType(), this);
  writer->Assign(this);
  if (auto* sql = dynamic_cast<TRODirezaToSQL*>(writer.get())) sql->SQLOptions.Assign(SQLOptions);
  writer->Execute();
  Statistic.TotalCount = writer->Statistic.TotalCount;
  Statistic.TotalErrors = writer->Statistic.TotalErrors;
  Statistic.UpdateStep = writer->Statistic.UpdateStep;
  Statistic.Result = writer->Statistic.Result;
}
