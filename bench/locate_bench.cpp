// Locate on a table of ROWS records (an integer key and a text): CALLS
// searches for keys that exist, first with the table sorted on the key
// (bisection), then unsorted (a scan from the first record). The unsorted
// searches can be limited to a sample (third argument); their time is then
// scaled to CALLS. The sorted time includes building the record-number cache
// on the first search; stderr also shows the searches repeated on the built
// cache. Prints: rows=N locate_sorted_s=S locate_unsorted_s=S
#include "tests/table/add_field_desc.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "platform/rtl/RtlUnit.h"
#include "table/MemData.h"
#include "table/MemDataSet.h"

namespace {

class KeyStore : public TMemData {
 protected:
  void InternalOpen(bool) override { InitFields(); }
  void CreateFieldDescs() override {
    AddFieldDesc(*this, u"KEY", dtInt32, 0);
    AddFieldDesc(*this, u"NAME", dtString, 20);
  }
};

class KeyDataSet : public TMemDataSet {
 public:
  KeyDataSet() { CreateIRecordSet(); }
  ~KeyDataSet() override { Close(); }
  void CreateIRecordSet() override { SetIRecordSet(new KeyStore()); }
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Seconds for the searches; aborts when one is not found.
double TimeLocates(KeyDataSet& ds, const std::vector<Integer>& keys) {
  auto start = std::chrono::steady_clock::now();
  for (Integer key : keys) {
    if (!ds.Locate(u"KEY", Variant(key), 0) || ds.FieldByName(u"KEY")->AsInteger() != key) {
      std::fprintf(stderr, "key %d not found\n", key);
      std::exit(1);
    }
  }
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  Integer rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
  Integer calls = argc > 2 ? std::atoi(argv[2]) : 10000;
  Integer sample = argc > 3 ? std::atoi(argv[3]) : calls;
  if (rows <= 0 || calls <= 0 || sample <= 0 || sample > calls) {
    std::fprintf(stderr, "usage: locate_bench ROWS [CALLS [UNSORTED_SAMPLE]]\n");
    return 2;
  }
  RtlInitialize();
  MemDataInitialize();
  {
    KeyDataSet ds;
    ds.Open();
    TData& store = *ds.Data();
    std::mt19937 random(4242);
    std::vector<Integer> stored;
    stored.reserve(static_cast<size_t>(rows));
    TRecBuf buf = store.AllocRecBuf();
    for (Integer i = 0; i < rows; ++i) {
      store.InitRecord(buf);
      Integer key = static_cast<Integer>(random() % (2u * static_cast<unsigned>(rows)));
      store.PutField(store.Fields()[0], buf, &key);
      store.PutField(store.Fields()[1], buf, "row");
      store.AppendRecord(buf);
      stored.push_back(key);
    }
    TData::FreeRecBuf(buf);
    std::vector<Integer> keys;
    for (Integer i = 0; i < calls; ++i) keys.push_back(stored[random() % stored.size()]);

    ds.SetIndexFieldNames(u"KEY");
    ds.First();
    double sorted = TimeLocates(ds, keys);
    // The first search after a sort builds the record-number cache; the
    // same searches again show the bisection alone.
    std::fprintf(stderr, "sorted again (cache built): %.3f s\n", TimeLocates(ds, keys));

    ds.SetIndexFieldNames(u"");
    ds.First();
    keys.resize(static_cast<size_t>(sample));
    double unsorted = TimeLocates(ds, keys) * calls / sample;
    std::fprintf(stderr, "unsorted: %d of %d searches timed, %.6f s each\n", sample, calls, unsorted / calls);
    std::printf("rows=%d locate_sorted_s=%.3f locate_unsorted_s=%.3f\n", rows, sorted, unsorted);
  }
  MemDataFinalize();
  RtlFinalize();
  return 0;
}
