#include "platform/rtl/Picture.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr Cardinal kInfoHeaderSize = 40;
constexpr Cardinal kBiRgb = 0;
constexpr Cardinal kBiBitFields = 3;
// Far above any picture a table cell holds; keeps sizes computed from a
// header within range before they are checked against the data.
constexpr UInt64 kMaxPixels = UInt64{1} << 28;

[[noreturn]] void InvalidBitmap(const char* why) {
  throw EInvalidGraphic(u"Bitmap image is not valid: " + StrFromAscii(why));
}

[[noreturn]] void RaiseBitmapRead(const TByteReader& reader, size_t wanted) {
  (void)wanted;
  throw EInvalidGraphic(u"Bitmap image is not valid: it ends at byte " + IntToStr(static_cast<Int64>(reader.Size())));
}

void PutU16(std::vector<Byte>& out, size_t at, Word v) {
  out[at] = static_cast<Byte>(v);
  out[at + 1] = static_cast<Byte>(v >> 8);
}
void PutU32(std::vector<Byte>& out, size_t at, Cardinal v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<Byte>(v >> (8 * i));
}
Cardinal GetU32(std::span<const Byte> in, size_t at) {
  return Cardinal{in[at]} | Cardinal{in[at + 1]} << 8 | Cardinal{in[at + 2]} << 16 | Cardinal{in[at + 3]} << 24;
}

size_t Stride(Integer width, Word bitCount) { return ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4; }

// A 40-byte info header of a bottom-up DIB.
std::vector<Byte> InfoHeader(Integer width, Integer height, Word bitCount, Cardinal compression, Cardinal colors,
                             size_t imageSize) {
  std::vector<Byte> h(kInfoHeaderSize, 0);
  PutU32(h, 0, kInfoHeaderSize);
  PutU32(h, 4, static_cast<Cardinal>(width));
  PutU32(h, 8, static_cast<Cardinal>(height));
  PutU16(h, 12, 1);
  PutU16(h, 14, bitCount);
  PutU32(h, 16, compression);
  PutU32(h, 20, static_cast<Cardinal>(imageSize));
  PutU32(h, 24, 3780);  // 96 pixels per inch
  PutU32(h, 28, 3780);
  PutU32(h, 32, colors);
  return h;
}

// Strips the graphic header that Paradox tables put before a bitmap: a
// count of 1, the type 0x0100 and the size of what follows.
std::span<const Byte> WithoutGraphicHeader(std::span<const Byte> bytes) {
  if (bytes.size() >= 8 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 1 &&
      GetU32(bytes, 4) <= bytes.size() - 8)
    return bytes.subspan(8);
  return bytes;
}

bool IsInfoHeaderSize(Cardinal size) {
  return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

}  // namespace

