// Byte and blob fields.
#include <algorithm>
#include <cstring>

#include "platform/db/DBConsts.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/db/ValueBuffer.h"
#include "platform/rtl/Strings.h"

namespace {

AnsiString BytesToAnsi(const std::vector<Byte>& bytes) { return AnsiString(bytes.begin(), bytes.end()); }

std::vector<Byte> AnsiToBytes(const AnsiString& text) { return std::vector<Byte>(text.begin(), text.end()); }

// A byte array as it is, anything else as 8-bit text.
void SetBytesOrText(TField& field, const Variant& value) {
  if (const std::vector<Byte>* bytes = value.ByteArray()) {
    field.SetAsBytes(*bytes);
  } else {
    field.SetAsAnsiString(value.AsAnsiString());
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// TBinaryField, TBytesField, TVarBytesField

TBinaryField::TBinaryField(TComponent* owner, TFieldType type) : TField(owner) {
  FDataType = type;
  FSize = 16;
}

void TBinaryField::CheckTypeSize(Integer value) const {
  // A var-bytes value keeps its length in 16 bits.
  Integer max = FDataType == ftVarBytes ? 0xFFFF : 0x7FFFFFFD;
  if (value < 0 || value > max) DatabaseErrorFmt(DBMessages::SInvalidFieldSize, {});
}

String TBinaryField::GetAsString() const { return AnsiToString(GetAsAnsiString()); }

void TBinaryField::SetAsStringValue(const String& value) { SetAsAnsiStringValue(StringToAnsi(value)); }

AnsiString TBinaryField::GetAsAnsiString() const { return BytesToAnsi(GetAsBytes()); }

void TBinaryField::SetAsAnsiStringValue(const AnsiString& value) { SetAsBytesValue(AnsiToBytes(value)); }

Variant TBinaryField::GetAsVariant() const {
  if (IsNull()) return Variant::Null();
  return Variant(GetAsBytes());
}

void TBinaryField::SetVarValue(const Variant& value) { SetBytesOrText(*this, value); }

String TBinaryField::GetText(bool) const { return GetClassDesc(); }

TBytesField::TBytesField(TComponent* owner) : TBinaryField(owner, ftBytes) {}
TBytesField::TBytesField(TComponent* owner, TFieldType type) : TBinaryField(owner, type) {}
TVarBytesField::TVarBytesField(TComponent* owner) : TBytesField(owner, ftVarBytes) {}

std::vector<Byte> TBytesField::GetAsBytes() const {
  TValueBuffer buffer(DataSize());
  if (!GetData(buffer.Data())) return {};
  return std::vector<Byte>(buffer.Data(), buffer.Data() + FSize);
}

void TBytesField::SetAsBytesValue(const std::vector<Byte>& value) {
  TValueBuffer buffer(DataSize());
  std::memcpy(buffer.Data(), value.data(), std::min(value.size(), static_cast<size_t>(FSize)));
  SetData(buffer.Data());
}

std::vector<Byte> TVarBytesField::GetAsBytes() const {
  TValueBuffer buffer(DataSize());
  if (!GetData(buffer.Data())) return {};
  Word length;
  std::memcpy(&length, buffer.Data(), 2);
  // A length beyond the size is not trusted.
  length = static_cast<Word>(std::min<Integer>(length, FSize));
  return std::vector<Byte>(buffer.Data() + 2, buffer.Data() + 2 + length);
}

void TVarBytesField::SetAsBytesValue(const std::vector<Byte>& value) {
  TValueBuffer buffer(DataSize());
  Word length = static_cast<Word>(std::min(value.size(), static_cast<size_t>(FSize)));
  std::memcpy(buffer.Data(), &length, 2);
  std::memcpy(buffer.Data() + 2, value.data(), length);
  SetData(buffer.Data());
}

// ---------------------------------------------------------------------------
// TBlobField

TBlobField::TBlobField(TComponent* owner) : TBlobField(owner, ftBlob) {}
TBlobField::TBlobField(TComponent* owner, TFieldType type) : TField(owner) { FDataType = type; }
TMemoField::TMemoField(TComponent* owner) : TBlobField(owner, ftMemo) {}
TWideMemoField::TWideMemoField(TComponent* owner) : TBlobField(owner, ftWideMemo) {}
TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner, ftGraphic) {}

void TBlobField::SetFieldType(TFieldType value) {
  switch (value) {
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
    case ftTypedBinary: case ftOraBlob: case ftOraClob: case ftWideMemo: case ftStream: FDataType = value; break;
    default: break;
  }
}

void TBlobField::CheckTypeSize(Integer value) const {
  if (value < 0) DatabaseErrorFmt(DBMessages::SInvalidFieldSize, {});
}

std::unique_ptr<TStream> TBlobField::OpenStream(TBlobStreamMode mode) const {
  if (FDataSet == nullptr) DatabaseErrorFmt(DBMessages::SDataSetMissing, {DisplayName()});
  std::unique_ptr<TStream> stream = FDataSet->CreateBlobStream(const_cast<TBlobField*>(this), mode);
  // A dataset without blob streams cannot keep a write.
  if (!stream && mode != bmRead) DatabaseErrorFmt(DBMessages::SFieldReadOnly, {DisplayName()});
  return stream;
}

bool TBlobField::IsNull() const {
  if (!FModified) return TField::IsNull();
  return BlobSize() == 0;
}

void TBlobField::Clear() {
  // A write stream starts with an empty value.
  std::unique_ptr<TStream> stream = OpenStream(bmWrite);
}

Integer TBlobField::BlobSize() const {
  std::unique_ptr<TStream> stream = OpenStream(bmRead);
  return stream ? static_cast<Integer>(stream->Size()) : 0;
}

const std::string& TBlobField::ReadData() const {
  if (FDataSet == nullptr) DatabaseErrorFmt(DBMessages::SDataSetMissing, {DisplayName()});
  // One buffer for every read of the field: reading each row's value costs
  // no allocation once it has grown to the longest value.
  FReadBuffer.clear();
  FDataSet->ReadBlobData(const_cast<TBlobField*>(this), FReadBuffer);
  return FReadBuffer;
}

std::vector<Byte> TBlobField::ReadBytes() const {
  const std::string& bytes = ReadData();
  return std::vector<Byte>(bytes.begin(), bytes.end());
}

void TBlobField::WriteBytes(const void* data, size_t size) {
  std::unique_ptr<TStream> stream = OpenStream(bmWrite);
  stream->WriteBuffer(data, static_cast<Int64>(size));
}

void TBlobField::LoadFromStream(TStream& stream) { OpenStream(bmWrite)->CopyFrom(stream, 0); }

void TBlobField::SaveToStream(TStream& stream) const {
  std::unique_ptr<TStream> blob = OpenStream(bmRead);
  if (blob) stream.CopyFrom(*blob, 0);
}

void TBlobField::LoadFromFile(const String& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TBlobField::SaveToFile(const String& fileName) const {
  TSafeFileWriter writer(fileName);
  SaveToStream(writer.Stream());
  writer.Commit();
}

String TBlobField::GetAsString() const { return AnsiToString(ReadData()); }

void TBlobField::SetAsStringValue(const String& value) { SetAsAnsiStringValue(StringToAnsi(value)); }

AnsiString TBlobField::GetAsAnsiString() const { return ReadData(); }

void TBlobField::SetAsAnsiStringValue(const AnsiString& value) { WriteBytes(value.data(), value.size()); }

std::vector<Byte> TBlobField::GetAsBytes() const { return ReadBytes(); }

void TBlobField::SetAsBytesValue(const std::vector<Byte>& value) { WriteBytes(value.data(), value.size()); }

Variant TBlobField::GetAsVariant() const {
  if (IsNull()) return Variant::Null();
  return Variant(ReadBytes());
}

void TBlobField::SetVarValue(const Variant& value) { SetBytesOrText(*this, value); }

String TBlobField::GetText(bool) const { return GetClassDesc(); }

Variant TMemoField::GetAsVariant() const {
  if (IsNull()) return Variant::Null();
  return Variant(GetAsAnsiString());
}

// ---------------------------------------------------------------------------
// TWideMemoField

String TWideMemoField::GetAsString() const {
  const std::string& bytes = ReadData();
  String text(bytes.size() / 2, u'\0');
  std::memcpy(text.data(), bytes.data(), text.size() * 2);
  return text;
}

void TWideMemoField::SetAsStringValue(const String& value) { WriteBytes(value.data(), value.size() * 2); }

AnsiString TWideMemoField::GetAsAnsiString() const { return StringToAnsi(GetAsString()); }

void TWideMemoField::SetAsAnsiStringValue(const AnsiString& value) { SetAsStringValue(AnsiToString(value)); }

Variant TWideMemoField::GetAsVariant() const {
  if (IsNull()) return Variant::Null();
  return Variant(GetAsString());
}

void TWideMemoField::SetVarValue(const Variant& value) {
  if (const std::vector<Byte>* bytes = value.ByteArray()) {
    SetAsBytesValue(*bytes);
  } else {
    SetAsStringValue(value.AsString());
  }
}
