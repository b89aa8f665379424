// Colours as the forms keep them: 0x00BBGGRR.
#pragma once

#include <QColor>
#include <cstdint>

using TColor = std::uint32_t;

constexpr TColor RGBToColor(unsigned r, unsigned g, unsigned b) { return (b << 16) | (g << 8) | r; }
inline QColor ToQColor(TColor c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
inline TColor FromQColor(const QColor& c) { return RGBToColor(c.red(), c.green(), c.blue()); }

// What a cell's drawing handler may change: the background brush.
struct TBrush {
  TColor Color = 0;
};
struct TcxCanvas {
  TBrush Brush;
};
