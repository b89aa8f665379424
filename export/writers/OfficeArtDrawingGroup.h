// The drawing group a worksheet file carries for its pictures: an OfficeArt
// container with the drawing-group block, a picture store holding each
// picture as a device-independent bitmap, the default shape options and the
// split-menu colours. Built as bytes; the caller wraps them in its records.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/Picture.h"

// A picture of a graphic cell, kept for the drawing group; its size is the
// byte count of the value it was read from.
struct TXLSPicture {
  TPicture FPicture;
  Integer FSize = 0;
};

// The OfficeArt bytes of a drawing group with these pictures (none: empty).
std::string OfficeArtDrawingGroup(const std::vector<TXLSPicture>& pictures);
