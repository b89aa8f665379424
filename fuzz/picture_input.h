// One fuzz input: the bytes are a graphic field's value. A clear error
// (EInvalidGraphic) is a correct outcome; anything else escapes and counts as
// a fault. A picture that loads is saved as a BMP file and loaded again: it
// must give the same pixels. The fuzz target and the corpus replay test share
// this path.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/rtl/Picture.h"

// "" when the input is handled soundly, else what went wrong.
inline std::string CheckPictureInput(std::string_view data) {
  TPicture picture;
  try {
    picture = TPicture::FromBytes(AnsiString(data));
  } catch (const EInvalidGraphic&) {
    return "";
  }
  const std::vector<Byte> pixels = picture.Rgb24();
  if (pixels.size() != static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height()) * 3)
    return "the pixels do not match the size";
  const TPicture again = TPicture::FromBytes(std::span<const Byte>(picture.BmpFile()));
  if (again.Width() != picture.Width() || again.Height() != picture.Height()) return "a saved picture changes size";
  return again.Rgb24() == pixels ? "" : "a saved picture changes its pixels";
}
