// VTD files: the virtual table's own binary format (version 3 written,
// versions 0 to 3 read). Little-endian: u16 version; u16 count of field
// definitions (name, type, size, and from version 3 an i32 precision); from
// version 1 a u16 count of stored fields (name, kind, type, size); an i32
// record count; then per record one value per definition, each a length
// (u16 before version 2, u32 after; 0 is null) and its bytes.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/rtl/Streams.h"
#include "table/VirtualTable.h"

enum TCRFileFormat { ffVTD, ffXML };

// XML when, after an optional UTF-8 byte-order mark, the bytes start with
// "<" and "xml" (in any case), with or without a "?" between; VTD
// otherwise. Raises "Stream read error" for fewer than 5 bytes after the
// mark.
TCRFileFormat DetectFileFormat(const Byte* data, size_t size);

// Reads a VTD file front to back; every read is checked against what
// remains and raises "Stream read error" when it would run past the end.
// Over a stream it holds only a window of the file, so a large file is never
// in memory twice. A pointer from Bytes stays valid until the next read.
class TVtdReader {
 public:
  TVtdReader(const Byte* data, size_t size) : FData(data), FSize(size) {}
  // The bytes from the stream's position to its end.
  explicit TVtdReader(TStream& stream);
  size_t Position() const { return FPosition; }
  size_t Remaining() const { return FSize - FPosition; }
  Word U16();
  Cardinal U32();
  Integer I32();
  const Byte* Bytes(size_t count);
  // A u16 length and that many bytes of ANSI text.
  String Name();

 private:
  void Refill(size_t count);

  const Byte* FData;
  size_t FSize;
  size_t FPosition = 0;
  TStream* FStream = nullptr;
  std::vector<Byte> FWindow;
  size_t FWindowStart = 0;  // file offsets of the window's bytes
  size_t FWindowEnd = 0;
};

struct TVtdStoredField {
  String Name;
  Word Kind = 0;
  Word Type = 0;
  Word Size = 0;
};

struct TVtdHeader {
  Word Version = 0;
  std::vector<TVirtualFieldSpec> Defs;
  std::vector<TVtdStoredField> Fields;
  Integer RecordCount = 0;
};

// Reads and checks everything before the records: type and kind numbers,
// and a record count that the remaining bytes can hold.
TVtdHeader ReadVtdHeader(TVtdReader& reader);

// The definitions whose precision a file carries into the table.
bool FieldDefKeepsPrecision(TFieldType type);

// The steps of TVirtualTable::LoadFromStream (a VTD file or an XML rowset,
// told apart by DetectFileFormat) and SaveToStream. SaveVtd writes defs as
// the header and the rows of the table's store by the descriptors of the
// same names.
void LoadTableStream(TVirtualTable& table, TStream& stream, bool loadFields, bool decodeHTMLEntities);
void SaveVtd(TVirtualTable& table, TStream& stream, const std::vector<TVirtualFieldSpec>& defs, bool storeFields);
