// The picture of a graphic field, as the writers that show pictures (HTML,
// RTF, XLS, XLSX, PDF) need it: its size, its device-independent bitmap, its
// pixels and a BMP file of it. Graphic fields hold BMP files, optionally
// behind the 8-byte graphic header of Paradox tables, or a bare DIB.
//
// Only bitmaps are decoded: PNG and JPEG are recognised and refused with a
// clear EInvalidGraphic, since decoding them would need an image library
// that the layers below the GUI do not link.
#pragma once

#include <span>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

class TStream;

RTL_DECLARE_EXCEPTION(EInvalidGraphic, Exception)

// What the first bytes of a graphic field's value hold.
enum class TGraphicKind { gkUnknown, gkBitmap, gkPng, gkJpeg, gkGif, gkMetafile, gkEnhMetafile, gkIcon };

TGraphicKind DetectGraphicKind(std::span<const Byte> bytes);
// The default extension of a picture file of that kind (".bmp" for bitmaps
// and anything unknown), with its dot.
String GraphicFileExtension(TGraphicKind kind);

class TPicture {
 public:
  TPicture() = default;

  // Reads a graphic field's value. Raises EInvalidGraphic for an empty
  // value, a malformed bitmap, or a picture of a kind that is not decoded.
  static TPicture FromBytes(std::span<const Byte> bytes);
  static TPicture FromBytes(const AnsiString& bytes) {
    return FromBytes({reinterpret_cast<const Byte*>(bytes.data()), bytes.size()});
  }
  // A 24-bit picture of width x height pixels given top row first as
  // 0x00RRGGBB values (for tests and for writers that draw).
  static TPicture FromPixels(Integer width, Integer height, std::span<const Cardinal> rgb);

  bool Empty() const { return FWidth == 0; }
  Integer Width() const { return FWidth; }
  Integer Height() const { return FHeight; }
  Word BitCount() const { return FBitCount; }

  // The device-independent bitmap: its header, colour table, then its bits.
  std::span<const Byte> Dib() const { return FDib; }
  // The BMP file: the 14-byte file header, then the DIB.
  std::vector<Byte> BmpFile() const;
  void SaveToStream(TStream& stream) const;
  // Writes the BMP file through a temporary file renamed over the target.
  void SaveToFile(const String& fileName) const;

  // Every pixel as 8-bit red, green, blue, top row first (3 x width x height
  // bytes), for formats that embed raw samples.
  std::vector<Byte> Rgb24() const;

 private:
  Integer FWidth = 0;
  Integer FHeight = 0;
  Word FBitCount = 0;
  std::vector<Byte> FDib;
};
