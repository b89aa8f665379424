// The object an object field (dtObject, dtArray) refers to. No record set of
// this program makes one; record sets of other data sources derive from it.
#pragma once

#include "platform/rtl/SharedObject.h"
#include "platform/rtl/Types.h"

class TObjectType;

class TDBObject : public TSharedObject {
 public:
  TDBObject() = default;
  const char* ClassName() const override { return "TDBObject"; }

  TObjectType* ObjectType() const { return FObjectType; }
  virtual void SetObjectType(TObjectType* value) { FObjectType = value; }

  // The buffer of an attribute (a path such as "ADDR.CITY"); nativeBuffer
  // false means attrBuf is a copy the caller frees with std::free.
  virtual void GetAttributeValue(const String& /*name*/, void*& attrBuf, bool& isBlank, bool& nativeBuffer) {
    attrBuf = nullptr;
    isBlank = true;
    nativeBuffer = true;
  }
  // valuePtr nullptr makes the attribute null.
  virtual void SetAttributeValue(const String& /*name*/, const void* /*valuePtr*/) {}
  virtual bool GetAttrIsNull(const String& /*name*/) { return true; }

 protected:
  ~TDBObject() override = default;
  TObjectType* FObjectType = nullptr;
};
