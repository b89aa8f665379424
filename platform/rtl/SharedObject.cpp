#include "platform/rtl/SharedObject.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Variant.h"

void TSharedObject::Release() {
  if (FRefCount <= 0) {
    throw EAssertionFailed(StrFromAscii(ClassName()) + u".Free RefCount = " + IntToStr(FRefCount));
  }
  if (FRefCount == 1) {
    delete this;
  } else {
    --FRefCount;
  }
}

void TSharedObject::CheckValid() const {
  if (FRefCount == 0) throw Exception(u"Invalid SharedObject");
}

void TSharedObject::ToVariant(Variant& result) { result = Variant::FromSharedObject(this); }

TSharedObject* TSharedObject::FromVariant(const Variant& source) {
  if (source.IsNull() || source.IsEmpty()) return nullptr;
  if (source.VarType() != varSharedObject) throw EAssertionFailed(RtlMessages::SAssertionFailed);
  return source.AsSharedObject();
}
