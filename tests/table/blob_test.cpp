#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "table/Blob.h"
#include "table/BlobData.h"

#include "blob_test_helpers.h"

namespace {

using Blob = TSharedRef<TBlob>;

std::string Bytes(const void* data, size_t n) { return std::string(static_cast<const char*>(data), n); }

// (capacity, used) of each piece in list order.
std::vector<std::pair<Integer, Integer>> Layout(TBlob& blob) {
  std::vector<std::pair<Integer, Integer>> out;
  for (PPieceHeader p = blob.FirstPiece(); p != nullptr; p = p->Next) out.emplace_back(p->Size, p->Used);
  return out;
}

// Appends a piece of the given capacity holding text.
void AddPiece(TBlob& blob, Integer capacity, std::string_view text) {
  PPieceHeader piece;
  TBlob::AllocPiece(piece, capacity);
  std::memcpy(PieceData(piece), text.data(), text.size());
  piece->Used = static_cast<Integer>(text.size());
  blob.AppendPiece(piece);
}

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + i / 251);
  return s;
}

TEST(BlobData, LargeWriteFillsWholePieces) {
  Blob blob(new TBlob(false));
  std::string data = Pattern(200000);
  blob->Write(0, static_cast<Int64>(data.size()), data.data());
  using L = std::vector<std::pair<Integer, Integer>>;
  EXPECT_EQ(Layout(*blob), (L{{65514, 65514}, {65514, 65514}, {65514, 65514}, {65514, 3458}}));
  EXPECT_EQ(ReadAll(*blob), data);

  // A small write allocates only what it needs, and later ones append in place.
  Blob small(new TBlob(false));
  small->Write(0, 3, "abc");
  small->Write(99, 2, "de");  // beyond the end: appended, no gap
  EXPECT_EQ(Layout(*small), (L{{3, 3}, {2, 2}}));
  EXPECT_EQ(ReadAll(*small), "abcde");
}

TEST(BlobData, OverwriteSkipsSpareRoomInFrontOfData) {
  Blob blob(new TBlob(false));
  AddPiece(*blob, 10, "01234");
  AddPiece(*blob, 10, "abcdefghij");
  blob->Write(5, 3, "XYZ");
  EXPECT_EQ(ReadAll(*blob), "01234XYZdefghij");
  using L = std::vector<std::pair<Integer, Integer>>;
  EXPECT_EQ(Layout(*blob), (L{{10, 5}, {10, 10}}));

  // Appending goes into the last piece with data, then into a new piece.
  blob->Write(15, 2, "!?");
  EXPECT_EQ(ReadAll(*blob), "01234XYZdefghij!?");
  EXPECT_EQ(Layout(*blob), (L{{10, 5}, {10, 10}, {2, 2}}));
}

TEST(BlobData, TruncateKeepsCapacityForLaterWrites) {
  Blob blob(new TBlob(false));
  std::string data = Pattern(100);
  blob->Write(0, 100, data.data());
  blob->Truncate(10);
  using L = std::vector<std::pair<Integer, Integer>>;
  EXPECT_EQ(Layout(*blob), (L{{100, 10}}));
  std::string more(50, 'm');
  blob->Write(10, 50, more.data());
  EXPECT_EQ(Layout(*blob), (L{{100, 60}}));
  EXPECT_EQ(ReadAll(*blob), data.substr(0, 10) + more);

  // Emptied pieces after the last data are filled before anything new.
  Blob two(new TBlob(false));
  AddPiece(*two, 10, "0123456789");
  AddPiece(*two, 10, "abcdefghij");
  two->Truncate(5);
  EXPECT_EQ(Layout(*two), (L{{10, 5}, {10, 0}}));
  two->Write(5, 12, "ABCDEFGHIJKL");
  EXPECT_EQ(Layout(*two), (L{{10, 10}, {10, 7}}));
  EXPECT_EQ(ReadAll(*two), "01234ABCDEFGHIJKL");

  // SetSize extends with zeros and cuts back.
  two->SetSize(20);
  EXPECT_EQ(ReadAll(*two), std::string("01234ABCDEFGHIJKL\0\0\0", 20));
  two->SetSize(3);
  EXPECT_EQ(ReadAll(*two), "012");
}

