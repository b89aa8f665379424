// Appends ROWS records of a ten-field shape to the record store and reads
// every field back, then does the same with a std::vector of plain structs.
// Each side runs in a fresh process of its own, so that neither reuses pages
// the other has already faulted in.
// Prints: rows=N store_s=S vector_s=S ratio=R raw_mb=M peak_rss_mb=M
#include <sys/wait.h>
#include <unistd.h>

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

// What a side reports from its process.
struct SideResult {
  double seconds = 0;
  double peakMb = 0;
  double rawBytes = 0;
  unsigned long long checksum = 0;
};

// Runs side in a child process and returns what it reported.
template <class Side>
SideResult RunApart(Side side) {
  int fds[2];
  if (::pipe(fds) != 0) std::exit(1);
  pid_t pid = ::fork();
  if (pid < 0) std::exit(1);
  if (pid == 0) {
    ::close(fds[0]);
    SideResult result = side();
    ssize_t written = ::write(fds[1], &result, sizeof result);
    ::_exit(written == static_cast<ssize_t>(sizeof result) ? 0 : 1);
  }
  ::close(fds[1]);
  SideResult result;
  ssize_t got = ::read(fds[0], &result, sizeof result);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (got != static_cast<ssize_t>(sizeof result) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(1);
  return result;
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

  SideResult store = RunApart([rows] {
    SideResult r;
    auto start = std::chrono::steady_clock::now();
    {
      ShapeStore store;
      store.Open();
      AppendShapeRows(store, rows, r.rawBytes);
      std::fprintf(stderr, "store_append_s=%.3f ", Seconds(start));
      ScanShapeRows(store, r.checksum);
      r.peakMb = PeakRssMb();
      std::fprintf(stderr, "store_read_s=%.3f ", Seconds(start));
    }
    std::fprintf(stderr, "store_free_s=%.3f\n", Seconds(start));
    r.seconds = Seconds(start);
    return r;
  });

  SideResult vector = RunApart([rows] {
    SideResult r;
    RowValues v;
    auto start = std::chrono::steady_clock::now();
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
    unsigned long long& checksum = r.checksum;
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
    table = {};
    r.seconds = Seconds(start);
    return r;
  });
  double storeSeconds = store.seconds;
  double vectorSeconds = vector.seconds;
  double rawBytes = store.rawBytes;
  double storePeak = store.peakMb;
  unsigned long long checksum = store.checksum + vector.checksum;

  std::printf("rows=%d store_s=%.3f vector_s=%.3f ratio=%.2f raw_mb=%.1f peak_rss_mb=%.1f\n", rows, storeSeconds,
              vectorSeconds, storeSeconds / vectorSeconds, rawBytes / (1024.0 * 1024.0), storePeak);
  std::fprintf(stderr, "checksum=%llu\n", checksum);
  MemDataFinalize();
  RtlFinalize();
  return 0;
}
