#pragma once

#include <QColor>

class QPushButton;

namespace kryvet {

// Contrast of two colours as the web's accessibility rules measure it, from
// 1 (the same) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// The least contrast at which ordinary text reads.
inline constexpr double kReadableContrast = 4.5;

// Gives the button's enabled text `preferred` while that reads on the
// button's face, and otherwise the palette's own text colour (or black or
// white, whichever reads better), again whenever the palette changes.
void KeepButtonTextReadable(QPushButton& button, const QColor& preferred);

}  // namespace kryvet
