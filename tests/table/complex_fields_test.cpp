#include <gtest/gtest.h>

#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "store_fixture.h"
#include "table/Blob.h"
#include "table/VariantObject.h"

namespace {

const char* ExtString(TestStore& s, TRecBuf buf, int field) {
  return static_cast<const char*>(TData::GetSlotRef(buf + s.Fields()[field]->FOffset));
}

void PutExtString(TestStore& s, TRecBuf buf, int field, const char* text) {
  TFieldDesc* d = s.Fields()[field];
  TData::SetSlotRef(buf + d->FOffset, s.StringHeap().AllocStr(text));
  s.SetNull(d, buf, false);
}

// Appends one record: id, an extended string and a memo.
void AppendRow(TestStore& s, Integer id, const char* text, const char* memo) {
  TRecBuf buf = s.NewRecord();
  s.CreateComplexFields(buf, true);
  s.SetInt(buf, 0, id);
  PutExtString(s, buf, 1, text);
  s.GetObject(s.Fields()[2], buf)->Write(0, static_cast<Int64>(std::strlen(memo)), memo);
  s.SetNull(s.Fields()[2], buf, false);
  s.AppendRecord(buf);
}

String MemoOf(TestStore& s, TRecBuf buf) { return AnsiToString(s.GetObject(s.Fields()[2], buf)->AsAnsiString()); }

// Starts an edit of the current record and gives it new values.
TRecBuf EditWithNewValues(TestStore& s) {
  TRecBuf edit = s.NewRecord();
  s.GetRecord(edit);
  s.EditRecord(edit);
  s.StringHeap().DisposeBuf(TData::GetSlotRef(edit + s.Fields()[1]->FOffset));
  PutExtString(s, edit, 1, "new");
  s.GetObject(s.Fields()[2], edit)->SetAsAnsiString("new memo");
  return edit;
}

}  // namespace

TEST(ComplexFields, EditThenCancelKeepsTheStoredValues) {
  TestStore s({{u"id", dtInt32}, {u"name", dtExtString}, {u"note", dtMemo}});
  AppendRow(s, 1, "old", "old memo");
  s.CancelRecord(EditWithNewValues(s));

  TRecBuf now = s.NewRecord();
  s.GetRecord(now);
  EXPECT_STREQ(ExtString(s, now, 1), "old");
  EXPECT_EQ(MemoOf(s, now), u"old memo");
}

TEST(ComplexFields, EditThenPostReplacesTheValues) {
  TestStore s({{u"id", dtInt32}, {u"name", dtExtString}, {u"note", dtMemo}});
  AppendRow(s, 1, "old", "old memo");
  TRecBuf edit = EditWithNewValues(s);
  TBlob* memo = s.GetObject(s.Fields()[2], edit);
  EXPECT_TRUE(memo->CanRollback());
  s.PostRecord(edit);
  EXPECT_FALSE(memo->CanRollback());  // posting drops the old contents

  TRecBuf now = s.NewRecord();
  s.GetRecord(now);
  EXPECT_STREQ(ExtString(s, now, 1), "new");
  EXPECT_EQ(MemoOf(s, now), u"new memo");
}

TEST(ComplexFields, BlobNullRules) {
  TestStore s({{u"id", dtInt32}, {u"name", dtExtString}, {u"note", dtMemo}});
  AppendRow(s, 1, "a", "text");
  TRecBuf buf = s.NewRecord();
  s.GetRecord(buf);
  TFieldDesc* note = s.Fields()[2];
  // A blob that holds data is never null, whatever its flag says.
  *s.NullIndicator(note, buf) = 1;
  EXPECT_FALSE(s.GetNull(note, buf));
  EXPECT_EQ(*s.NullIndicator(note, buf), 0);
  // Setting the field null clears the blob.
  s.SetNull(note, buf, true);
  EXPECT_TRUE(s.GetNull(note, buf));
  EXPECT_EQ(s.GetObject(note, buf)->Size(), 0);
  EXPECT_THROW(s.GetObject(s.Fields()[0], buf), Exception);
}

TEST(ComplexFields, VariantHoldersAreCopiedNotShared) {
  TestStore s({{u"v", dtVariant}});
  TRecBuf a = s.NewRecord();
  TRecBuf b = s.NewRecord();
  s.CreateComplexFields(a, true);
  s.CreateComplexFields(b, true);
  TFieldDesc* d = s.Fields()[0];
  auto* va = static_cast<TVariantObject*>(s.InternalGetObject(d, a));
  va->SetValue(Variant(Integer(42)));
  s.CopyComplexField(a, b, d);
  auto* vb = static_cast<TVariantObject*>(s.InternalGetObject(d, b));
  EXPECT_NE(va, vb);
  EXPECT_EQ(vb->Value().AsInteger(), 42);
  s.FreeComplexFields(a, true);
  s.FreeComplexFields(b, true);
  EXPECT_EQ(TData::GetSlotRef(a + d->FOffset), nullptr);
}

