#include "platform/gui/ResourceStrings.h"

#include <array>

namespace {

constexpr std::array<const char16_t*, cxResourceStringCount> BuiltIn = {
    u"Clear",
    u"Now",
    u"OK",
    u"Today",
    u"Invalid Date",
    u"Click here to add a new row",
    u"<No data to display>",
    u"Drag a column header here to group by that column",
    u"Delete record?",
    u"Delete all selected records?",
    u"Sort Ascending",
    u"Sort Descending",
    u"Clear Sorting",
    u"Group By This Field",
    u"Remove from grouping",
    u"Group By Box",
    u"Alignment",
    u"Align Left",
    u"Align Right",
    u"Align Center",
    u"Remove This Column",
    u"Field Chooser",
    u"Best Fit",
    u"Best Fit (all columns)",
    u"Footer",
    u"Group Footers",
    u"Confirm",
    u"First",
    u"Prior",
    u"Next",
    u"Last",
    u"Insert",
    u"Delete",
    u"Edit",
    u"Post",
    u"Cancel",
    u"Refresh",
    u"Filter",
    u"Show the rows where:",
};

std::array<String, cxResourceStringCount>& Texts() {
  static std::array<String, cxResourceStringCount> texts = [] {
    std::array<String, cxResourceStringCount> t;
    for (size_t i = 0; i < t.size(); ++i) t[i] = BuiltIn[i];
    return t;
  }();
  return texts;
}

}  // namespace

const String& ResourceString(TcxResourceString id) { return Texts().at(static_cast<size_t>(id)); }

void SetResourceString(TcxResourceString id, const String& text) { Texts().at(static_cast<size_t>(id)) = text; }

void ResetResourceStrings() {
  for (size_t i = 0; i < BuiltIn.size(); ++i) Texts()[i] = BuiltIn[i];
}
