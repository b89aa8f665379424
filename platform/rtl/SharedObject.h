// Reference-counted base of blob values, variant holders and object types.
#pragma once

#include "platform/rtl/Types.h"

class Variant;

// Variant type code whose payload is a TSharedObject reference.
inline constexpr Word varSharedObject = 16384;

class TSharedObject {
 public:
  TSharedObject() = default;
  TSharedObject(const TSharedObject&) = delete;
  TSharedObject& operator=(const TSharedObject&) = delete;

  Integer RefCount() const { return FRefCount; }
  // The object's handle for foreign code; on this platform the object itself.
  void* GCHandle() { return this; }

  void AddRef() { ++FRefCount; }
  // Releases one reference; the last one destroys the object. Releasing an
  // object whose count is already 0 is an internal error (EAssertionFailed).
  void Release();
  // Free on a null pointer does nothing.
  static void Free(TSharedObject* obj) {
    if (obj != nullptr) obj->Release();
  }

  // A varSharedObject variant holding one new reference to this object.
  void ToVariant(Variant& result);
  // The object a varSharedObject variant holds (no reference is added);
  // nullptr for Null and Empty. Any other type is an internal error
  // (EAssertionFailed "Assertion failure").
  static TSharedObject* FromVariant(const Variant& source);

  // Raises "Invalid SharedObject" when the object was destroyed.
  void CheckValid() const;
  // Releases outside resources; nothing here.
  virtual void Disconnect() {}
  virtual const char* ClassName() const { return "TSharedObject"; }

 protected:
  virtual ~TSharedObject() { FRefCount = 0; }

 private:
  Integer FRefCount = 1;
};

// Holds a shared object reference and releases it when it goes away; a light
// smart pointer for owners that hold one reference.
template <class T>
class TSharedRef {
 public:
  TSharedRef() = default;
  explicit TSharedRef(T* adopted) : FObj(adopted) {}
  TSharedRef(const TSharedRef& o) : FObj(o.FObj) { if (FObj) FObj->AddRef(); }
  TSharedRef(TSharedRef&& o) noexcept : FObj(o.FObj) { o.FObj = nullptr; }
  TSharedRef& operator=(TSharedRef o) noexcept { std::swap(FObj, o.FObj); return *this; }
  ~TSharedRef() { TSharedObject::Free(FObj); }

  T* get() const { return FObj; }
  T* operator->() const { return FObj; }
  T& operator*() const { return *FObj; }
  explicit operator bool() const { return FObj != nullptr; }
  T* release() { T* r = FObj; FObj = nullptr; return r; }

 private:
  T* FObj = nullptr;
};
