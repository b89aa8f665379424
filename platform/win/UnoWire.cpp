#include "platform/win/UnoWire.h"

#include <cstring>

#include "platform/rtl/Strings.h"

namespace {

constexpr int MaxNesting = 64;

void AppendU32(std::string& out, Cardinal value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void AppendU64(std::string& out, UInt64 value) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void AppendArray(std::string& out, const TOleArgs& items, const TUnoObjectNumber& numberOf) {
  out += 'A';
  AppendU32(out, static_cast<Cardinal>(items.size()));
  for (const Variant& item : items) AppendUnoValue(out, item, numberOf);
}

[[noreturn]] void Malformed(const TByteReader&, size_t) {
  throw EOleSysError(u"Malformed answer from the office suite");
}

Variant ReadValue(TByteReader& reader, const TUnoObjectOf& objectOf, int depth) {
  switch (reader.U8()) {
    case 'E': return Variant();
    case 'N': case 'M': return Variant::Null();
    case 'T': return Variant(true);
    case 'F': return Variant(false);
    case 'I': return Variant(static_cast<long long>(reader.I64()));
    case 'D': return Variant(reader.F64());
    case 'S': {
      const Cardinal size = reader.U32();
      const auto bytes = reader.Bytes(size);
      return Variant(Utf8ToString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
    }
    case 'O': return objectOf(reader.U32());
    case 'A': {
      if (depth >= MaxNesting) reader.Fail();
      const Cardinal count = reader.U32();
      if (count > reader.Remaining()) reader.Fail(count);  // every value takes a byte at least
      std::vector<Variant> items;
      items.reserve(count);
      for (Cardinal i = 0; i < count; ++i) items.push_back(ReadValue(reader, objectOf, depth + 1));
      return Variant::ArrayOf(std::move(items));
    }
    default: reader.Fail();
  }
}

}  // namespace

void AppendUnoText(std::string& out, const String& text) {
  const std::string bytes = StringToUtf8(text);
  AppendU32(out, static_cast<Cardinal>(bytes.size()));
  out += bytes;
}

void AppendUnoValue(std::string& out, const Variant& value, const TUnoObjectNumber& numberOf) {
  if (value.IsEmptyParam()) {
    out += 'M';
    return;
  }
  switch (value.VarType()) {
    case varEmpty: out += 'E'; return;
    case varNull: out += 'N'; return;
    case varBoolean: out += value.AsBoolean() ? 'T' : 'F'; return;
    case varSingle: case varDouble: case varDate: case varCurrency: {
      const double number = value.AsDouble();
      UInt64 bits;
      std::memcpy(&bits, &number, sizeof bits);
      out += 'D';
      AppendU64(out, bits);
      return;
    }
    case varDispatch:
      out += 'O';
      AppendU32(out, numberOf(value));
      return;
    default: break;
  }
  if (const auto* items = value.ArrayItems()) return AppendArray(out, *items, numberOf);
  if (const auto* bytes = value.ByteArray()) {
    TOleArgs items(bytes->begin(), bytes->end());
    return AppendArray(out, items, numberOf);
  }
  if (VarIsNumeric(value)) {
    out += 'I';
    AppendU64(out, static_cast<UInt64>(value.AsInt64()));
    return;
  }
  out += 'S';
  AppendUnoText(out, value.AsString());
}

std::string UnoRequest(char operation, Cardinal object, const String& name, const TOleArgs& args,
                       const TUnoObjectNumber& numberOf) {
  std::string body(1, operation);
  AppendU32(body, object);
  AppendUnoText(body, name);
  AppendArray(body, args, numberOf);
  std::string message;
  AppendU32(message, static_cast<Cardinal>(body.size()));
  return message + body;
}

Variant ReadUnoAnswer(std::span<const Byte> answer, const TUnoObjectOf& objectOf) {
  TByteReader checked(answer, Malformed);
  switch (checked.U8()) {
    case 'K': {
      Variant value = ReadValue(checked, objectOf, 0);
      if (!checked.AtEnd()) checked.Fail();
      return value;
    }
    case 'X': {
      const Cardinal size = checked.U32();
      const auto bytes = checked.Bytes(size);
      throw EOleException(Utf8ToString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
    }
    default: checked.Fail();
  }
}
