#pragma once

#include <QColor>
#include <cstdint>

namespace kryvet {

// Colours as the forms store them: 0x00BBGGRR for a colour given by its parts,
// or 0x80000000 plus a system colour index.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowFrame = 0x80000006;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clBtnFace = 0x8000000F;

// RGB of a stored colour; system colours come from the application palette,
// except the window frame, which is black as on the classic desktop.
QColor ResolveColor(TColor color);

}  // namespace kryvet
