// One fuzz input: the bytes, read as UTF-8, are a filter text, parsed on a
// record set with fields of several types and evaluated on each of its
// records with every combination of the filter switches. An Exception is a
// correct outcome (a bad text, a value that does not convert); anything else
// escapes and counts as a fault. The fuzz target and the corpus replay test
// share this path.
#pragma once

#include <string_view>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "tests/table/store_fixture.h"

class TFilterInputStore : public TestStore {
 public:
  TFilterInputStore()
      : TestStore({{u"Name", dtString, 20},
                   {u"Amount", dtFloat},
                   {u"Id", dtInt32},
                   {u"Born", dtDate},
                   {u"Flag", dtBoolean},
                   {u"Note", dtWideString, 20},
                   {u"Order Date", dtDateTime},
                   {u"Big", dtInt64},
                   {u"Memo", dtMemo}}) {
    const Variant null = Variant::Null();
    const TDateTime day = EncodeDate(2000, 2, 1);
    AppendValues({String(u"Anna"), 1.5, 1, Variant::FromDateTime(day), true, String(u"\u010Crna"),
                  Variant::FromDateTime(day + 0.5), 1LL << 40, String(u"memo text")});
    AppendValues({String(u"A*_%\\"), -3, 2, null, false, String(u""), null, -1LL, String(u"")});
    AppendValues({null, null, 3, null, null, null, null, null, null});
  }

  void Run(const String& text) {
    try {
      SetFilterText(text);
    } catch (const Exception&) {
      return;
    }
    if (!HasFilterExpression()) return;
    for (bool caseInsensitive : {false, true}) {
      for (bool noPartialCompare : {false, true}) {
        FFilterCaseInsensitive = caseInsensitive;
        FFilterNoPartialCompare = noPartialCompare;
        for (TItemHeader* item = GetFirstItem(); item != nullptr; item = item->Next) {
          try {
            EvaluateFilterExpression(TBlockManager::GetRecordPtr(item));
          } catch (const Exception&) {
          }
        }
      }
    }
  }
};

inline void EvaluateFilterInput(std::string_view utf8) {
  TFilterInputStore store;
  store.Run(Utf8ToString(utf8));
}
