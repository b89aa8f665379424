#include "import/WideStrings.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Locale.h"

namespace {
constexpr char16_t SWideStringsIndexError[] = u"WideStrings index out of bounds";
}

void TWideStrings::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw Exception(SWideStringsIndexError);
}

String TWideStrings::Get(int index) const {
  if (index < 0 || index >= Count()) return String();
  return FItems[static_cast<size_t>(index)].Text;
}

void* TWideStrings::GetObject(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return FItems[static_cast<size_t>(index)].Object;
}

int TWideStrings::Add(const String& text) { return AddObject(text, nullptr); }

int TWideStrings::AddObject(const String& text, void* object) {
  FItems.push_back({text, object});
  return Count() - 1;
}

void TWideStrings::Insert(int index, const String& text) { InsertObject(index, text, nullptr); }

void TWideStrings::InsertObject(int index, const String& text, void* object) {
  if (index < 0 || index > Count()) throw Exception(SWideStringsIndexError);
  FItems.insert(FItems.begin() + index, TItem{text, object});
}

void TWideStrings::Put(int index, const String& text) {
  CheckIndex(index);
  FItems[static_cast<size_t>(index)].Text = text;
}

void TWideStrings::PutObject(int index, void* object) {
  CheckIndex(index);
  FItems[static_cast<size_t>(index)].Object = object;
}

void TWideStrings::Delete(int index) {
  CheckIndex(index);
  FItems.erase(FItems.begin() + index);
}

void TWideStrings::Clear() { FItems.clear(); }

int TWideStrings::IndexOf(StringView text) const {
  for (int i = 0; i < Count(); ++i) {
    if (FItems[static_cast<size_t>(i)].Text == text) return i;
  }
  return -1;
}

int TWideStrings::IndexOfIgnoreCase(StringView text) const {
  for (int i = 0; i < Count(); ++i) {
    if (AnsiSameText(FItems[static_cast<size_t>(i)].Text, text)) return i;
  }
  return -1;
}

String TWideStrings::GetText() const {
  String result;
  for (const TItem& item : FItems) {
    result += item.Text;
    result += u"\r\n";
  }
  return result;
}
