#include "platform/gui/GridTexts.h"

#include <array>

namespace {

constexpr std::array<const char16_t*, gtGridTextCount> BuiltIn = {
    u"<No data to display>", u"Delete record?", u"Delete all selected records?", u"Confirm",
    u"First", u"Prior", u"Next", u"Last", u"Insert", u"Delete", u"Edit", u"Post", u"Cancel", u"Refresh",
};

std::array<String, gtGridTextCount>& Texts() {
  static std::array<String, gtGridTextCount> texts = [] {
    std::array<String, gtGridTextCount> t;
    for (size_t i = 0; i < t.size(); ++i) t[i] = BuiltIn[i];
    return t;
  }();
  return texts;
}

}  // namespace

const String& GridText(TcxGridText id) { return Texts().at(static_cast<size_t>(id)); }

void SetGridText(TcxGridText id, const String& text) { Texts().at(static_cast<size_t>(id)) = text; }

void ResetGridTexts() {
  for (size_t i = 0; i < BuiltIn.size(); ++i) Texts()[i] = BuiltIn[i];
}
