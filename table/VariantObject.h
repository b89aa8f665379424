// The reference-counted holder of a variant field's value.
#pragma once

#include <utility>

#include "platform/rtl/SharedObject.h"
#include "platform/rtl/Variant.h"

class TVariantObject : public TSharedObject {
 public:
  TVariantObject() = default;  // holds Empty
  const char* ClassName() const override { return "TVariantObject"; }

  const Variant& Value() const { return FValue; }
  void SetValue(Variant value) { FValue = std::move(value); }

 protected:
  ~TVariantObject() override = default;

 private:
  Variant FValue;
};
