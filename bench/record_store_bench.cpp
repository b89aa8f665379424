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
#include "bench/ten_field_shape.h"

namespace {

using namespace bench;

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

double PeakRssMb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
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
    ShapeStore store;
    store.Open();
    AppendShapeRows(store, rows, rawBytes);
    std::fprintf(stderr, "store_append_s=%.3f ", Seconds(start));
    ScanShapeRows(store, checksum);
    storePeak = PeakRssMb();
    std::fprintf(stderr, "store_read_s=%.3f ", Seconds(start));
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
