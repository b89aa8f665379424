// The ten-field table the record-store benchmarks share: its descriptors,
// the values of row i, and the append-and-read work done directly on the
// record store.
#pragma once

#include "tests/table/add_field_desc.h"
#include <chrono>
#include <cstdio>
#include <cstring>

#include "table/Blob.h"
#include "table/MemData.h"

namespace bench {

struct FieldShape {
  const char16_t* Name;
  TDataType Type;
  Integer Length;
};

constexpr FieldShape Shape[] = {
    {u"ID", dtInt32, 0},      {u"NAME", dtString, 30},  {u"TITLE", dtWideString, 20}, {u"PRICE", dtFloat, 0},
    {u"DAY", dtDate, 0},      {u"ACTIVE", dtBoolean, 0}, {u"QTY", dtInt16, 0},         {u"TOTAL", dtCurrency, 0},
    {u"NOTE", dtMemo, 0},     {u"CODE", dtString, 8},
};
constexpr int ShapeFields = 10;

// A store whose descriptors are the shape, made when it opens.
class ShapeStore : public TMemData {
 public:
  ~ShapeStore() override { Close(); }

 protected:
  void InternalOpen(bool) override { InitFields(); }
  void CreateFieldDescs() override {
    for (const FieldShape& s : Shape) AddFieldDesc(*this, s.Name, s.Type, s.Length);
  }
};

// Values of row i, shared by every run.
struct RowValues {
  char name[31];
  char16_t title[21];
  char note[64];
  Integer noteLen;
  char code[9];
};

inline void MakeRow(Integer i, RowValues& v) {
  std::snprintf(v.name, sizeof v.name, "Customer number %d", i);
  for (int k = 0; k < 20; ++k) v.title[k] = static_cast<char16_t>(u'A' + (i + k) % 26);
  v.title[20] = 0;
  v.noteLen = std::snprintf(v.note, sizeof v.note, "Delivered on time; invoice %d paid.", i);
  std::snprintf(v.code, sizeof v.code, "C%07d", i % 10000000);
}

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

template <class T>
void Put(TRecBuf buf, TFieldDesc* d, const T& v) {
  std::memcpy(buf + d->FOffset, &v, sizeof v);
}

// Appends rows records to an open shape store, field by field in a record
// buffer; adds the bytes the values take to rawBytes.
inline void AppendShapeRows(ShapeStore& store, Integer rows, double& rawBytes) {
  RowValues v;
  TFieldDesc* f[ShapeFields];
  for (int k = 0; k < ShapeFields; ++k) f[k] = store.Fields()[k];
  for (int k = 0; k < ShapeFields; ++k) rawBytes += k == 8 ? 0 : static_cast<double>(f[k]->FSize) * rows;
  TRecBuf buf = store.AllocRecBuf();
  for (Integer i = 0; i < rows; ++i) {
    MakeRow(i, v);
    store.InitRecord(buf);
    store.CreateComplexFields(buf, true);
    Put(buf, f[0], i);
    std::memcpy(buf + f[1]->FOffset, v.name, 31);
    std::memcpy(buf + f[2]->FOffset, v.title, 42);
    Put(buf, f[3], i * 1.25);
    Put(buf, f[4], 40000.0 + i % 3000);
    Put(buf, f[5], static_cast<SmallInt>(i & 1));
    Put(buf, f[6], static_cast<SmallInt>(i % 1000));
    Put(buf, f[7], i * 0.01);
    store.GetObject(f[8], buf)->Write(0, v.noteLen, v.note);
    std::memcpy(buf + f[9]->FOffset, v.code, 9);
    for (TFieldDesc* d : f) store.SetNull(d, buf, false);
    store.AppendRecord(buf);  // the store takes the buffer's blob reference
    rawBytes += v.noteLen;
  }
  TData::FreeRecBuf(buf);
}

// Reads every field of every record of the store; folds them into checksum.
inline void ScanShapeRows(ShapeStore& store, unsigned long long& checksum) {
  TFieldDesc* f[ShapeFields];
  for (int k = 0; k < ShapeFields; ++k) f[k] = store.Fields()[k];
  TRecBuf buf = store.AllocRecBuf();
  store.SetToBegin();
  char text[64];
  for (store.GetNextRecord(buf); !store.GetEOF(); store.GetNextRecord(buf)) {
    for (TFieldDesc* d : f) {
      if (store.GetNull(d, buf)) continue;
      const Byte* slot = buf + d->FOffset;
      switch (d->FDataType) {
        case dtInt32: { Integer x; std::memcpy(&x, slot, 4); checksum += static_cast<unsigned>(x); break; }
        case dtString: { size_t n = strnlen(reinterpret_cast<const char*>(slot), d->FSize); std::memcpy(text, slot, n); checksum += n + static_cast<unsigned char>(text[0]); break; }
        case dtWideString: { char16_t w[21]; std::memcpy(w, slot, 42); checksum += w[3]; break; }
        case dtFloat: case dtDate: case dtCurrency: { double x; std::memcpy(&x, slot, 8); checksum += static_cast<unsigned long long>(x); break; }
        case dtBoolean: case dtInt16: { SmallInt x; std::memcpy(&x, slot, 2); checksum += static_cast<unsigned>(x); break; }
        case dtMemo: checksum += static_cast<unsigned long long>(store.GetObject(d, buf)->Read(0, 0, text)); break;
        default: break;
      }
    }
  }
  TData::FreeRecBuf(buf);
}

}  // namespace bench
