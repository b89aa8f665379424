// A record store whose descriptors a test lists by type and length.
#pragma once

#include "tests/table/add_field_desc.h"
#include <cstring>
#include <initializer_list>
#include <vector>

#include "table/MemData.h"

struct FieldSpec {
  const char16_t* Name;
  TDataType Type;
  Integer Length = 0;
  TFieldDescKind Kind = fdkData;
};

class TestStore : public TMemData {
 public:
  explicit TestStore(std::initializer_list<FieldSpec> specs) : FSpecs(specs) { Open(); }
  ~TestStore() override { Close(); }

  // A zeroed record with every field null; freed with the store.
  TRecBuf NewRecord() {
    TRecBuf buf = AllocRecBuf();
    std::memset(buf, 0, static_cast<size_t>(RecordSize()));
    InitRecord(buf);
    FOwned.push_back(buf);
    return buf;
  }
  void SetInt(TRecBuf buf, int field, Integer value) {
    TFieldDesc* d = Fields()[field];
    std::memcpy(buf + d->FOffset, &value, sizeof value);
    SetNull(d, buf, false);
  }
  Integer GetInt(TRecBuf buf, int field) {
    Integer v;
    std::memcpy(&v, buf + Fields()[field]->FOffset, sizeof v);
    return v;
  }
  // Any field through the variant conversions; Null or Empty writes null.
  void SetValue(TRecBuf buf, int field, const Variant& value) { PutFieldAsVariant(Fields()[field], buf, value); }
  Variant GetValue(TRecBuf buf, int field) { return GetFieldValue(Fields()[field], buf); }
  // Appends a record holding the values, field by field.
  void AppendValues(std::initializer_list<Variant> values) {
    TRecBuf buf = NewRecord();
    CreateComplexFields(buf, true);
    int field = 0;
    for (const Variant& v : values) SetValue(buf, field++, v);
    AppendRecord(buf);
  }
  // Appends a record whose first field holds value.
  void AppendInt(Integer value) {
    TRecBuf buf = NewRecord();
    SetInt(buf, 0, value);
    AppendRecord(buf);
  }
  Integer CurrentInt() {
    TRecBuf buf = NewRecord();
    GetRecord(buf);
    return GetInt(buf, 0);
  }

 protected:
  // Like the table component, the store builds its descriptors on open.
  void InternalOpen(bool) override { InitFields(); }
  void CreateFieldDescs() override {
    for (const FieldSpec& s : FSpecs) AddFieldDesc(*this, s.Name, s.Type, s.Length)->FFieldDescKind = s.Kind;
  }

 private:
  std::vector<FieldSpec> FSpecs;
  struct Bufs {
    std::vector<TRecBuf> v;
    void push_back(TRecBuf b) { v.push_back(b); }
    ~Bufs() { for (TRecBuf b : v) TData::FreeRecBuf(b); }
  } FOwned;
};
