#pragma once

#include <QImage>

// Opaque colours as the 32-bit RGB images of the gauge hold them, and a
// pixel read that ignores the unused alpha byte.
namespace kryvet::test_pixels {

inline constexpr QRgb kBlue = 0xFF0000FF;
inline constexpr QRgb kWhite = 0xFFFFFFFF;
inline constexpr QRgb kBlack = 0xFF000000;
inline constexpr QRgb kYellow = 0xFFFFFF00;

inline QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xFF000000;
}

}  // namespace kryvet::test_pixels
