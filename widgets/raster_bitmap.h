#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdint>

namespace kryvet {

// A rectangle as the drawing surface takes it: left and top included, right
// and bottom excluded.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

QRect ToQRect(const TRect& r);

// The raster operations the gauge composes with, by their classic codes.
enum class RasterOp : std::uint32_t {
    Blackness = 0x00000042,
    SrcCopy = 0x00CC0020,
    SrcInvert = 0x00660046,  // source XOR destination
};

// An off-screen bitmap (32-bit RGB, so that XOR gives the complement colour)
// with the surface state the gauge relies on: a brush colour and the raster
// operation used when another bitmap is drawn onto it. Sizes and rectangles
// are in the screen's logical pixels; the image holds a device pixel ratio
// times as many, so that what is painted on it is as sharp as the screen.
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height, qreal devicePixelRatio = 1);

    int Width() const { return width_; }
    int Height() const { return height_; }
    qreal DevicePixelRatio() const { return devicePixelRatio_; }
    void SetWidth(int width);
    void SetHeight(int height);

    QImage& Image() { return image_; }
    const QImage& Image() const { return image_; }

    RasterOp CopyMode() const { return copyMode_; }
    void SetCopyMode(RasterOp mode) { copyMode_ = mode; }
    QColor BrushColor() const { return brushColor_; }
    void SetBrushColor(const QColor& color) { brushColor_ = color; }

    // Fills with the brush colour, clipped to the bitmap.
    void FillRect(const TRect& rect);
    // Transfers source's rectangle src to dest (same size) with CopyMode.
    void CopyRect(const TRect& dest, const TBitmap& source, const TRect& src);
    // Draws the whole source at (x, y) with CopyMode.
    void Draw(int x, int y, const TBitmap& source);

protected:
    void Resize(int width, int height, qreal devicePixelRatio);

private:
    // A logical rectangle's device pixels, clipped to the image.
    QRect DeviceRect(const TRect& rect) const;

    // The sides are kept apart from the image: a bitmap is sized one side at
    // a time and must not forget the first while the other is still 0.
    int width_ = 0;
    int height_ = 0;
    qreal devicePixelRatio_ = 1;
    QImage image_{0, 0, QImage::Format_RGB32};
    RasterOp copyMode_ = RasterOp::SrcCopy;
    QColor brushColor_{255, 255, 255};
};

// A layer bitmap that takes the size (and pixel ratio) of a template.
class TBltBitmap : public TBitmap {
public:
    void MakeLike(const TBitmap& pattern);
};

// Blackens the whole bitmap by a blackness transfer onto itself and leaves
// its copy mode at source copy.
void ClearToBlack(TBitmap& bitmap);

}  // namespace kryvet
