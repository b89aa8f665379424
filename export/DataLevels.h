// Detail levels: further row sources, each with its own columns, written
// under every master row.
#pragma once

#include <memory>

#include "export/ExportColumns.h"
#include "export/ExportTypes.h"

class IExportGrid;
class TComponent;
class TDataSet;
class TSMECustomDataEngine;
class TSMEDataLevels;

// The row source a run takes from its settings: a new dataset or grid source
// (handed to owned) or the caller's own one. Raises
// ESMEInvalidPropertyException with the property error text and the missing
// source's name.
TSMECustomDataEngine* CreateRowSource(TColumnSource source, TDataSet* dataSet, IExportGrid* grid,
                                      TSMECustomDataEngine* dataEngine, const String& propertyErrorText,
                                      std::unique_ptr<TSMECustomDataEngine>& owned);

class TSMEDataLevel {
 public:
  explicit TSMEDataLevel(TSMEDataLevels* collection);
  ~TSMEDataLevel();

  bool FIsWWDBGrid = false;
  bool FIsTMSDBGrid = false;
  String Caption;
  Integer ShiftCount = 1;  // indent steps of the level's rows
  TSMEColumns Columns;
  TSMEGroupings Groupings;
  TSMEColumnBands Bands;
  IExportGrid* DBGrid = nullptr;
  TDataSet* DataSet = nullptr;
  TSMECustomDataEngine* DataEngine = nullptr;
  TColumnSource ColumnSource = csDBGrid;
  TSMEDataLevels& DetailSources() { return *FDetailSources; }
  const TSMEDataLevels& DetailSources() const { return *FDetailSources; }
  bool IsCustomColumns = true;
  TSMECustomDataEngine* SourceDataEngine() const { return FSourceDataEngine; }

  void Assign(const TSMEDataLevel& source);
  // As the component's, at level 1 and never for selected records only.
  void CreateSourceDataEngine();
  void DestroySourceDataEngine();

 private:
  TSMEDataLevels* FCollection;
  std::unique_ptr<TSMEDataLevels> FDetailSources;
  std::unique_ptr<TSMECustomDataEngine> FOwnedDataEngine;
  TSMECustomDataEngine* FSourceDataEngine = nullptr;
};

class TSMEDataLevels : public TSMECollection<TSMEDataLevel> {
 public:
  // The owner's message table gives the missing-source text; none uses the
  // built-in text.
  explicit TSMEDataLevels(TComponent* owner = nullptr) : FOwner(owner) {}
  TSMEDataLevels(const TSMEDataLevels&) = delete;
  TSMEDataLevels& operator=(const TSMEDataLevels&) = delete;

  TComponent* Owner() const { return FOwner; }
  // A new level named "Detail" and the number of levels.
  TSMEDataLevel& Add();
  TSMEDataLevel& GetDataLevel(Integer index) const { return (*this)[index]; }
  void SetDataLevel(Integer index, const TSMEDataLevel& level) { (*this)[index].Assign(level); }
  void Assign(const TSMEDataLevels& source);

 private:
  TComponent* FOwner;
};
