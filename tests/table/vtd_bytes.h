// Writes VTD bytes field by field as the format defines them, so that a test
// states a file's layout without going through the writer under test.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"

class VtdBytes {
 public:
  explicit VtdBytes(int version) : FVersion(version) { U16(version); }
  VtdBytes& U16(unsigned v) { return Raw(&v, 2); }
  VtdBytes& I32(int v) { return Raw(&v, 4); }
  VtdBytes& Text(const std::string& s) { return Raw(s.data(), s.size()); }
  VtdBytes& Name(const std::string& s) { return U16(static_cast<unsigned>(s.size())).Text(s); }
  // A definition: the precision only from version 3 on.
  VtdBytes& Def(const std::string& name, int type, int size, int precision = 0) {
    Name(name).U16(type).U16(size);
    return FVersion >= 3 ? I32(precision) : *this;
  }
  // The stored-fields section exists from version 1 on.
  VtdBytes& NoStoredFields() { return FVersion >= 1 ? U16(0) : *this; }
  // A value length: 16 bits before version 2, 32 after.
  VtdBytes& Len(unsigned n) { return FVersion >= 2 ? Raw(&n, 4) : U16(n); }
  VtdBytes& Value(const std::string& bytes) { return Len(static_cast<unsigned>(bytes.size())).Text(bytes); }
  VtdBytes& Null() { return Len(0); }
  VtdBytes& Raw(const void* p, size_t n) {
    const auto* b = static_cast<const Byte*>(p);
    for (size_t i = 0; i < n; ++i) FBytes.push_back(b[i]);
    return *this;
  }
  const std::vector<Byte>& Bytes() const { return FBytes; }
  // A memory stream holding the bytes, at position 0.
  void Into(TMemoryStream& stream) const {
    stream.Clear();
    stream.WriteBuffer(FBytes.data(), static_cast<Int64>(FBytes.size()));
    stream.SetPosition(0);
  }

 private:
  int FVersion;
  std::vector<Byte> FBytes;
};

template <typename T>
std::string LE(T value) {
  std::string s(sizeof value, '\0');
  std::memcpy(s.data(), &value, sizeof value);
  return s;
}
