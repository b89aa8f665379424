// Appends ROWS records of a ten-field shape to the record store and reads
// every field back, then does the same with a std::vector of plain structs.
// Prints: rows=N store_s=S vector_s=S ratio=R raw_mb=M peak_rss_mb=M
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/rtl/RtlUnit.h"
#include "table/Blob.h"
#include "table/MemData.h"

namespace {

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

class BenchStore : public TMemData {
 public:
  BenchStore() { Open(); }
  ~BenchStore() override { Close(); }

 protected:
  void InternalOpen(bool) override { InitFields(); }
  void CreateFieldDescs() override {
    Word no = 0;
    for (const FieldShape& s : Shape) {
      TFieldDesc* d = CreateFieldDesc();
      d->FName = s.Name;
      d->SetDataType(s.Type);
      d->FLength = static_cast<Word>(s.Length);
      d->FSize = GetBufferSize(s.Type, s.Length);
      d->FFieldNo = ++no;
      Fields().Add(d);
    }
  }
};

struct Plain {
  Integer id;
  char name[31];
  char16_t title[21];
  double price;
  double day;
  bool active;
  SmallInt qty;
  double total;
  std::string note;
  char code[9];
};

// Values of row i, shared by both runs.
struct RowValues {
  char name[31];
  char16_t title[21];
  char note[64];
  Integer noteLen;
  char code[9];
};

void MakeRow(Integer i, RowValues& v) {
  std::snprintf(v.name, sizeof v.name, "Customer number %d", i);
  for (int k = 0; k < 20; ++k) v.title[k] = static_cast<char16_t>(u'A' + (i + k) % 26);
  v.title[20] = 0;
  v.noteLen = std::snprintf(v.note, sizeof v.note, "Delivered on time; invoice %d paid.", i);
  std::snprintf(v.code, sizeof v.code, "C%07d", i % 10000000);
}

double PeakRssMb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

template <class T>
void Put(TRecBuf buf, TFieldDesc* d, const T& v) {
  std::memcpy(buf + d->FOffset, &v, sizeof v);
}

}  // namespace

int main(int argc, char** argv) {
  Integer rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
  if (rows <= 0) {
    std::fprintf(stderr, "usage: record_store_bench ROWS\n");
    return 2;
  }
  RtlInitialize();
  MemDataInitialize();

  unsigned long long checksum = 0;
  double rawBytes = 0;
  RowValues v;

  auto start = std::chrono::steady_clock::now();
  double storePeak;
  {
    BenchStore store;
    TFieldDesc* f[10];
    for (int k = 0; k < 10; ++k) f[k] = store.Fields()[k];
    for (int k = 0; k < 10; ++k) rawBytes += k == 8 ? 0 : f[k]->FSize;
    rawBytes *= rows;
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
    std::fprintf(stderr, "store_append_s=%.3f ", Seconds(start));
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
    storePeak = PeakRssMb();
    std::fprintf(stderr, "store_read_s=%.3f ", Seconds(start));
    TData::FreeRecBuf(buf);
  }
  std::fprintf(stderr, "store_free_s=%.3f\n", Seconds(start));
  double storeSeconds = Seconds(start);

  start = std::chrono::steady_clock::now();
  {
    std::vector<Plain> table;
    for (Integer i = 0; i < rows; ++i) {
      MakeRow(i, v);
      Plain p;
      p.id = i;
      std::memcpy(p.name, v.name, 31);
      std::memcpy(p.title, v.title, 42);
      p.price = i * 1.25;
      p.day = 40000.0 + i % 3000;
      p.active = (i & 1) != 0;
      p.qty = static_cast<SmallInt>(i % 1000);
      p.total = i * 0.01;
      p.note.assign(v.note, static_cast<size_t>(v.noteLen));
      std::memcpy(p.code, v.code, 9);
      table.push_back(std::move(p));
    }
    char text[64];
    for (const Plain& p : table) {
      checksum += static_cast<unsigned>(p.id);
      size_t n = strnlen(p.name, 31);
      std::memcpy(text, p.name, n);
      checksum += n + static_cast<unsigned char>(text[0]);
      checksum += p.title[3];
      checksum += static_cast<unsigned long long>(p.price) + static_cast<unsigned long long>(p.day) +
                  static_cast<unsigned long long>(p.total);
      checksum += static_cast<unsigned>(p.active) + static_cast<unsigned>(p.qty);
      std::memcpy(text, p.note.data(), p.note.size());
      checksum += p.note.size();
      n = strnlen(p.code, 9);
      std::memcpy(text, p.code, n);
      checksum += n + static_cast<unsigned char>(text[0]);
    }
  }
  double vectorSeconds = Seconds(start);

  std::printf("rows=%d store_s=%.3f vector_s=%.3f ratio=%.2f raw_mb=%.1f peak_rss_mb=%.1f\n", rows, storeSeconds,
              vectorSeconds, storeSeconds / vectorSeconds, rawBytes / (1024.0 * 1024.0), storePeak);
  std::fprintf(stderr, "checksum=%llu\n", checksum);
  MemDataFinalize();
  RtlFinalize();
  return 0;
}