TEST(BlobData, ReadClipsToTheValue) {
  Blob blob(new TBlob(false));
  AddPiece(*blob, 8, "abc");
  AddPiece(*blob, 4, "");
  AddPiece(*blob, 4, "defg");
  struct Case { Int64 position, count; std::string expected; };
  const Case cases[] = {
      {0, 0, "abcdefg"}, {2, 3, "cde"}, {3, 0, "defg"}, {5, 100, "fg"}, {7, 0, ""}, {8, 1, ""}, {1000, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    char buf[16] = {};
    Int64 n = blob->Read(c.position, c.count, buf);
    EXPECT_EQ(Bytes(buf, static_cast<size_t>(n)), c.expected);
  }
  Blob none(new TBlob(false));
  char buf[1];
  EXPECT_EQ(none->Read(0, 0, buf), 0);
}

TEST(BlobData, NullAndEmpty) {
  Blob blob(new TBlob(false));
  EXPECT_TRUE(blob->IsNull());
  EXPECT_TRUE(blob->IsEmpty());
  const std::function<void(TBlob&)> emptyWrites[] = {
      [](TBlob& b) { b.SetAsString(u""); },
      [](TBlob& b) { b.SetAsAnsiString(""); },
      [](TBlob& b) { b.SetAsBytes({}); },
      [](TBlob& b) { b.Write(0, 0, nullptr); },
  };
  for (const auto& write : emptyWrites) {
    write(*blob);
    EXPECT_FALSE(blob->IsNull());
    EXPECT_TRUE(blob->IsEmpty());
    blob->Clear();
    EXPECT_TRUE(blob->IsNull());
  }
}

TEST(BlobData, DefragCompressAndCopy) {
  auto build = [](TBlob& blob) {
    AddPiece(blob, 10, "ab");
    AddPiece(blob, 5, "");
    AddPiece(blob, 10, "cdefghi");
    AddPiece(blob, 3, "jkl");
    AddPiece(blob, 20, "mnopq");
  };
  using L = std::vector<std::pair<Integer, Integer>>;
  {
    Blob blob(new TBlob(false));
    build(*blob);
    blob->Defrag(0);
    EXPECT_EQ(Layout(*blob), (L{{17, 17}}));
    EXPECT_EQ(ReadAll(*blob), "abcdefghijklmnopq");
  }
  {
    Blob blob(new TBlob(false));
    build(*blob);
    blob->Defrag(6);
    EXPECT_EQ(Layout(*blob), (L{{6, 6}, {6, 6}, {5, 5}}));
    EXPECT_EQ(ReadAll(*blob), "abcdefghijklmnopq");
  }
  {
    Blob blob(new TBlob(false));
    build(*blob);
    blob->Compress();
    EXPECT_EQ(Layout(*blob), (L{{2, 2}, {7, 7}, {3, 3}, {5, 5}}));
    EXPECT_EQ(ReadAll(*blob), "abcdefghijklmnopq");
  }
  {
    // CopyTo hands the pieces over and continues with one copy.
    Blob blob(new TBlob(false));
    build(*blob);
    PPieceHeader first = blob->FirstPiece();
    TSharedRef<TCRBlobData> dest(new TCRBlobData);
    blob->GetData()->CopyTo(dest.get());
    EXPECT_EQ(dest->FirstPiece(), first);
    EXPECT_EQ(first->Blob, dest.get());
    EXPECT_EQ(Layout(*blob), (L{{17, 17}}));
    EXPECT_EQ(dest->GetSize(), 17);
    EXPECT_FALSE(dest->IsNull());
  }
}

TEST(BlobData, PieceOperationsCheckTheirArguments) {
  PPieceHeader piece = nullptr;
  EXPECT_THROW(TBlob::AllocPiece(piece, 0), EAssertionFailed);

  Blob a(new TBlob(false));
  Blob b(new TBlob(false));
  AddPiece(*a, 4, "abcd");
  EXPECT_THROW(b->DeletePiece(a->FirstPiece()), EAssertionFailed);
  EXPECT_THROW(b->AppendPiece(a->FirstPiece()), EAssertionFailed);

  // Reallocating a piece in the middle keeps the list intact.
  AddPiece(*a, 4, "efgh");
  AddPiece(*a, 4, "ijkl");
  PPieceHeader middle = a->FirstPiece()->Next;
  a->ReallocPiece(middle, 1000);
  EXPECT_EQ(a->FirstPiece()->Next, middle);
  EXPECT_EQ(middle->Next->Prev, middle);
  EXPECT_EQ(ReadAll(*a), "abcdefghijkl");
  a->ReallocPiece(middle, 2);
  EXPECT_EQ(ReadAll(*a), "abcdefijkl");
  a->ReallocPiece(middle, 0);
  EXPECT_EQ(middle, nullptr);
  EXPECT_EQ(ReadAll(*a), "abcdijkl");
}

TEST(BlobRollback, CancelCommitAndUseRollback) {
  Blob blob(new TBlob(false));
  blob->SetAsAnsiString("old");
  ExpectMessage([&] { blob->SaveToRollback(); }, u"Blob must be in cached mode");
  blob->EnableRollback();
  EXPECT_TRUE(blob->RollbackEnabled());
  EXPECT_FALSE(blob->CanRollback());

  blob->Write(0, 3, "new");
  blob->Write(3, 1, "!");  // later changes keep the first copy
  EXPECT_TRUE(blob->CanRollback());
  EXPECT_EQ(blob->AsAnsiString(), "new!");
  blob->SetUseRollback(true);
  EXPECT_TRUE(blob->UseRollback());
  EXPECT_EQ(blob->AsAnsiString(), "old");
  {
    TSharedRef<TBlob> fromRollback(blob->Clone(true, false));
    TSharedRef<TBlob> current(blob->Clone(false, true));
    EXPECT_EQ(fromRollback->AsAnsiString(), "old");
    EXPECT_EQ(current->AsAnsiString(), "new!");
    EXPECT_THROW(blob->SetData(current->GetData()), EAssertionFailed);
  }
  blob->SetUseRollback(false);
  EXPECT_EQ(blob->AsAnsiString(), "new!");

  blob->Cancel();
  EXPECT_FALSE(blob->CanRollback());
  EXPECT_EQ(blob->AsAnsiString(), "old");

  blob->Truncate(1);
  blob->Commit();
  EXPECT_FALSE(blob->CanRollback());
  blob->Cancel();  // nothing to restore
  EXPECT_EQ(blob->AsAnsiString(), "o");

  // Clearing a value is a change too; Cancel brings back the non-null value.
  blob->Clear();
  EXPECT_TRUE(blob->IsNull());
  blob->Cancel();
  EXPECT_FALSE(blob->IsNull());
  EXPECT_EQ(blob->AsAnsiString(), "o");

  // A null value's rollback copy is null again after Cancel.
  Blob fresh(new TBlob(false));
  fresh->EnableRollback();
  fresh->SetAsAnsiString("x");
  fresh->Cancel();
  EXPECT_TRUE(fresh->IsNull());

  // Cancel while the rollback view is on leaves no dangling view.
  fresh->SetAsAnsiString("y");
  fresh->SetUseRollback(true);
  fresh->Cancel();
  EXPECT_FALSE(fresh->UseRollback());
  EXPECT_TRUE(fresh->IsNull());
}

TEST(BlobClone, SharesDataAndCopiesOnAssign) {
  Blob blob(new TBlob(true));
  blob->SetAsWideString(u"šum");
  TSharedRef<TBlob> clone(blob->Clone());
  EXPECT_TRUE(clone->IsUnicode());
  EXPECT_EQ(clone->GetData(), blob->GetData());
  EXPECT_EQ(blob->GetData()->RefCount(), 2);
  TSharedRef<TBlob> empty(blob->Clone(false, false));
  EXPECT_TRUE(empty->IsNull());

  Blob copy(new TBlob(false));
  std::string data = Pattern(150000);
  Blob big(new TBlob(false));
  big->Write(0, static_cast<Int64>(data.size()), data.data());
  copy->Assign(big.get());
  EXPECT_EQ(ReadAll(*copy), data);
  EXPECT_NE(copy->GetData(), big->GetData());
  copy->Assign(blob.get());
  EXPECT_TRUE(copy->IsUnicode());
  EXPECT_EQ(copy->AsWideString(), u"šum");

  // Assigning from a blob that shares the data keeps the value.
  clone->Assign(blob.get());
  blob->Assign(blob.get());
  EXPECT_EQ(blob->AsWideString(), u"šum");
}

TEST(BlobText, ConversionsAndIsUnicode) {
  CodePageScope codePage(1250);
  Blob ansi(new TBlob(false));
  ansi->SetAsWideString(u"čas");  // stored in code page 1250
  EXPECT_EQ(ansi->AsAnsiString(), "\xE8" "as");
  EXPECT_EQ(ansi->AsString(), u"čas");
  EXPECT_EQ(ansi->AsBytes(), (std::vector<Byte>{0xE8, 'a', 's'}));
  EXPECT_EQ(ansi->GetSizeUni(), 6);
  EXPECT_EQ(ansi->TranslatePositionToUni(4), 2);
  EXPECT_THROW(ansi->GetSizeAnsi(), EAssertionFailed);

  Blob wide(new TBlob(true));
  wide->SetAsAnsiString("\xE8" "as");
  EXPECT_EQ(wide->AsWideString(), u"čas");
  EXPECT_EQ(wide->Size(), 6);
  EXPECT_EQ(wide->GetSizeAnsi(), 3);
  EXPECT_EQ(wide->TranslatePositionToAnsi(2), 4);

  // An odd byte count still reads back as whole units.
  Blob odd(new TBlob(true));
  odd->Write(0, 3, "a\0b");
  EXPECT_EQ(odd->AsWideString(), u"ab");

  Blob blob(new TBlob(false));
  blob->SetIsUnicode(true);
  EXPECT_TRUE(blob->IsUnicode());
  blob->Write(0, 1, "x");
  ExpectMessage([&] { blob->SetIsUnicode(false); }, u"Cannot change IsUnicode if Size > 0");
  blob->SetIsUnicode(true);  // unchanged: allowed
}

TEST(BlobText, MultiByteCodePagePositions) {
  CodePageScope codePage(932);

  // "a", HIRAGANA A (two bytes in code page 932), "b".
  Blob ansi(new TBlob(false));
  AddPiece(*ansi, 3, "a\x82\xA0");
  AddPiece(*ansi, 1, "b");
  EXPECT_EQ(ansi->GetSizeUni(), 6);
  const std::pair<Int64, Int64> toUni[] = {{0, 0}, {2, 1}, {4, 3}, {6, 4}};
  for (auto [uni, expected] : toUni) {
    SCOPED_TRACE(uni);
    EXPECT_EQ(ansi->TranslatePositionToUni(uni), expected);
  }
  ExpectMessage([&] { ansi->TranslatePositionToUni(3); }, u"Invalid BLOB position");
  ExpectMessage([&] { ansi->TranslatePositionToUni(8); }, u"Invalid BLOB position");

  Blob wide(new TBlob(true));
  wide->SetAsWideString(u"a\u3042b");
  EXPECT_EQ(wide->GetSizeAnsi(), 4);
  const std::pair<Int64, Int64> toAnsi[] = {{0, 0}, {1, 2}, {3, 4}, {4, 6}};
  for (auto [a, expected] : toAnsi) {
    SCOPED_TRACE(a);
    EXPECT_EQ(wide->TranslatePositionToAnsi(a), expected);
  }
  ExpectMessage([&] { wide->TranslatePositionToAnsi(2); }, u"Invalid BLOB position");
  ExpectMessage([&] { wide->TranslatePositionToAnsi(5); }, u"Invalid BLOB position");
}

// Converts text held as pieces cut at the given byte offsets.
std::string ConvertSplit(const std::string& text, const std::vector<size_t>& cuts, bool unicode, bool add) {
  Blob blob(new TBlob(unicode));
  size_t from = 0;
  std::vector<size_t> ends = cuts;
  ends.push_back(text.size());
  for (size_t end : ends) {
    AddPiece(*blob, static_cast<Integer>(std::max<size_t>(end - from, 1)), text.substr(from, end - from));
    from = end;
  }
  if (add) blob->AddCR(); else blob->RemoveCR();
  return ReadAll(*blob);
}

std::string Utf16(std::string_view ascii) {
  std::string out;
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

TEST(BlobText, LineEndsAcrossPieceBoundaries) {
  struct Case { std::string text, added, removed, addedUnicode; };
  const Case cases[] = {
      {"a\nb", "a\r\nb", "a\nb", "a\r\nb"},
      {"a\r\nb", "a\r\nb", "a\nb", "a\r\nb"},
      {"a\rb", "a\rb", "a\rb", "a\rb"},
      {"\n\n", "\r\n\r\n", "\n\n", "\r\n\r\n"},
      {"\r\r\n\n", "\r\r\n\r\n", "\r\n\n", "\r\r\n\r\n"},
      // A CR that ends 8-bit text gains a LF; in UTF-16 text it stays alone.
      {"a\r", "a\r\n", "a\r", "a\r"},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    for (bool unicode : {false, true}) {
      std::string text = unicode ? Utf16(c.text) : c.text;
      std::string added = unicode ? Utf16(c.addedUnicode) : c.added;
      std::string removed = unicode ? Utf16(c.removed) : c.removed;
      // Every single cut (odd byte offsets included) and every pair of cuts.
      std::vector<std::vector<size_t>> splits = {{}};
      for (size_t i = 0; i <= text.size(); ++i) {
        splits.push_back({i});
        for (size_t j = i; j <= text.size(); ++j) splits.push_back({i, j});
      }
      for (const auto& cuts : splits) {
        SCOPED_TRACE(testing::Message() << "text " << testing::PrintToString(c.text) << " unicode " << unicode
                                        << " cuts " << testing::PrintToString(cuts));
        EXPECT_EQ(ConvertSplit(text, cuts, unicode, true), added);
        EXPECT_EQ(ConvertSplit(text, cuts, unicode, false), removed);
      }
    }
  }
}

TEST(BlobText, LineEndConversionOfLargeTextAndEmptyPieces) {
  Blob blob(new TBlob(false));
  std::string text;
  for (int i = 0; i < 40000; ++i) text += "line\n";
  blob->SetAsAnsiString(text);
  blob->AddCR();
  std::string expected;
  for (int i = 0; i < 40000; ++i) expected += "line\r\n";
  EXPECT_EQ(blob->AsAnsiString(), expected);
  for (PPieceHeader p = blob->FirstPiece(); p != nullptr; p = p->Next) EXPECT_LE(p->Size, DefaultPieceSize);
  blob->RemoveCR();
  EXPECT_EQ(blob->AsAnsiString(), text);

  Blob empty(new TBlob(false));
  AddPiece(*empty, 4, "");
  AddPiece(*empty, 4, "");
  empty->AddCR();
  EXPECT_EQ(empty->FirstPiece(), nullptr);
}

TEST(BlobStreams, RoundTripThroughStreamsAndFiles) {
  std::string data = Pattern(1000);
  Blob blob(new TBlob(false));
  blob->SetPieceSize(64);
  TMemoryStream in;
  in.Write(data.data(), static_cast<Int64>(data.size()));
  blob->LoadFromStream(in);
  EXPECT_EQ(ReadAll(*blob), data);
  EXPECT_EQ(blob->FirstPiece()->Size, 64);

  TMemoryStream out;
  out.Write("stale contents that are longer than nothing", 20);
  blob->SaveToStream(out);
  EXPECT_EQ(Bytes(out.Memory(), static_cast<size_t>(out.Size())), data);

  TMemoryStream empty;
  blob->LoadFromStream(empty);
  EXPECT_TRUE(blob->IsNull());

  auto dir = std::filesystem::temp_directory_path() / ("blob_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  String file = Utf8ToString((dir / "value.bin").string());
  blob->SetAsAnsiString(data);
  blob->SaveToFile(file);
  Blob loaded(new TBlob(false));
  loaded->LoadFromFile(file);
  EXPECT_EQ(ReadAll(*loaded), data);
  EXPECT_THROW(loaded->LoadFromFile(Utf8ToString((dir / "missing.bin").string())), EFOpenError);
  std::filesystem::remove_all(dir);
}

}  // namespace
