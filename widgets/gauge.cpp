#include "widgets/gauge.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "widgets/gauge_accessible.h"

namespace kryvet {

namespace {

constexpr long double kPi = 3.14159265358979323846264338327950288L;

// Nearest integer, ties to even (the default rounding mode).
int RoundEven(long double value) {
    return static_cast<int>(std::llrint(value));
}

std::string RangeMessage(std::int64_t low, std::int64_t high) {
    return QString::asprintf("%d から %d の間の値でなければなりません",
                             static_cast<std::int32_t>(low), static_cast<std::int32_t>(high))
        .toStdString();
}

// Angle (1/16 degree, counter-clockwise from three o'clock) at which the
// radial line through `point` meets the ellipse in `box`. Qt measures arcs by
// the ellipse's parameter, not by the radial direction, hence the scaling.
double ArcAngle(const TRect& box, QPointF point) {
    const double a = (box.Right - box.Left) / 2.0;
    const double b = (box.Bottom - box.Top) / 2.0;
    const double dx = point.x() - (box.Left + a);
    const double dy = point.y() - (box.Top + b);
    if (a <= 0 || b <= 0) {
        return 0;
    }
    return std::atan2(-dy / b, dx / a) * 180.0 / M_PI * 16.0;
}

// Pie from the radial through `from` counter-clockwise to the radial through
// `to`; equal ends give the whole ellipse.
void DrawPieShape(QPainter& painter, const TRect& box, QPointF from, QPointF to) {
    const double start = ArcAngle(box, from);
    double span = ArcAngle(box, to) - start;
    while (span <= 0) {
        span += 360 * 16;
    }
    const QRect bounds(box.Left, box.Top, box.Right - box.Left - 1, box.Bottom - box.Top - 1);
    painter.drawPie(bounds, static_cast<int>(std::lround(start)),
                    static_cast<int>(std::lround(span)));
}

}  // namespace

TGauge::TGauge(QWidget* parent) : QWidget(parent) {
    resize(100, 100);
    // Every pixel is painted here, so an immediate repaint needs nothing behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    InstallGaugeAccessibility();
}

void TGauge::SetMinValue(std::int32_t value) {
    if (value == minValue_) {
        return;
    }
    if (value > maxValue_) {
        throw EInvalidOperation(
            RangeMessage(-2147483647, static_cast<std::int64_t>(maxValue_) - 1));
    }
    minValue_ = value;
    if (value > progress_) {
        progress_ = value;
    }
    NotifyGaugeValue(*this);
    RepaintNow();
}

void TGauge::SetMaxValue(std::int32_t value) {
    if (value == maxValue_) {
        return;
    }
    if (value < minValue_) {
        throw EInvalidOperation(RangeMessage(static_cast<std::int64_t>(minValue_) + 1, 2147483647));
    }
    maxValue_ = value;
    if (value < progress_) {
        progress_ = value;
    }
    NotifyGaugeValue(*this);
    RepaintNow();
}

void TGauge::SetProgress(std::int32_t value) {
    const std::int32_t shownBefore = FilledPercent();
    if (value < minValue_) {
        value = minValue_;
    }
    if (value > maxValue_) {
        value = maxValue_;
    }
    if (value == progress_) {
        return;
    }
    progress_ = value;
    NotifyGaugeValue(*this);
    if (FilledPercent() != shownBefore) {
        RepaintNow();
    }
}

void TGauge::SetKind(TGaugeKind value) {
    StoreAndRepaint(kind_, value);
}

void TGauge::SetShowText(bool value) {
    StoreAndRepaint(showText_, value);
}

void TGauge::SetBorderStyle(TBorderStyle value) {
    StoreAndRepaint(borderStyle_, value);
}

void TGauge::SetForeColor(TColor value) {
    StoreAndRepaint(foreColor_, value);
}

void TGauge::SetBackColor(TColor value) {
    StoreAndRepaint(backColor_, value);
}

void TGauge::SetColor(TColor value) {
    color_ = value;
    parentColor_ = false;
    update();
}

void TGauge::SetParentColor(bool value) {
    parentColor_ = value;
    update();
}

QColor TGauge::ControlColor() const {
    if (parentColor_ && parentWidget() != nullptr) {
        return parentWidget()->palette().color(QPalette::Window);
    }
    return ResolveColor(color_);
}

std::int32_t TGauge::FilledPercent() const {
    return kryvet::FilledPercent(progress_, minValue_, maxValue_);
}

void TGauge::RepaintNow() {
    if (isVisible() && parentWidget() != nullptr) {
        repaint();
    }
}

QImage TGauge::RenderFace(qreal devicePixelRatio) const {
    // Composed at the screen's own resolution: a face scaled up afterwards
    // would show its percentage in blocks.
    TBitmap face(width(), height(), devicePixelRatio);
    ClearToBlack(face);
    const GaugeRect drawn = GaugeDrawingRect(width(), height(), borderStyle_ == bsSingle);
    const TRect rect{drawn.Left, drawn.Top, drawn.Right, drawn.Bottom};
    {
        TBltBitmap layer;
        layer.MakeLike(face);
        ClearToBlack(layer);
        switch (kind_) {
            case gkText:
                DrawBlankFace(layer, rect);
                break;
            case gkHorizontalBar:
            case gkVerticalBar:
                DrawBar(layer, rect);
                break;
            case gkPie:
                DrawPie(layer, rect);
                break;
            case gkNeedle:
                DrawNeedle(layer, rect);
                break;
        }
        face.SetCopyMode(RasterOp::SrcInvert);
        face.Draw(0, 0, layer);
        face.SetCopyMode(RasterOp::SrcCopy);
        if (showText_) {
            DrawPercentText(face, rect);
        }
    }
    return face.Image();
}

void TGauge::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    canvas.setCompositionMode(QPainter::CompositionMode_Source);
    // The ratio of what is painted on: the window's backing store at the
    // screen's ratio, or an image the gauge is rendered into.
    const QPaintDevice* target = canvas.paintEngine()->paintDevice();
    canvas.drawImage(QPointF(0, 0), RenderFace(target->devicePixelRatioF()));
}

