#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Variant.h"
#include "table/CompressedBlob.h"
#include "table/VariantObject.h"

#include "blob_test_helpers.h"

namespace {

using Blob = TSharedRef<TCompressedBlob>;

// The stored bytes of the value, compressed or not.
std::string Raw(TBlob& blob) {
  std::string out;
  for (PPieceHeader p = blob.FirstPiece(); p != nullptr; p = p->Next) {
    out.append(reinterpret_cast<const char*>(PieceData(p)), static_cast<size_t>(p->Used));
  }
  return out;
}

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

std::string ZlibStream(const std::string& data) {
  uLongf len = compressBound(static_cast<uLong>(data.size()));
  std::string out(len, '\0');
  EXPECT_EQ(compress(reinterpret_cast<Bytef*>(out.data()), &len, reinterpret_cast<const Bytef*>(data.data()),
                     static_cast<uLong>(data.size())),
            Z_OK);
  out.resize(len);
  return out;
}

std::string Header(Integer size) {
  std::string h(reinterpret_cast<const char*>(CCompressBlobHeaderGuid), CCompressBlobHeaderGuidSize);
  for (int i = 0; i < 4; ++i) h += static_cast<char>(static_cast<Cardinal>(size) >> (8 * i));
  return h;
}

// A blob whose single piece holds exactly these bytes.
Blob WithPiece(const std::string& bytes) {
  Blob blob(new TCompressedBlob(false));
  PPieceHeader piece;
  TBlob::AllocPiece(piece, static_cast<Integer>(bytes.size()));
  std::memcpy(PieceData(piece), bytes.data(), bytes.size());
  piece->Used = static_cast<Integer>(bytes.size());
  blob->AppendPiece(piece);
  return blob;
}

TEST(CompressedBlob, CompressesOnlyWhatGetsSmaller) {
  Blob small(new TCompressedBlob(false));
  small->SetAsAnsiString(std::string(50, '\0'));
  small->SetCompressed(true);
  EXPECT_FALSE(small->Compressed());
  EXPECT_EQ(small->Size(), 50);

  Blob random(new TCompressedBlob(false));
  std::string noise = RandomBytes(1000, 1);
  random->SetAsAnsiString(noise);
  random->SetCompressed(true);
  EXPECT_FALSE(random->Compressed());
  EXPECT_EQ(Raw(*random), noise);
  ExpectMessage([&] { random->CompressedSize(); }, u"Blob is not compressed");

  Blob zeros(new TCompressedBlob(false));
  zeros->SetAsAnsiString(std::string(1000, '\0'));
  zeros->SetCompressed(true);
  ASSERT_TRUE(zeros->Compressed());
  PPieceHeader piece = zeros->FirstPiece();
  EXPECT_EQ(piece->Next, nullptr);
  EXPECT_EQ(piece->Size, piece->Used);
  std::string raw = Raw(*zeros);
  EXPECT_EQ(raw.substr(0, 20), Header(1000));
  EXPECT_EQ(raw.substr(20), ZlibStream(std::string(1000, '\0')));  // default level, same zlib
  EXPECT_EQ(zeros->CompressedSize(), piece->Used);
  EXPECT_EQ(zeros->Size(), 1000);
}

TEST(CompressedBlob, WholeReadKeepsCompressedPartialAccessDecompresses) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "compressible text ";
  Blob blob(new TCompressedBlob(false));
  blob->SetAsAnsiString(text);
  blob->SetCompressed(true);
  ASSERT_TRUE(blob->Compressed());

  EXPECT_EQ(ReadAll(*blob), text);
  EXPECT_TRUE(blob->Compressed());

  char buf[10];
  EXPECT_EQ(blob->Read(5, 10, buf), 10);
  EXPECT_EQ(std::string(buf, 10), text.substr(5, 10));
  EXPECT_FALSE(blob->Compressed());
  EXPECT_EQ(Raw(*blob), text);

