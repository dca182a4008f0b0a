#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <exception>
#include <string>

#include "widgets/tcolor.h"

class QPainter;

namespace kryvet {

// Raised when a range limit would cross the other one; nothing has changed then.
class EInvalidOperation : public std::exception {
public:
    explicit EInvalidOperation(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    QString Message() const { return QString::fromStdString(message_); }

private:
    std::string message_;
};

enum TGaugeKind : std::uint8_t {
    gkText = 0,
    gkHorizontalBar = 1,
    gkVerticalBar = 2,
    gkPie = 3,
    gkNeedle = 4,
};

enum TBorderStyle : std::uint8_t { bsNone = 0, bsSingle = 1 };

// X × 100 / Z truncated toward zero, 0 for an empty span. Computed in 80-bit
// extended precision like the figures it feeds.
std::int32_t PercentOfSpan(std::int32_t x, std::int32_t z);

// Pixels of length L that P percent covers: L × (P × 0.01) in 80-bit extended
// precision, truncated. 0.01 is not exact there, so e.g. 5 % of 100 gives 4;
// the bar's width depends on exactly this.
std::int32_t PixelsForPercent(std::int32_t p, std::int32_t l);

// A rectangle as the drawing surface takes it: left and top included, right
// and bottom excluded.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

// The raster operations the gauge composes with, by their classic codes.
enum class RasterOp : std::uint32_t {
    Blackness = 0x00000042,
    SrcCopy = 0x00CC0020,
    SrcInvert = 0x00660046,  // source XOR destination
};

// An off-screen bitmap (32-bit RGB, so that XOR gives the complement colour)
// with the surface state the gauge relies on: a brush colour and the raster
// operation used when another bitmap is drawn onto it.
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
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

private:
    void Resize(int width, int height);

    // The sides are kept apart from the image: a bitmap is sized one side at
    // a time and must not forget the first while the other is still 0.
    int width_ = 0;
    int height_ = 0;
    QImage image_{0, 0, QImage::Format_RGB32};
    RasterOp copyMode_ = RasterOp::SrcCopy;
    QColor brushColor_{255, 255, 255};
};

// A layer bitmap that takes the size of a template.
class TBltBitmap : public TBitmap {
public:
    void MakeLike(const TBitmap& pattern);
};

// Blackens the whole bitmap by a blackness transfer onto itself and leaves
// its copy mode at source copy.
void ClearToBlack(TBitmap& bitmap);

// Progress gauge: a figure for a value within a range with the whole
// percentage printed over it. Setters repaint at once, and only when the
// shown percentage changes, because callers update it from tight loops that
// never return to the event loop.
class TGauge : public QWidget {
    Q_OBJECT
public:
    explicit TGauge(QWidget* parent = nullptr);

    std::int32_t MinValue() const { return minValue_; }
    std::int32_t MaxValue() const { return maxValue_; }
    std::int32_t Progress() const { return progress_; }
    TGaugeKind Kind() const { return kind_; }
    bool ShowText() const { return showText_; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    TColor ForeColor() const { return foreColor_; }
    TColor BackColor() const { return backColor_; }
    TColor Color() const { return color_; }
    bool ParentColor() const { return parentColor_; }

    void SetMinValue(std::int32_t value);
    void SetMaxValue(std::int32_t value);
    void SetProgress(std::int32_t value);
    void SetKind(TGaugeKind value);
    void SetShowText(bool value);
    void SetBorderStyle(TBorderStyle value);
    void SetForeColor(TColor value);
    void SetBackColor(TColor value);
    // The control's own colour, used behind the pie and the needle.
    void SetColor(TColor value);
    void SetParentColor(bool value);

    std::int32_t FilledPercent() const;

    // The finished face as it reaches the screen, for any surface.
    QImage RenderFace() const;
    // Draws the face onto a surface whose origin is the gauge's top-left.
    void Paint(QPainter& canvas);

    // The figures, drawn on a layer within the drawing rectangle.
    void DrawBar(TBitmap& layer, const TRect& rect) const;
    void DrawBlankFace(TBitmap& layer, const TRect& rect) const;
    // The pen and brush the dial figures draw with.
    void SetUpDialPainter(QPainter& painter) const;
    void DrawPie(TBitmap& layer, const TRect& rect) const;
    void DrawNeedle(TBitmap& layer, const TRect& rect) const;
    void DrawPercentText(TBitmap& face, const TRect& rect) const;

    // How often the gauge has painted itself onto the screen.
    int PaintCount() const { return paintCount_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void RepaintNow();
    // The rule of the drawing setters: store a new value and show it at once.
    template <typename T>
    void StoreAndRepaint(T& field, T value) {
        if (value != field) {
            field = value;
            RepaintNow();
        }
    }
    QColor ControlColor() const;

    std::int32_t minValue_ = 0;
    std::int32_t maxValue_ = 100;
    std::int32_t progress_ = 0;
    TGaugeKind kind_ = gkHorizontalBar;
    bool showText_ = true;
    TBorderStyle borderStyle_ = bsSingle;
    TColor foreColor_ = clBlack;
    TColor backColor_ = clWhite;
    TColor color_ = clWindow;
    bool parentColor_ = true;
    int paintCount_ = 0;
};

}  // namespace kryvet
