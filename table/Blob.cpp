#include "table/Blob.h"

#include <algorithm>
#include <utility>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "table/CompressedBlob.h"

namespace {

constexpr char16_t Unit[] = u"Blob";
constexpr Byte ValidTest = 221;
// Chunk of Assign's copy loop.
constexpr Int64 AssignChunk = 65536;

}  // namespace

TBlob::TBlob(bool isUnicode) : TBlob(isUnicode, new TCRBlobData) {}

TBlob::TBlob(bool isUnicode, TCRBlobData* data) : FTest(ValidTest), FIsUnicode(isUnicode), FData(data) {}

bool BlobCanHold(const void* source, Int64 count) {
  if (count < 0 || count > MaxHeldBlobSize || (count > 0 && source == nullptr)) return false;
  // A value that begins like a compressed one goes to the piece store, which
  // tells a valid compressed value from plain bytes.
  return count <= CCompressBlobHeaderSize ||
         std::memcmp(source, CCompressBlobHeaderGuid, CCompressBlobHeaderGuidSize) != 0;
}

void TBlob::operator delete(TBlob* blob, std::destroying_delete_t) {
  bool packed = blob->FPacked;
  blob->~TBlob();
  if (packed) FreePacked(blob);
  else ::operator delete(blob);
}

size_t TBlob::HeldOffset() {
  // FData and FRollback are the blob's last members.
  static_assert(sizeof(TBlob) % alignof(TCRBlobData*) == 0);
  return sizeof(TBlob) - 2 * sizeof(TCRBlobData*);
}

void* TBlob::AllocHeld(Int64 count) {
  return AllocPacked(std::max(sizeof(TBlob), HeldOffset() + static_cast<size_t>(count)));
}

TCRBlobData* TBlob::Data() {
  if (!FHeld) return FData;
  Assert(HeldBytes() == reinterpret_cast<Byte*>(this) + HeldOffset(), Unit);
  TCRBlobData* data = CreateBlobData();
  try {
    // The plain write of the piece store: the bytes are the value as it is.
    if (!FHeldNull) data->TCRBlobData::Write(0, FHeldSize, HeldBytes());
  } catch (...) {
    data->Release();
    throw;
  }
  // The held bytes are read: FData and FRollback take their place.
  FHeld = false;
  FHeldNull = false;
  FHeldSize = 0;
  FData = data;
  FRollback = nullptr;
  return FData;
}

TBlob::~TBlob() {
  FTest = 0;
  if (FHeld) return;
  SetUseRollback(false);
  TSharedObject::Free(FData);
  TSharedObject::Free(FRollback);
}

TBlob* TBlob::CreateClone() { return new TBlob(FIsUnicode); }

TCRBlobData* TBlob::CreateBlobData() { return new TCRBlobData; }

void TBlob::CheckValid() const {
  if (FTest != ValidTest) throw Exception(u"Invalid BLOB");
}

void TBlob::CheckCached() const {
  if (!FNeedRollback) throw Exception(u"Blob must be in cached mode");
}

TBlob* TBlob::Clone(bool fromRollback, bool cloneData) {
  TBlob* result = CreateClone();
  try {
    TCRBlobData* current = FUsingRollback ? FRollback : Data();
    TCRBlobData* rollback = FUsingRollback ? FData : FRollback;
    if (fromRollback) {
      result->SetData(rollback != nullptr ? rollback : current);
    } else if (cloneData) {
      result->SetData(current);
    }
  } catch (...) {
    result->Release();
    throw;
  }
  return result;
}

void TBlob::SetData(TCRBlobData* value) {
  if (FHeld) {
    // The held value is dropped for the given data.
    FHeld = false;
    FHeldNull = false;
    FHeldSize = 0;
    FData = nullptr;
    FRollback = nullptr;
  }
  if (value == FData) return;
  Assert(!UseRollback() && value != nullptr, Unit);
  value->AddRef();
  TSharedObject::Free(FData);
  FData = value;
}

void TBlob::SaveToRollback() {
  CheckCached();
  TCRBlobData* rollback = CreateBlobData();
  try {
    rollback->SetPieceSize(Data()->PieceSize());
    FData->CopyTo(rollback);
  } catch (...) {
    rollback->Release();
    throw;
  }
  FRollback = rollback;
}

void TBlob::BeforeChange() {
  if (FNeedRollback && (FHeld || FRollback == nullptr)) SaveToRollback();
}

void TBlob::SetUseRollback(bool value) {
  if (value == FUsingRollback || (value && !CanRollback())) return;
  std::swap(FData, FRollback);
  FUsingRollback = value;
}

void TBlob::Commit() {
  if (FHeld) return;
  SetUseRollback(false);
  TSharedObject::Free(FRollback);
  FRollback = nullptr;
}

void TBlob::Cancel() {
  if (FHeld) return;
  SetUseRollback(false);
  if (FRollback == nullptr) return;
  TSharedObject::Free(FData);
  FData = FRollback;
  FRollback = nullptr;
}

Int64 TBlob::GetSize() { return FHeld ? FHeldSize : FData->GetSize(); }

void TBlob::SetSize(Int64 value) { Data()->SetSize(value); }

void TBlob::SetIsUnicode(bool value) {
  if (value == FIsUnicode) return;
  if (GetSize() > 0) throw Exception(u"Cannot change IsUnicode if Size > 0");
  FIsUnicode = value;
}

Int64 TBlob::GetSizeAnsi() {
  Assert(FIsUnicode, Unit);
  return Data()->GetSizeAnsi();
}

Int64 TBlob::GetSizeUni() {
  Assert(!FIsUnicode, Unit);
  return Data()->GetSizeUni();
}

