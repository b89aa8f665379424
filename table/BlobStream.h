// The stream a TMemDataSet hands out for a blob field of its active record:
// reads and writes the record store's blob value in place.
#pragma once

#include "platform/db/DBTypes.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Streams.h"
#include "table/FieldDesc.h"

class TMemDataSet;

class TBlobStream : public TStream {
 public:
  // Raises "Field '%s' cannot be modified" (read-only field) and "Dataset
  // not in edit or insert mode" for a stream that writes, unless the field
  // was already modified. Without a record to work on the stream stays
  // closed: it reads and writes nothing.
  TBlobStream(TBlobField* field, TBlobStreamMode mode);
  // A stream that changed the value marks the field modified and tells the
  // dataset (deFieldChange).
  ~TBlobStream() override;

  // Reads from the position up to the end; 0 at or beyond the end. Writes,
  // SetSize and Truncate change nothing in a stream opened for reading.
  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64 newSize) override;
  // Cuts the blob at the current position.
  void Truncate();
  bool Opened() const { return FOpened; }

 private:
  bool CanWrite() const;
  bool FromRollback() const;
  bool TrueUnicode() const;

  TBlobField* FField;
  TFieldDesc* FFieldDesc = nullptr;
  TMemDataSet* FDataSet = nullptr;
  TRecordBuffer FBuffer = nullptr;
  TBlobStreamMode FMode;
  bool FOpened = false;
  bool FModified = false;
  bool FTrueUnicode = false;  // a wide memo's stream counts UTF-16 bytes
  Int64 FPosition = 0;
};
