#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <exception>
#include <string>

#include "widgets/gauge_geometry.h"
#include "widgets/raster_bitmap.h"
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

    // Draws the face, exactly as it reaches the screen, onto an image of the
    // gauge's size at the screen's device pixel ratio: the one way in for
    // anything that wants its pixels.
    QImage RenderFace(qreal devicePixelRatio = 1) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The figures, drawn on a layer within the drawing rectangle.
    void DrawBar(TBitmap& layer, const TRect& rect) const;
    void DrawBlankFace(TBitmap& layer, const TRect& rect) const;
    // The pen and brush the dial figures draw with.
    void SetUpDialPainter(QPainter& painter) const;
    // Clears a dial figure's area to the control's colour and gives the
    // figure's width and height, which reach over a single border.
    struct DialExtent {
        int w;
        int h;
    };
    DialExtent ClearDial(TBitmap& layer, const TRect& rect) const;
    void DrawPie(TBitmap& layer, const TRect& rect) const;
    void DrawNeedle(TBitmap& layer, const TRect& rect) const;
    // XORs the whole percentage in white glyphs onto the finished face.
    void DrawPercentText(TBitmap& face, const TRect& rect) const;

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
};

}  // namespace kryvet