TEST(ComplexFields, ClosingReleasesEveryValue) {
  // Run under the sanitizer build, this fails on any leaked blob, heap string
  // or rollback copy, including large heap strings that the heap's Clear
  // leaves to their owners.
  TestStore s({{u"id", dtInt32}, {u"name", dtExtString}, {u"note", dtMemo}});
  std::string big(5000, 'x');
  for (int i = 0; i < 60; ++i) AppendRow(s, i, i % 7 == 0 ? big.c_str() : "short", "memo");
  s.FCachedUpdates = true;
  s.SetRecordNo(3);
  TRecBuf edit = s.NewRecord();
  s.GetRecord(edit);
  s.EditRecord(edit);
  s.GetObject(s.Fields()[2], edit)->SetAsAnsiString("changed");
  s.PostRecord(edit);
  EXPECT_NE(s.RollbackOf(s.GetCurrentItem()), nullptr);
  s.SetRecordNo(5);
  s.DeleteRecord();
  s.Close();
  EXPECT_EQ(s.GetRecordCount(), 0);
}

TEST(ComplexFields, CachedUpdateKeepsTheOldBlobInTheRollbackRecord) {
  TestStore s({{u"id", dtInt32}, {u"name", dtExtString}, {u"note", dtMemo}});
  AppendRow(s, 1, "a", "before");
  s.FCachedUpdates = true;
  TRecBuf edit = s.NewRecord();
  s.GetRecord(edit);
  s.EditRecord(edit);
  s.GetObject(s.Fields()[2], edit)->SetAsAnsiString("after");
  s.PostRecord(edit);
  TItemHeader* item = s.GetCurrentItem();
  ASSERT_NE(s.RollbackOf(item), nullptr);
  EXPECT_EQ(item->Status, isUpdated);
  TRecBuf old = TBlockManager::GetRecordPtr(s.RollbackOf(item));
  EXPECT_EQ(MemoOf(s, old), u"before");

  // Reverting gives the record its old contents back.
  s.RemoveItemFromCache(item);
  s.RevertItem(item);
  TRecBuf now = s.NewRecord();
  s.GetRecord(now);
  EXPECT_EQ(MemoOf(s, now), u"before");
  EXPECT_EQ(item->Status, isUnmodified);
  EXPECT_EQ(s.RollbackOf(item), nullptr);
}

TEST(ComplexFields, SharedReferencesAreReleasedOneAtATime) {
  TestStore s({{u"name", dtExtString}, {u"bytes", dtExtVarBytes}, {u"note", dtWideMemo}});
  TFieldDesc* name = s.Fields()[0];
  TFieldDesc* bytes = s.Fields()[1];
  TRecBuf a = s.NewRecord();
  s.CreateComplexFields(a, true);
  TBlob* note = s.GetObject(s.Fields()[2], a);
  EXPECT_TRUE(note->IsUnicode());
  EXPECT_TRUE(note->RollbackEnabled());
  EXPECT_EQ(ExtString(s, a, 0), nullptr);
  PutExtString(s, a, 0, "shared");
  void* varBytes = s.StringHeap().NewBuf(5);
  std::memcpy(varBytes, "\x03\x00xyz", 5);
  TData::SetSlotRef(a + bytes->FOffset, varBytes);

  // A second buffer takes references to the same values.
  TRecBuf b = s.NewRecord();
  std::memcpy(b, a, static_cast<size_t>(s.RecordSize()));
  s.AddRefComplexFields(b, false);
  EXPECT_EQ(note->RefCount(), 2);
  EXPECT_EQ(TStringHeap::RefCount(ExtString(s, a, 0)), 2);
  s.FreeComplexFields(b, true);
  EXPECT_EQ(note->RefCount(), 1);
  EXPECT_EQ(ExtString(s, b, 0), ExtString(s, a, 0));  // not the last reference: the slot keeps it
  EXPECT_STREQ(ExtString(s, a, 0), "shared");

  // Copies are the buffer's own.
  s.CopyComplexFields(a, b, false);
  EXPECT_NE(ExtString(s, b, 0), ExtString(s, a, 0));
  EXPECT_STREQ(ExtString(s, b, 0), "shared");
  void* copied = TData::GetSlotRef(b + bytes->FOffset);
  EXPECT_NE(copied, varBytes);
  EXPECT_EQ(std::memcmp(copied, varBytes, 5), 0);
  s.FreeComplexFields(b, false);
  EXPECT_EQ(ExtString(s, b, 0), nullptr);
  EXPECT_EQ(TData::GetSlotRef(b + bytes->FOffset), nullptr);

  s.FreeComplexFields(a, true);
  for (TFieldDesc* d : {name, bytes, s.Fields()[2]}) EXPECT_EQ(TData::GetSlotRef(a + d->FOffset), nullptr);

  // A buffer without values can be given fresh objects.
  TRecBuf c = s.NewRecord();
  s.AddRefComplexFields(c, true);
  EXPECT_EQ(ExtString(s, c, 0), nullptr);
  EXPECT_EQ(s.GetObject(s.Fields()[2], c)->RefCount(), 1);
  s.FreeComplexFields(c, true);
}