Int64 TBlob::TranslatePositionToAnsi(Int64 position) {
  Assert(FIsUnicode, Unit);
  return Data()->TranslatePositionToAnsi(position);
}

Int64 TBlob::TranslatePositionToUni(Int64 position) {
  Assert(!FIsUnicode, Unit);
  return Data()->TranslatePositionToUni(position);
}

Int64 TBlob::Read(Int64 position, Int64 count, void* dest) {
  CheckValid();
  CheckValue();
  if (!FHeld) return FData->Read(position, count, dest);
  // The held value, read as the piece store reads.
  Assert(position >= 0 && count >= 0, Unit);
  if (position >= FHeldSize) return 0;
  if (count == 0 || count > FHeldSize - position) count = FHeldSize - position;
  Assert(dest != nullptr, Unit);
  std::memcpy(dest, HeldBytes() + position, static_cast<size_t>(count));
  return count;
}

void TBlob::Write(Int64 position, Int64 count, const void* source) {
  CheckValid();
  BeforeChange();
  Data()->Write(position, count, source);
}

void TBlob::Clear() {
  if (FHeld && FHeldNull) return;
  TCRBlobData* data = Data();
  if (data->IsNull()) {
    if (data->FirstPiece() != nullptr) data->Clear();
    return;
  }
  BeforeChange();
  FData->Clear();
}

void TBlob::Truncate(Int64 newSize) {
  BeforeChange();
  Data()->Truncate(newSize);
}

void TBlob::Defrag(Integer minPieceSize) { Data()->Defrag(minPieceSize); }

void TBlob::Compress() { Data()->Compress(); }

bool TBlob::IsEmpty() {
  CheckValue();
  return FHeld ? FHeldSize == 0 : FData->IsEmpty();
}

bool TBlob::IsNull() {
  CheckValue();
  return FHeld ? FHeldNull : FData->IsNull();
}

void TBlob::AddCR() {
  CheckValid();
  CheckValue();
  BeforeChange();
  if (FIsUnicode) Data()->AddCRUnicode(); else Data()->AddCRString();
}

void TBlob::RemoveCR() {
  CheckValid();
  CheckValue();
  BeforeChange();
  if (FIsUnicode) Data()->RemoveCRUnicode(); else Data()->RemoveCRString();
}

void TBlob::Assign(TBlob* source) {
  // A blob sharing this blob's data already holds the value; clearing first
  // would empty both.
  if (source == this || source->GetData() == Data()) return;
  Clear();
  SetIsUnicode(source->IsUnicode());
  std::vector<Byte> buffer(AssignChunk);
  for (Int64 position = 0;;) {
    Int64 n = source->Read(position, AssignChunk, buffer.data());
    if (n == 0) break;
    Write(position, n, buffer.data());
    position += n;
  }
}

void TBlob::LoadFromStream(TStream& stream) {
  Clear();
  if (stream.Size() == 0) return;
  CheckValid();
  BeforeChange();
  stream.SetPosition(0);
  std::vector<Byte> buffer(static_cast<size_t>(PieceSize()));
  for (Int64 position = 0;;) {
    Int64 n = stream.Read(buffer.data(), static_cast<Int64>(buffer.size()));
    if (n <= 0) break;
    // The bytes are stored as they come: a compressed value is recognised
    // once it is whole, not decompressed while only its start is there.
    Data()->TCRBlobData::Write(position, n, buffer.data());
    position += n;
  }
}

void TBlob::SaveToStream(TStream& stream) {
  stream.SetSize(0);
  stream.SetPosition(0);
  std::vector<Byte> buffer(static_cast<size_t>(PieceSize()));
  for (Int64 position = 0;;) {
    Int64 n = Read(position, static_cast<Int64>(buffer.size()), buffer.data());
    if (n == 0) break;
    stream.WriteBuffer(buffer.data(), n);
    position += n;
  }
}

void TBlob::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TBlob::SaveToFile(const String& fileName) {
  TSafeFileWriter writer(fileName);
  SaveToStream(writer.Stream());
  writer.Commit();
}

// --- text access ----------------------------------------------------------------

AnsiString TBlob::AsAnsiString() {
  if (FIsUnicode) return StringToAnsi(AsWideString());
  AnsiString result(static_cast<size_t>(GetSize()), '\0');
  result.resize(static_cast<size_t>(Read(0, 0, result.data())));
  return result;
}

void TBlob::SetAsAnsiString(const AnsiString& value) {
  if (FIsUnicode) {
    SetAsWideString(AnsiToString(value));
    return;
  }
  Clear();
  Write(0, static_cast<Int64>(value.size()), value.data());
}

String TBlob::AsWideString() {
  if (!FIsUnicode) return AnsiToString(AsAnsiString());
  Int64 size = GetSize();
  String result(static_cast<size_t>((size + 1) / 2), u'\0');
  Int64 n = Read(0, 0, result.data());
  result.resize(static_cast<size_t>((n + 1) / 2));
  return result;
}

void TBlob::SetAsWideString(const String& value) {
  if (!FIsUnicode) {
    SetAsAnsiString(StringToAnsi(value));
    return;
  }
  Clear();
  Write(0, 2 * static_cast<Int64>(value.size()), value.data());
}

std::vector<Byte> TBlob::AsBytes() {
  std::vector<Byte> result(static_cast<size_t>(GetSize()));
  result.resize(static_cast<size_t>(Read(0, 0, result.data())));
  return result;
}

void TBlob::SetAsBytes(const std::vector<Byte>& value) {
  Clear();
  Write(0, static_cast<Int64>(value.size()), value.data());
}

// A memo cell of a large table costs its blob object: keep it at 32 bytes.
static_assert(sizeof(TBlob) <= 32, "blob object grew");
