// The source columns a reader detects (TSMIColumns) and the parameters that
// expressions may use (TSMIParameters). Both collections own their items and
// raise EListError for an index outside 0 .. Count-1.
#pragma once

#include <memory>
#include <vector>

#include "import/ImportTypes.h"
#include "import/WideStrings.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TComponent;

class TSMIColumn {
 public:
  String FieldName;
  String Caption;
  TSMIDataType DataType = itString;
  Integer Size = 0;
  Integer Precision = 0;
  TAlignment Alignment = taLeftJustify;

  void Assign(const TSMIColumn& source) { *this = source; }
};

class TSMIColumns {
 public:
  explicit TSMIColumns(TComponent* owner = nullptr) : FOwner(owner) {}
  TComponent* GetOwner() const { return FOwner; }

  int Count() const { return static_cast<int>(FItems.size()); }
  TSMIColumn* Add();
  TSMIColumn& Columns(int index) const;
  TSMIColumn& operator[](int index) const { return Columns(index); }
  // Writing Columns[i] copies into the existing item.
  void SetColumns(int index, const TSMIColumn& value) { Columns(index).Assign(value); }
  void Delete(int index);
  void Clear() { FItems.clear(); }
  void Assign(const TSMIColumns& source);

 private:
  TComponent* FOwner;
  std::vector<std::unique_ptr<TSMIColumn>> FItems;
};

class TSMIParameters;

class TSMIParameter {
 public:
  explicit TSMIParameter(TSMIParameters* collection = nullptr) : FCollection(collection) {}

  const String& Name() const { return FName; }
  // A caption that still shows the old name follows the new one.
  void SetName(const String& value);
  String Caption;
  String Description;
  String Expression;
  TSMIParameterEditor ParameterEditor = ipeEdit;
  TSMIParameterMode ParameterMode = ipmCalculateAndAsk;
  TWideStrings ParamPromptValues;
  bool Required = false;
  // The value of the current run; not copied by Assign.
  Variant Value;

  void Assign(const TSMIParameter& source);
  TSMIParameters* Collection() const { return FCollection; }

 private:
  TSMIParameters* FCollection;
  String FName;
};

class TSMIParameters {
 public:
  explicit TSMIParameters(TComponent* owner = nullptr) : FOwner(owner) {}
  TComponent* GetOwner() const { return FOwner; }

  int Count() const { return static_cast<int>(FItems.size()); }
  // A new parameter named "Parameter" and its number (the first is 1).
  TSMIParameter* Add();
  TSMIParameter& Items(int index) const;
  void SetItems(int index, const TSMIParameter& value) { Items(index).Assign(value); }
  void Delete(int index);
  void Clear() { FItems.clear(); }
  void Assign(const TSMIParameters& source);
  // The first parameter of exactly that name (case counts); nullptr when none.
  TSMIParameter* ParamByName(StringView name) const;

 private:
  TComponent* FOwner;
  std::vector<std::unique_ptr<TSMIParameter>> FItems;
};