  // Partial writes and truncation decompress too.
  const std::function<void(TBlob&)> partial[] = {
      [](TBlob& b) { b.Write(5, 3, "XYZ"); },
      [](TBlob& b) { b.Write(b.Size(), 1, "!"); },
      [](TBlob& b) { b.Truncate(10); },
  };
  for (const auto& change : partial) {
    blob->SetAsAnsiString(text);
    blob->SetCompressed(true);
    ASSERT_TRUE(blob->Compressed());
    Blob plain(new TCompressedBlob(false));
    plain->SetAsAnsiString(text);
    change(*plain);
    change(*blob);
    EXPECT_FALSE(blob->Compressed());
    EXPECT_EQ(ReadAll(*blob), ReadAll(*plain));
  }

  // A compressed value can be emptied but not resized.
  blob->SetAsAnsiString(text);
  blob->SetCompressed(true);
  EXPECT_THROW(blob->SetSize(5), EAssertionFailed);
  blob->SetSize(static_cast<Int64>(text.size()));
  EXPECT_TRUE(blob->Compressed());
  blob->SetSize(0);
  EXPECT_EQ(blob->Size(), 0);
  EXPECT_EQ(blob->FirstPiece(), nullptr);
}

TEST(CompressedBlob, WholeRewriteStaysCompressedWhenSmaller) {
  Blob blob(new TCompressedBlob(false));
  blob->SetAsAnsiString(std::string(60, 'a'));
  blob->SetCompressed(true);
  ASSERT_TRUE(blob->Compressed());

  std::string other(60, 'b');
  blob->Write(0, 60, other.data());
  EXPECT_TRUE(blob->Compressed());
  EXPECT_EQ(ReadAll(*blob), other);

  std::string noise = RandomBytes(60, 2);
  blob->Write(0, 60, noise.data());
  EXPECT_FALSE(blob->Compressed());
  EXPECT_EQ(Raw(*blob), noise);
}

