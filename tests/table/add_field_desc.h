// Test and benchmark stores describe their fields from lists; this makes one
// descriptor of a list entry, numbered after those already there.
#pragma once

#include "table/Data.h"

inline TFieldDesc* AddFieldDesc(TData& data, const char16_t* name, TDataType type, Integer length) {
  TFieldDesc* d = data.CreateFieldDesc();
  d->FName = name;
  d->SetDataType(type);
  d->FLength = static_cast<Word>(length);
  d->FSize = data.GetBufferSize(type, length);
  d->FFieldNo = static_cast<Word>(data.Fields().Count() + 1);
  data.Fields().Add(d);
  return d;
}
