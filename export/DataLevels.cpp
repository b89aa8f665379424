#include "export/DataLevels.h"

#include "export/ExportComponent.h"
#include "export/RowSources.h"
#include "platform/rtl/Strings.h"

TSMECustomDataEngine* CreateRowSource(TColumnSource source, TDataSet* dataSet, IExportGrid* grid,
                                      TSMECustomDataEngine* dataEngine, const String& propertyErrorText,
                                      std::unique_ptr<TSMECustomDataEngine>& owned) {
  auto missing = [&](const char16_t* name) {
    return ESMEInvalidPropertyException(Format(propertyErrorText, {String(name)}));
  };
  owned.reset();
  switch (source) {
    case csDataSet:
      if (dataSet == nullptr) throw missing(u"Dataset");
      owned = std::make_unique<TSMEDatasetDataEngine>(nullptr, dataSet);
      return owned.get();
    case csDataEngine:
      if (dataEngine == nullptr) throw missing(u"DataEngine");
      return dataEngine;
    case csDBGrid:
      break;
  }
  if (grid == nullptr) throw missing(u"DBGrid");
  owned = std::make_unique<TSMEDBGridDataEngine>(nullptr, grid);
  return owned.get();
}

TSMEDataLevel::TSMEDataLevel(TSMEDataLevels* collection)
    : Columns(collection != nullptr ? collection->Owner() : nullptr),
      Groupings(collection != nullptr ? collection->Owner() : nullptr),
      Bands(collection != nullptr ? collection->Owner() : nullptr),
      FCollection(collection),
      FDetailSources(std::make_unique<TSMEDataLevels>(collection != nullptr ? collection->Owner() : nullptr)) {}

TSMEDataLevel::~TSMEDataLevel() = default;

void TSMEDataLevel::Assign(const TSMEDataLevel& source) {
  if (&source == this) return;
  Caption = source.Caption;
  Columns.Assign(source.Columns);
  Groupings.Assign(source.Groupings);
  Bands.Assign(source.Bands);
  DBGrid = source.DBGrid;
  DataSet = source.DataSet;
  DataEngine = source.DataEngine;
  ColumnSource = source.ColumnSource;
  ShiftCount = source.ShiftCount;
  FDetailSources->Assign(*source.FDetailSources);
}

void TSMEDataLevel::CreateSourceDataEngine() {
  auto* component = FCollection != nullptr ? dynamic_cast<TSMECustomBaseComponent*>(FCollection->Owner()) : nullptr;
  const String text = component != nullptr ? component->GetLanguageString(midPropertyError) : String(strPropertyError);
  FSourceDataEngine = CreateRowSource(ColumnSource, DataSet, DBGrid, DataEngine, text, FOwnedDataEngine);
  FSourceDataEngine->FSelectedRecords = false;
  FSourceDataEngine->FLevel = 1;
  Columns.ClearFields();
}

void TSMEDataLevel::DestroySourceDataEngine() {
  FOwnedDataEngine.reset();
  FSourceDataEngine = nullptr;
}

TSMEDataLevel& TSMEDataLevels::Add() {
  TSMEDataLevel& level = Append(std::make_unique<TSMEDataLevel>(this));
  level.Caption = u"Detail" + IntToStr(Count());
  return level;
}

void TSMEDataLevels::Assign(const TSMEDataLevels& source) {
  if (&source == this) return;
  Clear();
  for (const auto& level : source) Add().Assign(*level);
}
