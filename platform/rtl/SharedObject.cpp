#include "platform/rtl/SharedObject.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

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