TEST(CompressedBlob, BadStreamsFailAndKeepThePiece) {
  struct Case { Integer recorded; std::string stream; const char16_t* message; };
  const Case cases[] = {
      {10, ZlibStream("123456789012"), u"Invalid compressed blob data"},
      {10, ZlibStream("12345678"), u"Invalid uncompressed blob size"},
      {10, std::string(20, 'x'), u"Invalid compressed blob data"},
      {10, ZlibStream("1234567890").substr(0, 8), u"Invalid compressed blob data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.stream));
    std::string bytes = Header(c.recorded) + c.stream;
    Blob blob = WithPiece(bytes);
    ASSERT_TRUE(blob->Compressed());
    EXPECT_EQ(blob->Size(), 10);
    std::string buf(10, '\0');
    ExpectMessage([&] { blob->Read(0, 0, buf.data()); }, c.message);
    ExpectMessage([&] { blob->SetCompressed(false); }, c.message);
    ExpectMessage([&] { blob->Read(1, 2, buf.data()); }, c.message);
    EXPECT_TRUE(blob->Compressed());
    EXPECT_EQ(Raw(*blob), bytes);
  }
}

TEST(CompressedBlob, OnlyAValidHeaderMeansCompressed) {
  std::string stream = ZlibStream(std::string(100, 'z'));
  std::string wrongGuid = Header(100) + stream;
  wrongGuid[3] ^= 1;
  const std::string plain[] = {
      Header(100),                                  // no stream after the header
      Header(0) + stream,                           // no size
      Header(-5) + stream,                          // negative size
      Header(0x7FFFFFFF) + stream,                  // more than the stream can produce
      Header(static_cast<Integer>(stream.size() * 1032 + 1)) + stream,
      wrongGuid,
      Header(100).substr(0, 16),
  };
  for (const std::string& bytes : plain) {
    SCOPED_TRACE(bytes.size());
    Blob blob = WithPiece(bytes);
    EXPECT_FALSE(blob->Compressed());
    EXPECT_EQ(blob->Size(), static_cast<Int64>(bytes.size()));
    EXPECT_EQ(ReadAll(*blob), bytes);
    ExpectMessage([&] { blob->CompressedSize(); }, u"Blob is not compressed");
  }

  Blob valid = WithPiece(Header(100) + stream);
  EXPECT_TRUE(valid->Compressed());
  EXPECT_EQ(ReadAll(*valid), std::string(100, 'z'));
}

TEST(CompressedBlob, UncompressToChecksHeaderAndRoom) {
  std::string stream = ZlibStream(std::string(100, 'z'));
  std::string buf(100, '\0');
  struct Case { std::string bytes; Int64 destLen; const char16_t* message; };
  std::string wrongGuid = Header(100) + stream;
  wrongGuid[0] = 0;
  const Case cases[] = {
      {Header(100), 100, u"Invalid compressed blob size"},
      {wrongGuid, 100, u"Invalid compressed blob header"},
      {Header(100) + stream, Int64(3) << 30, u"Invalid compressed blob size"},  // never allocated
      {Header(100) + stream, 0, u"Invalid compressed blob size"},
  };
  for (const Case& c : cases) {
    Blob blob = WithPiece(c.bytes);
    auto* data = dynamic_cast<TCompressedBlobData*>(blob->GetData());
    ASSERT_NE(data, nullptr);
    Int64 len = c.destLen;
    ExpectMessage([&] { data->UncompressTo(buf.data(), len); }, c.message);
  }
  Blob empty(new TCompressedBlob(false));
  Int64 len = 1;
  EXPECT_THROW(dynamic_cast<TCompressedBlobData*>(empty->GetData())->UncompressTo(buf.data(), len),
               EAssertionFailed);
}

TEST(CompressedBlob, LoadedCompressedBytesAreRecognised) {
  std::string text = std::string(5000, 'q') + RandomBytes(300, 3);
  Blob source(new TCompressedBlob(false));
  source->SetAsAnsiString(text);
  source->SetCompressed(true);
  ASSERT_TRUE(source->Compressed());
  std::string raw = Raw(*source);

  // One write of the stored form, as a file reader does.
  Blob written(new TCompressedBlob(false));
  written->Write(0, static_cast<Int64>(raw.size()), raw.data());
  EXPECT_TRUE(written->Compressed());
  EXPECT_EQ(ReadAll(*written), text);

  // A stream read in chunks smaller than the stored form.
  Blob loaded(new TCompressedBlob(false));
  loaded->SetPieceSize(64);
  ASSERT_GT(raw.size(), 3 * 64u);
  TMemoryStream stream;
  stream.Write(raw.data(), static_cast<Int64>(raw.size()));
  loaded->LoadFromStream(stream);
  EXPECT_TRUE(loaded->Compressed());
  EXPECT_EQ(ReadAll(*loaded), text);
  EXPECT_EQ(loaded->FirstPiece()->Next, nullptr);  // gathered for the inflate

  // Saved streams hold the value itself.
  TMemoryStream saved;
  source->SaveToStream(saved);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(saved.Memory()), static_cast<size_t>(saved.Size())), text);
}

TEST(CompressedBlob, RollbackCloneAndLineEnds) {
  std::string oldText(500, 'o');
  Blob blob(new TCompressedBlob(false));
  blob->SetAsAnsiString(oldText);
  blob->SetCompressed(true);
  blob->EnableRollback();
  std::string newText(500, 'n');
  blob->Write(0, 500, newText.data());
  EXPECT_TRUE(blob->Compressed());
  blob->SetUseRollback(true);
  EXPECT_EQ(ReadAll(*blob), oldText);
  blob->SetUseRollback(false);
  blob->Cancel();
  EXPECT_TRUE(blob->Compressed());
  EXPECT_EQ(ReadAll(*blob), oldText);

  // A clone is a plain blob over the same data.
  TSharedRef<TBlob> clone(blob->Clone());
  EXPECT_STREQ(clone->ClassName(), "TBlob");
  EXPECT_EQ(ReadAll(*clone), oldText);

  // Line ends are converted in the text, not in the compressed bytes.
  std::string lines;
  for (int i = 0; i < 50; ++i) lines += "row\n";
  Blob memo(new TCompressedBlob(false));
  memo->SetAsAnsiString(lines);
  memo->SetCompressed(true);
  ASSERT_TRUE(memo->Compressed());
  memo->AddCR();
  std::string expected;
  for (int i = 0; i < 50; ++i) expected += "row\r\n";
  EXPECT_EQ(memo->AsAnsiString(), expected);

  Blob wide(new TCompressedBlob(true));
  String text;
  for (int i = 0; i < 50; ++i) text += u"řádek\r\n";
  wide->SetAsWideString(text);
  wide->SetCompressed(true);
  ASSERT_TRUE(wide->Compressed());
  EXPECT_EQ(wide->GetSizeAnsi(), static_cast<Int64>(text.size()));
  wide->RemoveCR();
  String removed;
  for (int i = 0; i < 50; ++i) removed += u"řádek\n";
  EXPECT_EQ(wide->AsWideString(), removed);
}

