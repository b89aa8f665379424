// The blob value: a reference-counted binary, 8-bit text or UTF-16 text value
// over a piece store, with an optional rollback copy of its old contents
// while a record is being edited.
#pragma once

#include <cstring>
#include <new>
#include <vector>

#include "platform/rtl/SharedObject.h"
#include "platform/rtl/Types.h"
#include "table/BlobData.h"
#include "table/PageMemory.h"

class TStream;

// Values of up to this many bytes that are known when the blob is made (a
// file being loaded) are held in the blob's own allocation, without a piece
// store, until something needs the pieces.
inline constexpr Integer MaxHeldBlobSize = 4096;
static_assert(MaxHeldBlobSize <= 0xFFFF, "a held size is 16-bit");

class TBlob : public TSharedObject {
 public:
  explicit TBlob(bool isUnicode = false);
  const char* ClassName() const override { return "TBlob"; }

  // A blob (reference count 1) holding the count bytes of source as its
  // value, in one allocation with the blob when they are few. Blob is TBlob
  // or a derived class without members of its own.
  template <class Blob>
  static Blob* CreateHolding(bool isUnicode, const void* source, Int64 count);

  // A null blob (reference count 1) without a piece store until one is
  // needed, as small as a blob can be. Blob as for CreateHolding.
  template <class Blob>
  static Blob* CreateNull(bool isUnicode);

  // Tag of the constructors that CreateHolding uses: a blob without a piece
  // store, whose value lies in its own memory.
  struct THeld {};
  TBlob(bool isUnicode, THeld) : TBlob(isUnicode, nullptr) {}

  // Blobs made by CreateHolding are larger than their class and lie in
  // packed memory (PageMemory.h): each blob is given back where it came from.
  static void operator delete(TBlob* blob, std::destroying_delete_t);

  // A new blob (reference count 1) sharing this blob's rollback copy
  // (fromRollback; the current data when there is none), its current data
  // (cloneData) or nothing.
  TBlob* Clone(bool fromRollback = false, bool cloneData = true);

