// Appends and posts ROWS records of the ten-field shape through a dataset's
// fields (Append, the field setters, Post), then scans them with First and
// Next reading every field; then does the same work directly on the record
// store. Prints: rows=N dataset_s=S store_s=S ratio=R
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/ten_field_shape.h"
#include "platform/rtl/RtlUnit.h"
#include "table/MemDataSet.h"

namespace {

using namespace bench;

class ShapeDataSet : public TMemDataSet {
 public:
  ShapeDataSet() { CreateIRecordSet(); }
  ~ShapeDataSet() override { Close(); }
  void CreateIRecordSet() override { SetIRecordSet(new ShapeStore()); }
};

double RunDataSet(Integer rows, unsigned long long& checksum) {
  auto start = std::chrono::steady_clock::now();
  ShapeDataSet ds;
  ds.Open();
  TField* f[ShapeFields];
  for (int k = 0; k < ShapeFields; ++k) f[k] = ds.FieldByName(Shape[k].Name);
  RowValues v;
  for (Integer i = 0; i < rows; ++i) {
    MakeRow(i, v);
    ds.Append();
    f[0]->SetAsInteger(i);
    f[1]->SetAsAnsiString(v.name);
    f[2]->SetAsString(v.title);
    f[3]->SetAsFloat(i * 1.25);
    f[4]->SetAsDateTime(40000.0 + i % 3000);
    f[5]->SetAsBoolean((i & 1) != 0);
    f[6]->SetAsInteger(i % 1000);
    f[7]->SetAsFloat(i * 0.01);
    f[8]->SetAsAnsiString(AnsiString(v.note, static_cast<size_t>(v.noteLen)));
    f[9]->SetAsAnsiString(v.code);
    ds.Post();
  }
  std::fprintf(stderr, "dataset_append_s=%.3f ", Seconds(start));
  for (ds.First(); !ds.Eof(); ds.Next()) {
    checksum += static_cast<unsigned>(f[0]->AsInteger());
    checksum += f[1]->AsAnsiString().size();
    checksum += f[2]->AsString()[3];
    checksum += static_cast<unsigned long long>(f[3]->AsFloat());
    checksum += static_cast<unsigned long long>(f[4]->AsDateTime());
    checksum += f[5]->AsBoolean() ? 1 : 0;
    checksum += static_cast<unsigned>(f[6]->AsInteger());
    checksum += static_cast<unsigned long long>(f[7]->AsFloat());
    checksum += f[8]->AsAnsiString().size();
    checksum += f[9]->AsAnsiString().size();
  }
  std::fprintf(stderr, "dataset_read_s=%.3f\n", Seconds(start));
  return Seconds(start);
}

double RunStore(Integer rows, unsigned long long& checksum) {
  auto start = std::chrono::steady_clock::now();
  ShapeStore store;
  store.Open();
  double rawBytes = 0;
  AppendShapeRows(store, rows, rawBytes);
  ScanShapeRows(store, checksum);
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  Integer rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
  if (rows <= 0) {
    std::fprintf(stderr, "usage: dataset_bench ROWS\n");
    return 2;
  }
  RtlInitialize();
  MemDataInitialize();
  unsigned long long checksum = 0;
  double datasetSeconds = RunDataSet(rows, checksum);
  double storeSeconds = RunStore(rows, checksum);
  std::printf("rows=%d dataset_s=%.3f store_s=%.3f ratio=%.2f\n", rows, datasetSeconds, storeSeconds,
              datasetSeconds / storeSeconds);
  std::fprintf(stderr, "checksum=%llu\n", checksum);
  MemDataFinalize();
  RtlFinalize();
  return 0;
}
