// Sorts ROWS records of the record store by a text field (locale collation)
// and by an integer field, each time also with std::sort of the record
// pointers under the store's own record comparison, then filters the
// records with a three-condition filter expression.
// Prints: rows=N sort_str_s=S stdsort_str_s=S sort_int_s=S stdsort_int_s=S filter_s=S
#include "tests/table/add_field_desc.h"
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/RtlUnit.h"
#include "platform/rtl/Strings.h"
#include "table/MemData.h"

namespace {

class BenchStore : public TMemData {
 public:
  BenchStore() { Open(); }
  ~BenchStore() override { Close(); }

  void SortBy(int field) {
    FIndexFields.assign(1, TSortColumn{Fields()[field], false, stCaseSensitive});
    SortItems();
  }
  // Back to the order the records were appended in.
  void Unsort() {
    FIndexFields.clear();
    SortItems();
  }
  // The sort column that CompareRecords uses, without sorting.
  void CompareBy(int field) { FIndexFields.assign(1, TSortColumn{Fields()[field], false, stCaseSensitive}); }

  std::vector<TRecBuf> Records() {
    std::vector<TRecBuf> out;
    for (TItemHeader* p = FirstItem; p != nullptr; p = p->Next) out.push_back(TBlockManager::GetRecordPtr(p));
    return out;
  }
  void ForgetFilterResults() {
    for (TItemHeader* p = FirstItem; p != nullptr; p = p->Next) p->FilterResult = fsNotChecked;
  }

 protected:
  void InternalOpen(bool) override { InitFields(); }
  void CreateFieldDescs() override {
    struct Shape {
      const char16_t* Name;
      TDataType Type;
      Word Length;
    };
    const Shape shapes[] = {{u"Name", dtString, 20}, {u"Id", dtInt32, 0}, {u"Amount", dtFloat, 0}};
    for (const Shape& s : shapes) AddFieldDesc(*this, s.Name, s.Type, s.Length);
  }
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Words of about 20 letters from syllables, capitalised now and then.
std::string RandomName(std::mt19937& random) {
  static const char* syllables[] = {"ka", "lo", "mi", "ne", "po", "ra", "su", "te", "vi", "za",
                                    "br", "\xE8" "e", "\x9A" "i", "\x9E" "u", "an", "el", "or", "st"};
  std::string name;
  while (name.size() < 18) {
    std::string s = syllables[random() % 18];
    if (random() % 4 == 0) s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    name += s;
    if (random() % 5 == 0) name += ' ';
  }
  return name.substr(0, 20);
}

double TimeStoreSort(BenchStore& store, int field) {
  store.Unsort();
  auto start = std::chrono::steady_clock::now();
  store.SortBy(field);
  double s = Seconds(start);
  store.Unsort();
  return s;
}

double TimeStdSort(BenchStore& store, int field) {
  std::vector<TRecBuf> records = store.Records();
  store.CompareBy(field);
  auto start = std::chrono::steady_clock::now();
  std::sort(records.begin(), records.end(),
            [&store](TRecBuf a, TRecBuf b) { return store.CompareRecords(a, b) < 0; });
  double s = Seconds(start);
  store.Unsort();
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  Integer rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
  if (rows <= 0) {
    std::fprintf(stderr, "usage: sort_filter_bench ROWS\n");
    return 2;
  }
  RtlInitialize();
  MemDataInitialize();
  {
    BenchStore store;
    TFieldDesc* name = store.Fields()[0];
    TFieldDesc* id = store.Fields()[1];
    TFieldDesc* amount = store.Fields()[2];
    std::mt19937 random(12345);
    TRecBuf buf = store.AllocRecBuf();
    for (Integer i = 0; i < rows; ++i) {
      store.InitRecord(buf);
      std::string text = RandomName(random);
      Integer key = static_cast<Integer>(random() % 1000000);
      double value = (random() % 100000) / 100.0;
      store.PutField(name, buf, text.c_str());
      store.PutField(id, buf, &key);
      store.PutField(amount, buf, &value);
      store.AppendRecord(buf);
    }
    TData::FreeRecBuf(buf);

    double sortStr = TimeStoreSort(store, 0);
    double stdSortStr = TimeStdSort(store, 0);
    double sortInt = TimeStoreSort(store, 1);
    double stdSortInt = TimeStdSort(store, 1);

    std::string filter = "n/a";
    try {
      store.ForgetFilterResults();
      auto start = std::chrono::steady_clock::now();
      store.SetFilterText(u"Name >= 'M' AND Id > 1000 AND Amount < 500");
      if (store.FilterExpression() == nullptr) throw Exception(u"the filter text built no expression");
      store.FilterUpdated();
      Integer visible = 0;
      store.SetToBegin();
      for (store.GetNextRecord(nullptr); !store.GetEOF(); store.GetNextRecord(nullptr)) ++visible;
      char seconds[32];
      std::snprintf(seconds, sizeof seconds, "%.3f", Seconds(start));
      filter = seconds;
      std::fprintf(stderr, "filter kept %d of %d records\n", visible, rows);
    } catch (const Exception& e) {
      std::fprintf(stderr, "filter not timed: %s\n", e.what());
    }
    std::printf("rows=%d sort_str_s=%.3f stdsort_str_s=%.3f sort_int_s=%.3f stdsort_int_s=%.3f filter_s=%s\n", rows,
                sortStr, stdSortStr, sortInt, stdSortInt, filter.c_str());
  }
  MemDataFinalize();
  RtlFinalize();
  return 0;
}