// A held value (a blob made with its bytes, as a file is loaded) behaves as
// the same value in pieces under every operation, and turns into pieces when
// one needs them.
TEST(CompressedBlob, HeldValuesBehaveAsPiecedOnes) {
  auto held = [](const std::string& bytes, bool unicode = false) {
    return Blob(TBlob::CreateHolding<TCompressedBlob>(unicode, bytes.data(), static_cast<Integer>(bytes.size())));
  };
  auto pieced = [](const std::string& bytes, bool unicode = false) {
    Blob blob(new TCompressedBlob(unicode));
    blob->Write(0, static_cast<Int64>(bytes.size()), bytes.data());
    return blob;
  };
  const std::string text = "Delivered on time;\ninvoice 17 paid.";
  struct Case {
    const char* name;
    std::function<std::string(TCompressedBlob&)> op;
  };
  auto read = [](TBlob& b, Int64 position, Int64 count) {
    std::string out(64, '\0');
    out.resize(static_cast<size_t>(b.Read(position, count, out.data())));
    return out;
  };
  const Case cases[] = {
      {"whole", [](TCompressedBlob& b) { return ReadAll(b) + std::to_string(b.Size()); }},
      {"part", [&](TCompressedBlob& b) { return read(b, 3, 5) + "|" + read(b, 30, 0) + "|" + read(b, 99, 1); }},
      {"state", [](TCompressedBlob& b) { return std::to_string(b.IsNull()) + std::to_string(b.IsEmpty()); }},
      {"write", [](TCompressedBlob& b) { b.Write(2, 3, "XYZ"); b.Write(99, 1, "!"); return ReadAll(b); }},
      {"truncate", [](TCompressedBlob& b) { b.Truncate(4); return ReadAll(b); }},
      {"clear", [](TCompressedBlob& b) { b.Clear(); return std::to_string(b.IsNull()) + ReadAll(b); }},
      {"add cr", [](TCompressedBlob& b) { b.AddCR(); return ReadAll(b); }},
      {"size uni", [](TCompressedBlob& b) { return std::to_string(b.GetSizeUni()); }},
      {"clone", [](TCompressedBlob& b) {
         TSharedRef<TBlob> c(b.Clone());
         b.Write(0, 1, "#");  // shared data: the clone sees the change
         return ReadAll(*c);
       }},
      {"commit", [](TCompressedBlob& b) {
         b.EnableRollback();
         b.Write(0, 4, "Kept");
         bool saved = b.CanRollback();
         b.Commit();
         b.Cancel();
         return std::to_string(saved) + std::to_string(b.CanRollback()) + ReadAll(b);
       }},
      {"set data", [](TCompressedBlob& b) {
         TSharedRef<TBlob> other(new TBlob);
         other->Write(0, 5, "other");
         b.CloneBlobData(other.get());
         return ReadAll(b) + std::to_string(b.IsNull());
       }},
      {"rollback", [](TCompressedBlob& b) {
         b.EnableRollback();
         b.Write(0, 4, "Kept");
         b.SetUseRollback(true);
         std::string old = ReadAll(b);
         b.SetUseRollback(false);
         std::string changed = ReadAll(b);
         b.Cancel();
         return old + "|" + changed + "|" + ReadAll(b);
       }},
      {"compress", [](TCompressedBlob& b) {
         std::string zeros(1000, '\0');
         b.Write(0, b.Size(), zeros.data());
         b.SetCompressed(true);
         return std::to_string(b.Compressed()) + std::to_string(ReadAll(b) == zeros);
       }},
      {"stream", [](TCompressedBlob& b) {
         TMemoryStream stream;
         b.SaveToStream(stream);
         return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
       }},
  };
  for (const std::string& value : {text, std::string()}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " of " + std::to_string(value.size()) + " bytes");
      Blob h = held(value);
      EXPECT_TRUE(h->HoldsValue());
      Blob p = pieced(value);
      EXPECT_EQ(c.op(*h), c.op(*p));
    }
  }
  // A held null value (a null cell of a loaded file) behaves as a new blob.
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " of null");
    Blob h(TBlob::CreateNull<TCompressedBlob>(false));
    EXPECT_TRUE(h->HoldsValue());
    Blob p(new TCompressedBlob(false));
    EXPECT_EQ(c.op(*h), c.op(*p));
  }

  // A held empty value is present, not null.
  EXPECT_FALSE(held("")->IsNull());
  // Piece access makes the pieces.
  Blob h = held(text);
  ASSERT_NE(h->FirstPiece(), nullptr);
  EXPECT_FALSE(h->HoldsValue());
  EXPECT_EQ(Raw(*h), text);

  // A UTF-16 value keeps its kind.
  String wide = u"řádek";
  Blob w(TBlob::CreateHolding<TCompressedBlob>(true, wide.data(), static_cast<Integer>(2 * wide.size())));
  EXPECT_EQ(w->AsWideString(), wide);
  EXPECT_EQ(w->GetSizeAnsi(), 5);

  // Large values and the stored form of a compressed value go to pieces,
  // the latter recognised as compressed.
  EXPECT_FALSE(held(std::string(MaxHeldBlobSize + 1, 'x'))->HoldsValue());
  EXPECT_TRUE(held(std::string(MaxHeldBlobSize, 'x'))->HoldsValue());
  Blob source = pieced(std::string(3000, 'q'));
  source->SetCompressed(true);
  Blob loaded = held(Raw(*source));
  EXPECT_FALSE(loaded->HoldsValue());
  EXPECT_TRUE(loaded->Compressed());
  EXPECT_EQ(ReadAll(*loaded), std::string(3000, 'q'));
}

