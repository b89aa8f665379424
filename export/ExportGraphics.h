// Colours and fonts of exported cells, as plain values: the writers that
// draw (HTML, RTF, XLS, PDF) read them, nothing here paints.
#pragma once

#include "platform/rtl/Types.h"

// 0x00BBGGRR for a colour, 0xFF0000nn for the system colour number nn.
using TColor = Cardinal;

inline constexpr TColor clBlack = 0x00000000;
inline constexpr TColor clSilver = 0x00C0C0C0;
inline constexpr TColor clWhite = 0x00FFFFFF;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor cl3DLight = 0xFF000016;

enum TFontStyle : Byte { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = Byte;
constexpr TFontStyles FontStyleBit(TFontStyle style) { return static_cast<TFontStyles>(1u << style); }

// A cell font. A new one is the platform's default control font.
struct TFont {
  String Name = u"Tahoma";
  Integer Size = 8;
  TColor Color = clWindowText;
  TFontStyles Style = 0;
  Byte Charset = 1;  // the default character set

  bool operator==(const TFont&) const = default;
};

// The 0x00BBGGRR value of a colour; a system colour takes the value of the
// platform's default scheme (window white, window text black, 3-D light and
// button face light greys; any other system colour black).
constexpr TColor ColorToRGB(TColor color) {
  if ((color & 0xFF000000) == 0) return color;
  switch (color & 0xFF) {
    case 5: return 0x00FFFFFF;   // window
    case 15: return 0x00F0F0F0;  // button face
    case 22: return 0x00E3E3E3;  // 3-D light
    default: return 0x00000000;
  }
}
