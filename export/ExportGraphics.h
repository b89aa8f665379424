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