void TGauge::DrawBar(TBitmap& layer, const TRect& rect) const {
    const GaugeRect drawn{rect.Left, rect.Top, rect.Right, rect.Bottom};
    layer.SetBrushColor(ResolveColor(backColor_));
    layer.FillRect(rect);
    layer.SetBrushColor(ResolveColor(foreColor_));
    const GaugeRect fill = kind_ == gkHorizontalBar ? HorizontalBarFill(drawn, FilledPercent())
                                                    : VerticalBarFill(drawn, FilledPercent());
    if (fill.Right > fill.Left || kind_ != gkHorizontalBar) {
        layer.FillRect(TRect{fill.Left, fill.Top, fill.Right, fill.Bottom});
    }
}

void TGauge::DrawBlankFace(TBitmap& layer, const TRect& rect) const {
    layer.SetBrushColor(ResolveColor(backColor_));
    layer.FillRect(rect);
}

void TGauge::SetUpDialPainter(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(ResolveColor(foreColor_), 1));
    painter.setBrush(ResolveColor(backColor_));
}

TGauge::DialExtent TGauge::ClearDial(TBitmap& layer, const TRect& rect) const {
    const int extra = borderStyle_ == bsSingle ? 1 : 0;
    layer.SetBrushColor(ControlColor());
    layer.FillRect(rect);
    return {rect.Right - rect.Left + extra, rect.Bottom - rect.Top + extra};
}

void TGauge::DrawPie(TBitmap& layer, const TRect& rect) const {
    const auto [w, h] = ClearDial(layer, rect);
    QPainter painter(&layer.Image());
    SetUpDialPainter(painter);
    const TRect box{rect.Left, rect.Top, w, h};
    painter.drawEllipse(
        QRect(box.Left, box.Top, box.Right - box.Left - 1, box.Bottom - box.Top - 1));
    const std::int32_t percent = FilledPercent();
    if (percent >= 1) {
        painter.setBrush(ResolveColor(foreColor_));
        const int mx = w / 2;
        const int my = h / 2;
        const long double a = (percent * 0.02L + 0.5L) * kPi;
        const QPointF from(RoundEven(mx * (1 - std::cos(a))), RoundEven(my * (1 - std::sin(a))));
        DrawPieShape(painter, box, from, QPointF(mx, 0));
    }
}

namespace {

// A line as the classic line-to draws it: every point from the start up to,
// but not including, the end.
void DrawLineWithoutLastPoint(QPainter& painter, QPoint from, QPoint to) {
    const int dx = std::abs(to.x() - from.x());
    const int dy = -std::abs(to.y() - from.y());
    const int sx = from.x() < to.x() ? 1 : -1;
    const int sy = from.y() < to.y() ? 1 : -1;
    int error = dx + dy;
    QPoint p = from;
    while (p != to) {
        painter.drawPoint(p);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p.rx() += sx;
        }
        if (twice <= dx) {
            error += dx;
            p.ry() += sy;
        }
    }
}

}  // namespace

void TGauge::DrawNeedle(TBitmap& layer, const TRect& rect) const {
    const auto [w, h] = ClearDial(layer, rect);
    QPainter painter(&layer.Image());
    SetUpDialPainter(painter);
    const TRect dial{rect.Left, rect.Top, w, 2 * h - 1};
    DrawPieShape(painter, dial, QPointF(rect.Left + w, rect.Bottom - 1),
                 QPointF(rect.Left, rect.Bottom - 1));
    DrawLineWithoutLastPoint(painter, QPoint(rect.Left, rect.Bottom),
                             QPoint(rect.Left + w, rect.Bottom));
    const std::int32_t percent = FilledPercent();
    if (percent >= 1) {
        const int mx = width() / 2;
        const long double a = percent * 0.01L * kPi;
        const int bottom = rect.Bottom - 1;
        DrawLineWithoutLastPoint(
            painter, QPoint(mx, bottom),
            QPoint(RoundEven(mx * (1 - std::cos(a))), RoundEven(bottom * (1 - std::sin(a)))));
    }
}

void TGauge::DrawPercentText(TBitmap& face, const TRect& rect) const {
    TBltBitmap text;
    text.MakeLike(face);
    ClearToBlack(text);
    const QString s = QString::asprintf("%d%%", FilledPercent());

    // The XOR below turns white glyph pixels into the complement of what lies
    // under them; smoothed grey edges would give other colours.
    QFont font = this->font();
    font.setStyleStrategy(QFont::NoAntialias);
    // Whole-pixel advances: the Japanese faces have half-width digits of 6.5
    // pixels at this size, which would make unsmoothed glyphs overlap.
    font.setHintingPreference(QFont::PreferFullHinting);
    const QFontMetrics metrics(font);
    const auto [x, y] = PercentTextOrigin(GaugeRect{rect.Left, rect.Top, rect.Right, rect.Bottom},
                                          metrics.horizontalAdvance(s), metrics.height());
    {
        QPainter painter(&text.Image());
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setClipRect(ToQRect(rect));
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.drawText(QPoint(x, y + metrics.ascent()), s);
    }
    face.SetCopyMode(RasterOp::SrcInvert);
    face.Draw(0, 0, text);
    face.SetCopyMode(RasterOp::SrcCopy);
}

}  // namespace kryvet
