// The replaceable service object of a TMemDataSet: owner of the updater,
// chooser of field classes, and the one that puts number ranges on numeric
// fields and marks which descriptors can be updated.
#pragma once

#include "platform/db/Field.h"
#include "platform/db/FieldDefs.h"
#include "platform/rtl/Variant.h"
#include "table/Data.h"
#include "table/DataTypes.h"

class TMemDataSet;
class TDataSetService;
class TFieldDesc;
class TStream;
class XmlTextWriter;

// Unit switch: with it on, an OnUpdateRecord handler that leaves uaFail
// records the failure without raising "Update failed".
extern bool DoNotRaiseExcetionOnUaFail;

// Performs the appends, deletes and updates that a dataset hands to its
// update target, at once or, under cached updates, when they are applied.
// The in-memory table keeps its records itself, so the base updater performs
// nothing; datasets with a server behind them derive.
class TDataSetUpdater {
 public:
  // The owner is required.
  explicit TDataSetUpdater(TDataSetService* owner);
  virtual ~TDataSetUpdater() = default;
  TDataSetUpdater(const TDataSetUpdater&) = delete;
  TDataSetUpdater& operator=(const TDataSetUpdater&) = delete;
  TDataSetService* DataSetService() const { return FDataSetService; }
  TMemDataSet* DataSet() const { return FDataSet; }

  // The extension points; each answers whether it succeeded.
  virtual bool PerformAppend() { return true; }
  virtual bool PerformDelete() { return true; }
  virtual bool PerformUpdate() { return true; }
  virtual bool CacheChanged() { return true; }
  virtual bool CacheApplied() { return true; }
  virtual bool CacheCanceled() { return true; }
  // Batching: suspended changes wait until the batch may be flushed.
  virtual bool BatchUpdate() { return false; }
  virtual bool CanFlushBatch() { return false; }
  virtual void FlushBatch() {}

  // What the dataset's record-set hooks call (DataSetUpdater.cpp).
  void DoPerformAppend();
  void DoPerformDelete();
  void DoPerformUpdate();
  void DoCacheChanged() { CacheChanged(); }
  void DoCacheApplied() { CacheApplied(); }
  void DoCacheCanceled() { CacheCanceled(); }
  // Applies one cached change: through OnUpdateRecord when the dataset has
  // one, else by the Perform operation of its kind; failures of the target
  // go to OnUpdateError.
  void DoApplyRecord(TUpdateRecKind kind, TUpdateRecAction& action, bool lastItem);
  void DoAfterApplyUpdates();

 protected:
  TMemDataSet* FDataSet;
  TDataSetService* FDataSetService;

 private:
  void PerformByKind(TUpdateRecKind kind);
};

class TDataSetService {
 public:
  explicit TDataSetService(TMemDataSet* owner);
  virtual ~TDataSetService();
  TDataSetService(const TDataSetService&) = delete;
  TDataSetService& operator=(const TDataSetService&) = delete;

  TMemDataSet* DataSet() const { return FDataSet; }
  TDataSetUpdater* Updater() const { return FUpdater; }

  virtual void CreateDataSetUpdater();
  // Frees the current updater and keeps value.
  virtual void SetDataSetUpdater(TDataSetUpdater* value);
  // Bounds a numeric field by its descriptor's length and scale (integers
  // to plus or minus 10^Length - 1; floats of length 1 to 15 also get that
  // precision).
  virtual void SetNumberRange(TFieldDef* fieldDef);
  virtual TFieldClass GetFieldClass(TFieldType fieldType, TDataType dataType);
  // With persistent fields, a descriptor is updateable exactly when the
  // dataset has a field of its name.
  virtual void PreInitCursor();
  // The base service knows no properties: both raise an assertion failure.
  virtual bool SetProp(Integer prop, const Variant& value);
  virtual bool GetProp(Integer prop, Variant& value);

  // Writes the dataset as an XML rowset document (XmlRowsetWriter.cpp).
  virtual void SaveToXML(TStream& destination);
  // The type attributes of a column's "s:datatype", the column attributes
  // of its "s:AttributeType", and a value's text; alias is the name the
  // column stands under in the rows when its own name is not a valid one.
  virtual void WriteFieldXMLDataType(TField* field, TFieldDesc* fieldDesc, XmlTextWriter& writer, const String& alias);
  virtual void WriteFieldXMLAttributeType(TField* field, TFieldDesc* fieldDesc, XmlTextWriter& writer,
                                          const String& alias);
  virtual String GetFieldXMLValue(TField* field, TFieldDesc* fieldDesc);

 protected:
  TMemDataSet* FDataSet;
  TDataSetUpdater* FUpdater = nullptr;
};

// The service class of the C++ class T: TDataSetServiceClass c = &NewDataSetService<T>.
template <class T>
TDataSetService* NewDataSetService(TMemDataSet* owner) {
  T* service = new T(owner);
  service->CreateDataSetUpdater();
  return service;
}
