// The ten-field sample table of the benchmarks: ID ftInteger, Name ftString
// 30, City ftWideString 20, Amount ftFloat, Born ftDate, Active ftBoolean,
// Qty ftSmallint, Price ftCurrency, Note ftMemo, Code ftString 8, filled from
// a fixed seed with about one value in twenty null.
#pragma once

#include <cstdio>
#include <random>

#include "table/VirtualTable.h"

namespace bench {

inline void FillSampleTable(TVirtualTable& table, long long rows) {
  table.AddField(u"ID", ftInteger);
  table.AddField(u"Name", ftString, 30);
  table.AddField(u"City", ftWideString, 20);
  table.AddField(u"Amount", ftFloat);
  table.AddField(u"Born", ftDate);
  table.AddField(u"Active", ftBoolean);
  table.AddField(u"Qty", ftSmallint);
  table.AddField(u"Price", ftCurrency);
  table.AddField(u"Note", ftMemo);
  table.AddField(u"Code", ftString, 8);
  table.Open();
  TField* f[10];
  for (int k = 0; k < 10; ++k) f[k] = table.Fields()[k];
  static const char16_t* const Cities[] = {u"Ljubljana", u"Maribor", u"Celje", u"Kranj", u"Koper", u"Novo mesto",
                                           u"Ptuj", u"Murska Sobota"};
  std::mt19937 random(20260101u);
  char text[64];
  for (long long i = 0; i < rows; ++i) {
    table.Append();
    for (int k = 0; k < 10; ++k) {
      if (random() % 20 == 0) continue;  // null
      switch (k) {
        case 0: f[k]->SetAsInteger(static_cast<Integer>(i + 1)); break;
        case 1:
          std::snprintf(text, sizeof text, "Customer %u", static_cast<unsigned>(random() % 1000000));
          f[k]->SetAsAnsiString(text);
          break;
        case 2: f[k]->SetAsString(Cities[random() % 8]); break;
        case 3: f[k]->SetAsFloat(static_cast<double>(random() % 10000000) / 100.0); break;
        case 4: f[k]->SetAsDateTime(static_cast<double>(10000 + random() % 30000)); break;
        case 5: f[k]->SetAsBoolean(random() % 2 == 0); break;
        case 6: f[k]->SetAsInteger(static_cast<Integer>(random() % 1000)); break;
        case 7: f[k]->SetAsCurrency(Currency::FromScaled(static_cast<Int64>(random() % 100000000))); break;
        case 8:
          std::snprintf(text, sizeof text, "Delivered on time; invoice %lld paid.", i);
          f[k]->SetAsAnsiString(text);
          break;
        case 9:
          std::snprintf(text, sizeof text, "C%07u", static_cast<unsigned>(random() % 10000000));
          f[k]->SetAsAnsiString(text);
          break;
      }
    }
    table.Post();
  }
}

}  // namespace bench