  virtual TBlob* CreateClone();
  virtual TCRBlobData* CreateBlobData();
  // Hook run before reads and state queries.
  virtual void CheckValue() {}
  virtual void SaveToRollback();
  virtual Int64 GetSize();
  virtual void SetSize(Int64 value);
  virtual void SetIsUnicode(bool value);
  virtual Int64 GetSizeAnsi();
  virtual Int64 GetSizeUni();
  virtual void FreeBlob() {}
  virtual Int64 Read(Int64 position, Int64 count, void* dest);
  virtual void Write(Int64 position, Int64 count, const void* source);
  virtual void Clear();
  virtual void Truncate(Int64 newSize);
  virtual void Defrag(Integer minPieceSize = 0);
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream);
  // Drops the rollback copy (the edit is posted).
  virtual void Commit();
  // Makes the rollback copy the value again (the edit is cancelled).
  virtual void Cancel();

  // Raises "Invalid BLOB" for a destroyed blob.
  void CheckValid() const;
  // Raises "Blob must be in cached mode" unless rollback is enabled.
  void CheckCached() const;
  bool IsEmpty();
  bool IsNull();
  void Compress();
  void LoadFromFile(const String& fileName);
  // Written through a temporary file: a failed save leaves the old file whole.
  void SaveToFile(const String& fileName);
  // Copies the value and IsUnicode of source.
  void Assign(TBlob* source);

  // The piece store of the value (made now when the value is held).
  TCRBlobData* GetData() { return Data(); }
  // Shares value (one reference more) as this blob's data.
  void SetData(TCRBlobData* value);
  void CloneBlobData(TBlob* source) { SetData(source->GetData()); }

  void EnableRollback() { FNeedRollback = true; }
  bool CanRollback() const { return !FHeld && FRollback != nullptr; }
  PPieceHeader FirstPiece() { return Data()->FirstPiece(); }
  Int64 TranslatePositionToAnsi(Int64 position);
  Int64 TranslatePositionToUni(Int64 position);
  void AddCR();
  void RemoveCR();

  static void AllocPiece(PPieceHeader& piece, Integer size) { TCRBlobData::AllocPiece(piece, size); }
  void ReallocPiece(PPieceHeader& piece, Integer size) { Data()->ReallocPiece(piece, size); }
  void FreePiece(PPieceHeader piece) { Data()->FreePiece(piece); }
  void AppendPiece(PPieceHeader piece) { Data()->AppendPiece(piece); }
  void DeletePiece(PPieceHeader piece) { Data()->DeletePiece(piece); }
  void CompressPiece(PPieceHeader& piece) { Data()->CompressPiece(piece); }

  Int64 Size() { return GetSize(); }
  String AsString() { return AsWideString(); }
  void SetAsString(const String& value) { SetAsWideString(value); }
  AnsiString AsAnsiString();
  void SetAsAnsiString(const AnsiString& value);
  String AsWideString();
  void SetAsWideString(const String& value);
  std::vector<Byte> AsBytes();
  void SetAsBytes(const std::vector<Byte>& value);
  bool IsUnicode() const { return FIsUnicode; }
  Integer PieceSize() const { return FHeld ? DefaultPieceSize : FData->PieceSize(); }
  void SetPieceSize(Integer value) { Data()->SetPieceSize(value); }
  bool RollbackEnabled() const { return FNeedRollback; }
  // While on, the rollback copy (when there is one) stands in for the value.
  bool UseRollback() const { return FUsingRollback; }
  void SetUseRollback(bool value);
  // True while the value is held in the blob itself (no piece store yet).
  bool HoldsValue() const { return FHeld; }

 protected:
  // For derived blobs that bring their own kind of data.
  TBlob(bool isUnicode, TCRBlobData* data);
  ~TBlob() override;

  // Saves the rollback copy before the first change of an edit.
  void BeforeChange();
  // The piece store, made from the held value when there is one.
  TCRBlobData* Data();

  // The small members come first so that they fill the padding after the
  // reference count: one blob per memo cell makes every byte count.
  Byte FTest = 0;
  bool FIsUnicode : 1 = false;
  bool FNeedRollback : 1 = false;
  // While on, FData is the rollback copy and FRollback the current data.
  bool FUsingRollback : 1 = false;
  bool FPacked : 1 = false;  // made by CreateHolding in packed memory
  // The value is held in the blob itself (HoldsValue): FHeldSize bytes from
  // where FData lies, over FData and FRollback, which mean nothing then (a
  // held value has no rollback copy).
  bool FHeld : 1 = false;
  // A held value that is null (no bytes).
  bool FHeldNull : 1 = false;
  Word FHeldSize = 0;
  TCRBlobData* FData = nullptr;
  TCRBlobData* FRollback = nullptr;

 private:
  Byte* HeldBytes() { return reinterpret_cast<Byte*>(&FData); }
  // Where the held bytes start, counted from the start of the blob.
  static size_t HeldOffset();
  // Memory for a held blob of count bytes (at least the blob itself).
  static void* AllocHeld(Int64 count);
};

// True when CreateHolding keeps count bytes in the blob itself: few bytes
// that are not a compressed value (which must stay recognisable as one).
bool BlobCanHold(const void* source, Int64 count);

template <class Blob>
Blob* TBlob::CreateHolding(bool isUnicode, const void* source, Int64 count) {
  static_assert(sizeof(Blob) == sizeof(TBlob), "the held bytes follow the TBlob part");
  if (!BlobCanHold(source, count)) {
    auto* blob = new Blob(isUnicode);
    try {
      blob->GetData()->Write(0, count, source);
    } catch (...) {
      blob->Release();
      throw;
    }
    return blob;
  }
  Blob* blob = ::new (AllocHeld(count)) Blob(isUnicode, THeld{});
  blob->FPacked = true;
  blob->FHeld = true;
  blob->FHeldSize = static_cast<Word>(count);
  if (count > 0) std::memcpy(blob->HeldBytes(), source, static_cast<size_t>(count));
  return blob;
}

template <class Blob>
Blob* TBlob::CreateNull(bool isUnicode) {
  static_assert(sizeof(Blob) == sizeof(TBlob), "a null blob is a held one without bytes");
  Blob* blob = ::new (AllocHeld(0)) Blob(isUnicode, THeld{});
  blob->FPacked = true;
  blob->FHeld = true;
  blob->FHeldNull = true;
  return blob;
}
