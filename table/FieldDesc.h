// Field descriptors of a record set and the composite-type descriptors.
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/SharedObject.h"
#include "platform/rtl/Types.h"
#include "table/DataTypes.h"

class TData;
class TObjectType;

// Answers the type-class questions of the record-set class that made a
// descriptor (blob, complex, object types); derived record sets widen them.
struct TRecordSetTypeClasses {
  bool (*IsBlobDataType)(TDataType) = nullptr;
  bool (*IsComplexDataType)(TDataType) = nullptr;
  bool (*IsObjectDataType)(TDataType) = nullptr;
};

enum TFieldDescKind : Byte { fdkData = 0, fdkCached = 1, fdkCalculated = 2 };

class TFieldDesc {
 public:
  explicit TFieldDesc(const TRecordSetTypeClasses* recordSetClass);
  virtual ~TFieldDesc();
  TFieldDesc(const TFieldDesc&) = delete;
  TFieldDesc& operator=(const TFieldDesc&) = delete;

  virtual TDataType GetMappedDataType() const { return FDataType; }
  virtual void SetDataType(TDataType value);
  virtual void SetSubDataType(TDataType value) { FSubDataType = value; }
  virtual void Assign(const TFieldDesc& source);

  void SetObjectType(TObjectType* value);
  void SetParentField(TFieldDesc* value);

  const TRecordSetTypeClasses* FRecordSetClass;
  TDataType FDataType = dtUnknown;
  TDataType FSubDataType = dtUnknown;
  TObjectType* FObjectType = nullptr;
  TFieldDesc* FParentField = nullptr;
  bool FUpdateable = true;
  String FName;
  String FActualName;
  Word FLength = 0;
  Word FScale = 0;
  Word FFieldNo = 0;
  Integer FActualFieldNo = -1;
  Integer FSize = 0;
  Integer FOffset = 0;
  bool FRequired = false;
  bool FReadOnly = false;
  bool FIsKey = false;
  bool FFixed = false;
  bool FHidden = false;
  bool FHiddenObject = false;
  void* FHandle = nullptr;
  bool FReserved = false;
  TFieldDescKind FFieldDescKind = fdkData;
  bool FIsAutoIncrement = false;
  bool FIsComplex = false;
  bool FIsBlob = false;
  bool FIsObject = false;
  bool FHasParent = false;
};

// An ordered list that owns its descriptors.
class TFieldDescs {
 public:
  TFieldDescs() = default;
  TFieldDescs(const TFieldDescs&) = delete;
  TFieldDescs& operator=(const TFieldDescs&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  TFieldDesc* Items(int index) const { return FItems.at(static_cast<size_t>(index)).get(); }
  TFieldDesc* operator[](int index) const { return Items(index); }
  void Add(TFieldDesc* desc) { FItems.emplace_back(desc); }
  void Delete(int index) { FItems.erase(FItems.begin() + index); }
  void Clear() { FItems.clear(); }

  // First the descriptors without parent whose name matches (case-insensitive
  // in the user's locale), then child descriptors by name or any descriptor by
  // actual name. nullptr when none matches.
  TFieldDesc* FindField(StringView name) const;
  // FindField, or an exception "Field %s not found".
  TFieldDesc* FieldByName(StringView name) const;
  TFieldDesc* FieldByActualFieldNo(Integer actualFieldNo) const;

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  std::vector<std::unique_ptr<TFieldDesc>> FItems;
};

class TAttribute;

class TObjectType : public TSharedObject {
 public:
  TObjectType() = default;
  const char* ClassName() const override { return "TObjectType"; }

  void ClearAttributes();
  int AttributeCount() const { return static_cast<int>(FAttributes.size()); }
  TAttribute* Attributes(int index) const { return FAttributes.at(static_cast<size_t>(index)).get(); }
  void AddAttribute(TAttribute* attribute);
  // Walks a path such as "ADDR.LINES[2].TEXT" through nested object types.
  TAttribute* FindAttribute(StringView name) const;
  // FindAttribute, or an exception "Attribute %s not found".
  TAttribute* AttributeByName(StringView name) const;

  String FName;
  TDataType FDataType = dtUnknown;
  Integer FSize = 0;

 protected:
  ~TObjectType() override;

 private:
  std::vector<std::unique_ptr<TAttribute>> FAttributes;
};

class TAttribute {
 public:
  TAttribute() = default;
  ~TAttribute();
  TAttribute(const TAttribute&) = delete;
  TAttribute& operator=(const TAttribute&) = delete;

  // Takes a reference on the type only when its name differs from the
  // owner's, so that a type containing itself holds no reference cycle.
  void SetObjectType(TObjectType* value);

  String FName;
  TDataType FDataType = dtUnknown;
  TDataType FSubDataType = dtUnknown;
  Word FLength = 0;
  Word FScale = 0;
  Integer FSize = 0;
  Integer FDataSize = 0;
  Integer FOffset = 0;
  Integer FIndicatorOffset = 0;
  Integer FAttributeNo = 0;
  TObjectType* FObjectType = nullptr;
  TObjectType* FOwner = nullptr;
  bool FFixed = false;

 private:
  bool FHoldsTypeReference = false;
};
