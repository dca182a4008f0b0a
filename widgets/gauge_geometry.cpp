#include "widgets/gauge_geometry.h"

#include <limits>

namespace kryvet {

namespace {

std::int32_t TruncToInt32(long double value) {
    // Spans wider than 32 bits are unspecified; saturate rather than overflow.
    if (!(value > static_cast<long double>(std::numeric_limits<std::int32_t>::min()))) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (!(value < static_cast<long double>(std::numeric_limits<std::int32_t>::max()))) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t Difference32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

}  // namespace

std::int32_t PercentOfSpan(std::int32_t x, std::int32_t z) {
    if (z == 0) {
        return 0;
    }
    return TruncToInt32(static_cast<long double>(x) * 100.0L / static_cast<long double>(z));
}

std::int32_t PixelsForPercent(std::int32_t p, std::int32_t l) {
    const long double share = static_cast<long double>(p) * 0.01L;
    return TruncToInt32(static_cast<long double>(l) * share);
}

std::int32_t FilledPercent(std::int32_t progress, std::int32_t minValue, std::int32_t maxValue) {
    return PercentOfSpan(Difference32(progress, minValue), Difference32(maxValue, minValue));
}

GaugeRect GaugeDrawingRect(int width, int height, bool singleBorder) {
    if (singleBorder) {
        return {1, 1, width - 1, height - 1};
    }
    return {0, 0, width, height};
}

// W and H are one more than the rectangle's sides, and the fill ends at F
// and H themselves rather than at L + F and T + H: that is what the bar has
// always looked like, so it is kept.
GaugeRect HorizontalBarFill(const GaugeRect& rect, std::int32_t percent) {
    const int w = rect.Right - rect.Left + 1;
    const int h = rect.Bottom - rect.Top + 1;
    int f = PixelsForPercent(percent, w);
    if (f > w) {
        f = w;
    }
    if (f <= 0) {
        return {rect.Left, rect.Top, rect.Left, rect.Top};
    }
    return {rect.Left, rect.Top, f, h};
}

GaugeRect VerticalBarFill(const GaugeRect& rect, std::int32_t percent) {
    const int w = rect.Right - rect.Left + 1;
    const int h = rect.Bottom - rect.Top + 1;
    int f = PixelsForPercent(percent, h);
    if (f >= h) {
        f = h - 1;
    }
    return {rect.Left, h - f, w, h};
}

GaugePoint PercentTextOrigin(const GaugeRect& rect, int textWidth, int textHeight) {
    return {(rect.Right - rect.Left + 1 - textWidth) / 2,
            (rect.Bottom - rect.Top + 1 - textHeight) / 2};
}

}  // namespace kryvet
