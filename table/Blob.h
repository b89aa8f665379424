// The blob value: a reference-counted binary, 8-bit text or UTF-16 text value
// over a piece store, with an optional rollback copy of its old contents
// while a record is being edited.
#pragma once

#include <vector>

#include "platform/rtl/SharedObject.h"
#include "platform/rtl/Types.h"
#include "table/BlobData.h"

class TStream;

class TBlob : public TSharedObject {
 public:
  explicit TBlob(bool isUnicode = false);
  const char* ClassName() const override { return "TBlob"; }

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

  TCRBlobData* GetData() const { return FData; }
  // Shares value (one reference more) as this blob's data.
  void SetData(TCRBlobData* value);
  void CloneBlobData(TBlob* source) { SetData(source->GetData()); }

  void EnableRollback() { FNeedRollback = true; }
  bool CanRollback() const { return FRollback != nullptr; }
  PPieceHeader FirstPiece() const { return FData->FirstPiece(); }
  Int64 TranslatePositionToAnsi(Int64 position);
  Int64 TranslatePositionToUni(Int64 position);
  void AddCR();
  void RemoveCR();

  static void AllocPiece(PPieceHeader& piece, Integer size) { TCRBlobData::AllocPiece(piece, size); }
  void ReallocPiece(PPieceHeader& piece, Integer size) { FData->ReallocPiece(piece, size); }
  void FreePiece(PPieceHeader piece) { FData->FreePiece(piece); }
  void AppendPiece(PPieceHeader piece) { FData->AppendPiece(piece); }
  void DeletePiece(PPieceHeader piece) { FData->DeletePiece(piece); }
  void CompressPiece(PPieceHeader& piece) { FData->CompressPiece(piece); }

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
  Integer PieceSize() const { return FData->PieceSize(); }
  void SetPieceSize(Integer value) { FData->SetPieceSize(value); }
  bool RollbackEnabled() const { return FNeedRollback; }
  // While on, the rollback copy (when there is one) stands in for the value.
  bool UseRollback() const { return FStoredData != nullptr; }
  void SetUseRollback(bool value);

 protected:
  // For derived blobs that bring their own kind of data.
  TBlob(bool isUnicode, TCRBlobData* data);
  ~TBlob() override;

  // Saves the rollback copy before the first change of an edit.
  void BeforeChange();

  // The small members come first so that they fill the padding after the
  // reference count: one blob per memo cell makes every byte count.
  bool FIsUnicode = false;
  bool FNeedRollback = false;
  Byte FTest = 0;
  TCRBlobData* FData = nullptr;
  TCRBlobData* FRollback = nullptr;
  TCRBlobData* FStoredData = nullptr;
};
