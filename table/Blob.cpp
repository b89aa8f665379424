#include "table/Blob.h"

#include <algorithm>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char16_t Unit[] = u"Blob";
constexpr Byte ValidTest = 221;
// Chunk of Assign's copy loop.
constexpr Int64 AssignChunk = 65536;

}  // namespace

TBlob::TBlob(bool isUnicode) : TBlob(isUnicode, new TCRBlobData) {}

TBlob::TBlob(bool isUnicode, TCRBlobData* data) : FIsUnicode(isUnicode), FTest(ValidTest), FData(data) {}

TBlob::~TBlob() {
  FTest = 0;
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
    TCRBlobData* current = FStoredData != nullptr ? FStoredData : FData;
    if (fromRollback) {
      result->SetData(FRollback != nullptr ? FRollback : current);
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
    rollback->SetPieceSize(FData->PieceSize());
    FData->CopyTo(rollback);
  } catch (...) {
    rollback->Release();
    throw;
  }
  FRollback = rollback;
}

void TBlob::BeforeChange() {
  if (FNeedRollback && FRollback == nullptr) SaveToRollback();
}

void TBlob::SetUseRollback(bool value) {
  if (value) {
    if (FStoredData == nullptr && FRollback != nullptr) {
      FStoredData = FData;
      FData = FRollback;
    }
  } else if (FStoredData != nullptr) {
    FData = FStoredData;
    FStoredData = nullptr;
  }
}

void TBlob::Commit() {
  SetUseRollback(false);
  TSharedObject::Free(FRollback);
  FRollback = nullptr;
}

void TBlob::Cancel() {
  SetUseRollback(false);
  if (FRollback == nullptr) return;
  TSharedObject::Free(FData);
  FData = FRollback;
  FRollback = nullptr;
}

Int64 TBlob::GetSize() { return FData->GetSize(); }

void TBlob::SetSize(Int64 value) { FData->SetSize(value); }

void TBlob::SetIsUnicode(bool value) {
  if (value == FIsUnicode) return;
  if (GetSize() > 0) throw Exception(u"Cannot change IsUnicode if Size > 0");
  FIsUnicode = value;
}

Int64 TBlob::GetSizeAnsi() {
  Assert(FIsUnicode, Unit);
  return FData->GetSizeAnsi();
}

Int64 TBlob::GetSizeUni() {
  Assert(!FIsUnicode, Unit);
  return FData->GetSizeUni();
}

Int64 TBlob::TranslatePositionToAnsi(Int64 position) {
  Assert(FIsUnicode, Unit);
  return FData->TranslatePositionToAnsi(position);
}

Int64 TBlob::TranslatePositionToUni(Int64 position) {
  Assert(!FIsUnicode, Unit);
  return FData->TranslatePositionToUni(position);
}

Int64 TBlob::Read(Int64 position, Int64 count, void* dest) {
  CheckValid();
  CheckValue();
  return FData->Read(position, count, dest);
}

void TBlob::Write(Int64 position, Int64 count, const void* source) {
  CheckValid();
  BeforeChange();
  FData->Write(position, count, source);
}

void TBlob::Clear() {
  if (FData->IsNull()) {
    if (FData->FirstPiece() != nullptr) FData->Clear();
    return;
  }
  BeforeChange();
  FData->Clear();
}

void TBlob::Truncate(Int64 newSize) {
  BeforeChange();
  FData->Truncate(newSize);
}

void TBlob::Defrag(Integer minPieceSize) { FData->Defrag(minPieceSize); }

void TBlob::Compress() { FData->Compress(); }

bool TBlob::IsEmpty() {
  CheckValue();
  return FData->IsEmpty();
}

bool TBlob::IsNull() {
  CheckValue();
  return FData->IsNull();
}

void TBlob::AddCR() {
  CheckValid();
  CheckValue();
  BeforeChange();
  if (FIsUnicode) FData->AddCRUnicode(); else FData->AddCRString();
}

void TBlob::RemoveCR() {
  CheckValid();
  CheckValue();
  BeforeChange();
  if (FIsUnicode) FData->RemoveCRUnicode(); else FData->RemoveCRString();
}

void TBlob::Assign(TBlob* source) {
  // A blob sharing this blob's data already holds the value; clearing first
  // would empty both.
  if (source == this || source->GetData() == FData) return;
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
    FData->TCRBlobData::Write(position, n, buffer.data());
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