TGraphicKind DetectGraphicKind(std::span<const Byte> bytes) {
  bytes = WithoutGraphicHeader(bytes);
  auto starts = [&](std::initializer_list<Byte> sig) {
    return bytes.size() >= sig.size() && std::equal(sig.begin(), sig.end(), bytes.begin());
  };
  if (starts({'B', 'M'})) return TGraphicKind::gkBitmap;
  if (starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return TGraphicKind::gkPng;
  if (starts({0xFF, 0xD8, 0xFF})) return TGraphicKind::gkJpeg;
  if (starts({'G', 'I', 'F', '8'})) return TGraphicKind::gkGif;
  if (starts({0xD7, 0xCD, 0xC6, 0x9A})) return TGraphicKind::gkMetafile;
  if (bytes.size() >= 44 && GetU32(bytes, 0) == 1 && bytes[40] == ' ' && bytes[41] == 'E' && bytes[42] == 'M' &&
      bytes[43] == 'F')
    return TGraphicKind::gkEnhMetafile;
  if (starts({0, 0, 1, 0})) return TGraphicKind::gkIcon;
  if (bytes.size() >= 4 && IsInfoHeaderSize(GetU32(bytes, 0))) return TGraphicKind::gkBitmap;
  return TGraphicKind::gkUnknown;
}

String GraphicFileExtension(TGraphicKind kind) {
  switch (kind) {
    case TGraphicKind::gkEnhMetafile: return u".emf";
    case TGraphicKind::gkMetafile: return u".wmf";
    case TGraphicKind::gkIcon: return u".ico";
    default: return u".bmp";
  }
}

TPicture TPicture::FromBytes(std::span<const Byte> bytes) {
  const TGraphicKind kind = DetectGraphicKind(bytes);
  switch (kind) {
    case TGraphicKind::gkBitmap: break;
    case TGraphicKind::gkPng: throw EInvalidGraphic(u"PNG pictures are not supported; store the picture as a bitmap (BMP)");
    case TGraphicKind::gkJpeg:
      throw EInvalidGraphic(u"JPEG pictures are not supported; store the picture as a bitmap (BMP)");
    case TGraphicKind::gkUnknown:
      throw EInvalidGraphic(bytes.empty() ? u"The picture is empty" : u"Unknown picture format");
    default: throw EInvalidGraphic(u"Only bitmap (BMP) pictures are supported");
  }
  bytes = WithoutGraphicHeader(bytes);
  TByteReader r(bytes, RaiseBitmapRead);
  Cardinal bitsOffset = 0;  // from the start of `bytes`; 0: right after the colour table
  if (bytes[0] == 'B' && bytes[1] == 'M') {
    r.Skip(10);
    bitsOffset = r.U32();
  }
  const UInt64 headerStart = r.Position();
  const Cardinal headerSize = r.U32();
  if (!IsInfoHeaderSize(headerSize)) InvalidBitmap("unknown header size");
  Integer width = 0, height = 0;
  Word planes = 0, bitCount = 0;
  Cardinal compression = kBiRgb, colorsUsed = 0;
  if (headerSize == 12) {
    width = r.U16();
    height = r.I16();
    planes = r.U16();
    bitCount = r.U16();
  } else {
    width = r.I32();
    height = r.I32();
    planes = r.U16();
    bitCount = r.U16();
    compression = r.U32();
    r.Skip(12);  // image size, resolution
    colorsUsed = r.U32();
  }
  r.Seek(headerStart + headerSize);
  if (planes != 1) InvalidBitmap("planes is not 1");
  if (width <= 0 || height == 0 || height == INT32_MIN) InvalidBitmap("bad size");
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (static_cast<UInt64>(width) * static_cast<UInt64>(height) > kMaxPixels) InvalidBitmap("too large");
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
    InvalidBitmap("unsupported bit count");
  if (compression == kBiBitFields ? (bitCount != 16 && bitCount != 32) : compression != kBiRgb)
    InvalidBitmap("compressed bitmaps are not supported");

  TPicture p;
  p.FWidth = width;
  p.FHeight = height;
  p.FBitCount = bitCount;
  // Colour masks (bit fields) and the colour table, as RGBQUADs.
  std::vector<Byte> table;
  if (compression == kBiBitFields) {
    if (headerSize == kInfoHeaderSize) {
      auto masks = r.Bytes(12);
      table.assign(masks.begin(), masks.end());
    } else {  // the masks are inside the larger header
      table.resize(12);
      std::memcpy(table.data(), bytes.data() + headerStart + 40, 12);
    }
  } else if (bitCount <= 8) {
    const Cardinal maxColors = 1u << bitCount;
    const size_t entrySize = headerSize == 12 ? 3 : 4;
    Cardinal colors = colorsUsed == 0 || colorsUsed > maxColors ? maxColors : colorsUsed;
    // Without a count (always so in the oldest header) a file's bits offset
    // tells how many entries the table holds.
    if (colorsUsed == 0 && bitsOffset > r.Position())
      colors = static_cast<Cardinal>(std::min<UInt64>(colors, (bitsOffset - r.Position()) / entrySize));
    table.resize(size_t{colors} * 4, 0);
    for (Cardinal i = 0; i < colors; ++i) {
      auto entry = r.Bytes(entrySize);
      std::memcpy(&table[i * 4], entry.data(), 3);
    }
    // A count of 0 in the header means a full table, so a file that holds no
    // entries is kept with a full table of black: what its pixels show, and
    // a header that reads back the same.
    if (colors == 0) {
      colors = maxColors;
      table.assign(size_t{colors} * 4, 0);
    }
    colorsUsed = colors;
  }
  if (bitsOffset != 0) r.Seek(bitsOffset);
  const size_t stride = Stride(width, bitCount);
  const size_t imageSize = stride * static_cast<size_t>(height);
  auto bits = r.Bytes(imageSize);

  p.FDib = InfoHeader(width, height, bitCount, compression, bitCount <= 8 ? colorsUsed : 0, imageSize);
  p.FDib.insert(p.FDib.end(), table.begin(), table.end());
  const size_t bitsAt = p.FDib.size();
  p.FDib.resize(bitsAt + imageSize);
  if (!topDown) {
    std::memcpy(p.FDib.data() + bitsAt, bits.data(), imageSize);
  } else {
    for (Integer y = 0; y < height; ++y)
      std::memcpy(p.FDib.data() + bitsAt + static_cast<size_t>(height - 1 - y) * stride,
                  bits.data() + static_cast<size_t>(y) * stride, stride);
  }
  return p;
}

TPicture TPicture::FromPixels(Integer width, Integer height, std::span<const Cardinal> rgb) {
  if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
    throw EInvalidGraphic(u"Bitmap image is not valid: the pixels do not match the size");
  TPicture p;
  p.FWidth = width;
  p.FHeight = height;
  p.FBitCount = 24;
  const size_t stride = Stride(width, 24);
  p.FDib = InfoHeader(width, height, 24, kBiRgb, 0, stride * static_cast<size_t>(height));
  const size_t bitsAt = p.FDib.size();
  p.FDib.resize(bitsAt + stride * static_cast<size_t>(height), 0);
  for (Integer y = 0; y < height; ++y) {
    Byte* row = p.FDib.data() + bitsAt + static_cast<size_t>(height - 1 - y) * stride;
    for (Integer x = 0; x < width; ++x) {
      const Cardinal c = rgb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
      row[x * 3] = static_cast<Byte>(c);
      row[x * 3 + 1] = static_cast<Byte>(c >> 8);
      row[x * 3 + 2] = static_cast<Byte>(c >> 16);
    }
  }
  return p;
}

std::vector<Byte> TPicture::BmpFile() const {
  std::vector<Byte> out(14 + FDib.size(), 0);
  out[0] = 'B';
  out[1] = 'M';
  PutU32(out, 2, static_cast<Cardinal>(14 + FDib.size()));
  const size_t imageSize = Stride(FWidth, FBitCount) * static_cast<size_t>(FHeight);
  PutU32(out, 10, static_cast<Cardinal>(14 + FDib.size() - imageSize));
  if (!FDib.empty()) std::memcpy(out.data() + 14, FDib.data(), FDib.size());
  return out;
}

void TPicture::SaveToStream(TStream& stream) const {
  const std::vector<Byte> file = BmpFile();
  stream.WriteBuffer(file.data(), static_cast<Int64>(file.size()));
}

void TPicture::SaveToFile(const String& fileName) const {
  TSafeFileWriter writer(fileName);
  SaveToStream(writer.Stream());
  writer.Commit();
}

std::vector<Byte> TPicture::Rgb24() const {
  std::vector<Byte> out(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight) * 3);
  if (FDib.empty()) return out;
  const std::span<const Byte> dib(FDib);
  const Cardinal compression = GetU32(dib, 16);
  const size_t stride = Stride(FWidth, FBitCount);
  const size_t tableSize = FDib.size() - kInfoHeaderSize - stride * static_cast<size_t>(FHeight);
  const Byte* table = FDib.data() + kInfoHeaderSize;
  const Byte* bits = table + tableSize;
  // Bit-field masks: default 5-5-5 for 16 bits, 8-8-8 for 32.
  Cardinal masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (FBitCount == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  if (compression == kBiBitFields)
    for (int i = 0; i < 3; ++i) masks[i] = GetU32(dib, kInfoHeaderSize + 4 * i);
  auto channel = [](Cardinal v, Cardinal mask) -> Byte {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const Cardinal m = mask >> shift;
    return static_cast<Byte>(((v >> shift) & m) * 255 / m);
  };
  const size_t colors = FBitCount <= 8 ? tableSize / 4 : 0;
  for (Integer y = 0; y < FHeight; ++y) {
    const Byte* row = bits + static_cast<size_t>(FHeight - 1 - y) * stride;
    Byte* o = out.data() + static_cast<size_t>(y) * static_cast<size_t>(FWidth) * 3;
    for (Integer x = 0; x < FWidth; ++x, o += 3) {
      if (FBitCount <= 8) {
        const size_t bit = static_cast<size_t>(x) * FBitCount;
        const size_t index = (row[bit / 8] >> (8 - FBitCount - bit % 8)) & ((1u << FBitCount) - 1);
        if (index < colors) {
          o[0] = table[index * 4 + 2];
          o[1] = table[index * 4 + 1];
          o[2] = table[index * 4];
        } else {
          o[0] = o[1] = o[2] = 0;
        }
      } else if (FBitCount == 24) {
        o[0] = row[x * 3 + 2];
        o[1] = row[x * 3 + 1];
        o[2] = row[x * 3];
      } else {
        const Byte* px = row + static_cast<size_t>(x) * (FBitCount / 8);
        const Cardinal v = FBitCount == 16 ? Cardinal{px[0]} | Cardinal{px[1]} << 8 : GetU32({px, 4}, 0);
        for (int i = 0; i < 3; ++i) o[i] = channel(v, masks[i]);
      }
    }
  }
  return out;
}