// Held blobs lie packed side by side over several regions; each keeps its
// own bytes, and freeing them in any order (regions going back as they
// empty) disturbs none of the others.
TEST(CompressedBlob, PackedHeldBlobsKeepTheirBytes) {
  std::vector<TBlob*> blobs;
  auto value = [](size_t i) { return std::string(i % 97, static_cast<char>('a' + i % 26)) + std::to_string(i); };
  for (size_t i = 0; i < 60000; ++i) {
    std::string v = value(i);
    blobs.push_back(TBlob::CreateHolding<TCompressedBlob>(false, v.data(), static_cast<Integer>(v.size())));
  }
  std::mt19937 gen(7);
  std::vector<size_t> order(blobs.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), gen);
  for (size_t k = 0; k < order.size(); ++k) {
    if (k % 3 == 0) {
      for (size_t j = k; j < order.size(); j += 5000) EXPECT_EQ(ReadAll(*blobs[order[j]]), value(order[j]));
    }
    blobs[order[k]]->Release();
  }
}

TEST(VariantObject, HoldsAValue) {
  TSharedRef<TVariantObject> holder(new TVariantObject);
  EXPECT_TRUE(holder->Value().IsEmpty());
  holder->SetValue(Variant(u"text"));
  EXPECT_EQ(holder->Value().VarType(), varUString);
  holder->AddRef();
  EXPECT_EQ(holder->RefCount(), 2);
  holder->Release();
  EXPECT_STREQ(holder->ClassName(), "TVariantObject");
}

}  // namespace
