// The piece store behind a blob value: a doubly linked chain of pieces whose
// used bytes, in list order, make up the value. Pieces may carry spare
// capacity and may be empty, so large values grow without being copied.
#pragma once

#include "platform/rtl/SharedObject.h"
#include "platform/rtl/Types.h"

class TCRBlobData;

// Header in front of each piece's data, in one allocation with it.
struct TPieceHeader {
  TCRBlobData* Blob;  // the store whose list holds the piece; nullptr while unlisted
  Integer Size;       // capacity of the data part in bytes
  Integer Used;       // bytes in use from the start of the data part
  TPieceHeader* Prev;
  TPieceHeader* Next;
};
using PPieceHeader = TPieceHeader*;

// Default data capacity of a piece: 64 KiB less a 22-byte header.
inline constexpr Integer DefaultPieceSize = 65514;
// Largest data capacity a single piece may have.
inline constexpr Integer MaxPieceSize = 0x7FFFFFFF - static_cast<Integer>(sizeof(TPieceHeader));

// The data part of a piece; nullptr for no piece.
inline Byte* PieceData(PPieceHeader piece) {
  return piece == nullptr ? nullptr : reinterpret_cast<Byte*>(piece) + sizeof(TPieceHeader);
}

class TCRBlobData : public TSharedObject {
 public:
  TCRBlobData() = default;
  const char* ClassName() const override { return "TCRBlobData"; }

  // Sum of the pieces' used bytes (the stored form, compressed or not).
  Int64 GetDataSize() const;

  // Size of the value.
  virtual Int64 GetSize() const { return GetDataSize(); }
  // Cuts the value, or extends it with zero bytes.
  virtual void SetSize(Int64 value);
  // Frees every piece and makes the value null.
  virtual void Clear();
  // Cuts the value to newSize bytes; pieces keep their capacity. 0 frees them.
  virtual void Truncate(Int64 newSize);
  // Copies up to count bytes from position into dest and returns how many;
  // a count of 0 means up to the end. 0 at or beyond the end.
  virtual Int64 Read(Int64 position, Int64 count, void* dest);
  // Overwrites and extends the value; a position beyond the end appends.
  // The value is not null afterwards, even for a count of 0.
  virtual void Write(Int64 position, Int64 count, const void* source);

  bool IsEmpty() const;
  bool IsNull() const { return FIsNull && IsEmpty(); }
  Integer PieceSize() const { return FPieceSize; }
  void SetPieceSize(Integer value);
  PPieceHeader FirstPiece() const { return FFirstPiece; }

  // Shrinks every piece to its used bytes and frees empty pieces.
  void Compress();
  // Moves the data into pieces of at least minPieceSize bytes (0: one piece).
  void Defrag(Integer minPieceSize = 0);
  // Hands this store's pieces to dest (which is emptied first and takes over
  // the null state); this store continues with a copy of the data.
  void CopyTo(TCRBlobData* dest);

  // Line-end conversion of 8-bit and UTF-16 text: Add writes every LF that
  // lacks a CR as CR LF, Remove writes every CR LF as LF.
  void AddCRString();
  void RemoveCRString();
  void AddCRUnicode();
  void RemoveCRUnicode();

  // Size of UTF-16 data in 8-bit text, and of 8-bit data in UTF-16 bytes.
  Int64 GetSizeAnsi();
  Int64 GetSizeUni();
  // Byte position in UTF-16 data of a position counted in 8-bit bytes, and
  // the byte position in 8-bit data of one counted in UTF-16 bytes. Raises
  // "Invalid BLOB position" for a position inside a character or past the end.
  Int64 TranslatePositionToAnsi(Int64 position);
  Int64 TranslatePositionToUni(Int64 position);

  // Piece operations.
  static void AllocPiece(PPieceHeader& piece, Integer size);
  void ReallocPiece(PPieceHeader& piece, Integer size);
  void FreePiece(PPieceHeader piece);
  void AppendPiece(PPieceHeader piece);
  void DeletePiece(PPieceHeader piece);
  void CompressPiece(PPieceHeader& piece);

 protected:
  ~TCRBlobData() override;

  // Brings the pieces into their plain form before an operation that works
  // on the text in them; a compressing store decompresses here.
  virtual void EnsurePlain() {}
  // Frees the whole piece list.
  void FreeAllPieces();

  bool FIsNull = true;
  PPieceHeader FFirstPiece = nullptr;
  PPieceHeader FLastPiece = nullptr;
  Integer FPieceSize = DefaultPieceSize;

 private:
  template <int UnitSize>
  void ConvertLineEnds(bool addCR);
};
