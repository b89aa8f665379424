// Field definitions: what a dataset says about the columns it can give,
// before fields are made for them.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/db/DBTypes.h"
#include "platform/rtl/Types.h"

class TComponent;
class TDataSet;
class TField;
class TFieldDefs;

class TFieldDef {
 public:
  TFieldDef(TFieldDefs* owner, const String& name, TFieldType dataType, Integer size, bool required,
            Integer fieldNo);
  TFieldDef(const TFieldDef&) = delete;
  TFieldDef& operator=(const TFieldDef&) = delete;

  const String& Name() const { return FName; }
  void SetName(const String& value);
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType value);
  Integer Size() const { return FSize; }
  void SetSize(Integer value);
  Integer Precision() const { return FPrecision; }
  void SetPrecision(Integer value);
  TFieldAttributes Attributes() const { return FAttributes; }
  void SetAttributes(TFieldAttributes value);
  bool Required() const { return (FAttributes & faRequired) != 0; }
  void SetRequired(bool value);
  Integer FieldNo() const { return FFieldNo; }
  void SetFieldNo(Integer value) { FFieldNo = value; }
  Integer Index() const;
  TFieldDefs* Collection() const { return FOwner; }
  // Child definitions of ADT and array definitions.
  TFieldDefs& ChildDefs();
  bool HasChildDefs() const { return FChildDefs && !FChildDefsEmpty(); }
  TFieldDef* ParentDef() const;
  // Makes the dataset's field class for this definition, owned by owner and
  // added to the dataset's fields: name, size, field number, type, required
  // and read-only from the definition (precision for BCD fields). Raises
  // "Field '%s' is of an unknown type" when the dataset has no class for it.
  TField* CreateField(TComponent* owner);

 private:
  bool FChildDefsEmpty() const;
  void Changed();

  TFieldDefs* FOwner;
  String FName;
  TFieldType FDataType;
  Integer FSize;
  Integer FPrecision = 0;
  TFieldAttributes FAttributes = 0;
  Integer FFieldNo;
  std::unique_ptr<TFieldDefs> FChildDefs;
};

class TFieldDefs {
 public:
  // dataSet receives deFieldListChange-like notices through OnChange;
  // parent is the definition whose children these are.
  explicit TFieldDefs(TDataSet* dataSet, TFieldDef* parent = nullptr);
  TFieldDefs(const TFieldDefs&) = delete;
  TFieldDefs& operator=(const TFieldDefs&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  TFieldDef* Items(int index) const { return FItems.at(static_cast<size_t>(index)).get(); }
  TFieldDef* operator[](int index) const { return Items(index); }
  // A definition without name, numbered after the last one.
  TFieldDef* AddFieldDef();
  // Raises "Field name missing" for an empty name and "Duplicate name '%s'
  // in %s" for a name the list has (without regard to case).
  TFieldDef* Add(const String& name, TFieldType dataType, Integer size = 0, bool required = false);
  void Delete(int index);
  void Clear();
  // Case-insensitive; nullptr when absent.
  TFieldDef* Find(StringView name) const;
  int IndexOf(StringView name) const;
  // Find, or EDatabaseError "Field '%s' not found".
  TFieldDef* FindOrError(StringView name) const;
  void Assign(const TFieldDefs& source);

  TDataSet* DataSet() const { return FDataSet; }
  TFieldDef* ParentDef() const { return FParentDef; }
  bool Updated() const { return FUpdated; }
  void SetUpdated(bool value) { FUpdated = value; }
  // Changes between BeginUpdate and EndUpdate make one notice, at the end.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  // Every change marks the list out of date (SetUpdated(true) inside an
  // update marks it up to date again) and calls OnChange, once per update.
  std::function<void()> OnChange;
  void Changed();

 private:
  TDataSet* FDataSet;
  TFieldDef* FParentDef;
  std::vector<std::unique_ptr<TFieldDef>> FItems;
  bool FUpdated = false;
  int FUpdateCount = 0;
  bool FChangedInUpdate = false;
  friend class TFieldDef;
};
