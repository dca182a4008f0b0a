#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace kryvet {

// The stored background colour of the pictures: the classic button face.
inline constexpr QRgb kStoredButtonFace = 0xFFC0C0C0;

// The picture with its background (the stored button face) in the given
// colour, so that an opaque picture sits on the form like the original did
// on a form of the classic button face.
QImage OnButtonFace(const QImage& image, const QColor& face);

// The picture for the screen: on a scaled screen (e.g. QT_SCALE_FACTOR=2)
// every pixel becomes a block of device pixels, without smoothing, so the
// drawing stays sharp; its logical size stays the picture's size.
QPixmap CrispPixmap(const QImage& image);

// The picture with every pixel of the lower-left pixel's colour made
// transparent, as button pictures are drawn.
QImage WithLowerLeftTransparent(const QImage& image);

}  // namespace kryvet
