#include "export/writers/OfficeArtDrawingGroup.h"

#include <cstdint>

namespace {

// Every OfficeArt record starts with its version (4 bits) and instance
// (12 bits), its type, and the length of what follows.
struct TArtRecord {
  uint16_t Version;
  uint16_t Instance;
  uint16_t Type;
  std::string Body;
};

void PutWord(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void PutLong(std::string& out, uint32_t value) {
  PutWord(out, static_cast<uint16_t>(value & 0xFFFF));
  PutWord(out, static_cast<uint16_t>(value >> 16));
}

std::string Bytes(const TArtRecord& record) {
  std::string out;
  PutWord(out, static_cast<uint16_t>(record.Version | (record.Instance << 4)));
  PutWord(out, record.Type);
  PutLong(out, static_cast<uint32_t>(record.Body.size()));
  return out + record.Body;
}

// A 128-bit identity of a picture's bytes: readers match store entries by
// it, so equal bitmaps get equal identities and different ones different.
std::string PictureIdentity(std::span<const Byte> bytes) {
  std::string id;
  for (uint64_t hash : {0xCBF29CE484222325ull, 0x84222325CBF29CE4ull}) {
    for (Byte b : bytes) hash = (hash ^ b) * 0x100000001B3ull;
    PutLong(id, static_cast<uint32_t>(hash));
    PutLong(id, static_cast<uint32_t>(hash >> 32));
  }
  return id;
}

constexpr uint16_t kBlipDib = 7;         // the store's kind for a device-independent bitmap
constexpr uint16_t kBlipDibInstance = 0x7A8;  // a bitmap record with one identity

// One store entry with its bitmap inside it.
std::string StoreEntry(const TPicture& picture) {
  const std::span<const Byte> dib = picture.Dib();
  const std::string id = PictureIdentity(dib);
  TArtRecord blip{0, kBlipDibInstance, 0xF01F, id};
  blip.Body += static_cast<char>(0xFF);  // tag
  blip.Body.append(reinterpret_cast<const char*>(dib.data()), dib.size());
  const std::string blipBytes = Bytes(blip);

  TArtRecord entry{2, kBlipDib, 0xF007, {}};
  entry.Body += static_cast<char>(kBlipDib);  // the kind on Windows
  entry.Body += static_cast<char>(kBlipDib);  // and on the Mac
  entry.Body += id;
  PutWord(entry.Body, 0x00FF);  // tag
  PutLong(entry.Body, static_cast<uint32_t>(blipBytes.size()));
  PutLong(entry.Body, 1);  // one reference
  PutLong(entry.Body, 0);  // no delay stream: the bitmap follows
  entry.Body += std::string(4, '\0');  // unused, no name, unused, unused
  entry.Body += blipBytes;             // the bitmap lives inside its entry
  return Bytes(entry);
}

}  // namespace

std::string OfficeArtDrawingGroup(const std::vector<TXLSPicture>& pictures) {
  if (pictures.empty()) return {};
  const auto n = static_cast<uint32_t>(pictures.size());

  // Shape identities up to n + 0x401 in two clusters, n + 1 shapes saved in
  // one drawing, whose cluster has n + 1 shapes.
  TArtRecord group{0, 0, 0xF006, {}};
  for (uint32_t value : {n + 0x401, 2u, n + 1, 1u, 1u, n + 1}) PutLong(group.Body, value);

  TArtRecord store{0xF, static_cast<uint16_t>(n), 0xF001, {}};
  for (const TXLSPicture& picture : pictures) store.Body += StoreEntry(picture.FPicture);

  // Default shape options: text fits its shape, fill and line colours from
  // the scheme.
  TArtRecord options{3, 3, 0xF00B, {}};
  for (auto [id, value] : {std::pair<uint16_t, uint32_t>{0x00BF, 0x00080008},
                           {0x0181, 0x08000009},
                           {0x01C0, 0x08000040}}) {
    PutWord(options.Body, id);
    PutLong(options.Body, value);
  }

  TArtRecord colours{0, 4, 0xF11E, {}};
  for (uint32_t value : {0x0800000Du, 0x0800000Cu, 0x08000017u, 0x100000F7u}) PutLong(colours.Body, value);

  TArtRecord container{0xF, 0, 0xF000, Bytes(group) + Bytes(store) + Bytes(options) + Bytes(colours)};
  return Bytes(container);
}
