// An ordered list of wide texts, each with an attached object reference that
// the list does not own.
#pragma once

#include <vector>

#include "platform/rtl/Types.h"

class TWideStrings {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  // The item's text; empty for an index outside 0 .. Count-1.
  String Get(int index) const;
  // The item's object; nullptr outside 0 .. Count-1.
  void* GetObject(int index) const;

  int Add(const String& text);
  int AddObject(const String& text, void* object);
  // Inserts before the item at index; index = Count appends. Any other
  // index raises Exception "WideStrings index out of bounds".
  void Insert(int index, const String& text);
  void InsertObject(int index, const String& text, void* object);
  // Replaces the item's text and keeps its object.
  void Put(int index, const String& text);
  void PutObject(int index, void* object);
  void Delete(int index);
  void Clear();

  // First item equal to the text (case counts), -1 when none.
  int IndexOf(StringView text) const;
  // The same, ignoring case.
  int IndexOfIgnoreCase(StringView text) const;
  // Every item followed by CR LF.
  String GetText() const;

 private:
  struct TItem {
    String Text;
    void* Object = nullptr;
  };
  void CheckIndex(int index) const;

  std::vector<TItem> FItems;
};
