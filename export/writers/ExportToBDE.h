// Rows into a Paradox, dBase, FoxPro or ASCII table. Paradox and ASCII
// tables are written through the table component stand-in (BDETable.h):
// the table is defined from the exported columns and each accepted record
// is appended to it; dBase and FoxPro tables are written by the DBF writer.
#pragma once

#include "export/ExportComponent.h"
#include "export/writers/BDETable.h"

class TRODirezaToBDE : public TRODirezaBaseComponent {
 public:
  explicit TRODirezaToBDE(TComponent* owner = nullptr);
  ~TRODirezaToBDE() override;
  const char* ClassName() const override { return "TRODirezaToBDE"; }

  // The published TableType of the table component (the base's TableType is
  // the export target).
  TTableType BDETableType() const { return FTableType; }
  void SetBDETableType(TTableType value) { FTableType = value; }

  void Assign(const TComponent* source) override;
  String Extension() const override;
  void Prepare() override;

 private:
  bool IsExportedColumn(const TSMEColumn& column) const;
  void DefineFields(TBDETable& table, TSMECustomDataEngine& source) const;
  void WriteRecords(TBDETable& table, TSMECustomDataEngine& source);
  void WriteDBF(const String& fileName, TTableType type);

  TTableType FTableType = ttDefault;
};
