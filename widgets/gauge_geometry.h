#pragma once

#include <cstdint>

// The gauge's arithmetic and the places of its parts, free of any toolkit,
// so that every front end's gauge draws the same pixels.
namespace kryvet {

// X × 100 / Z truncated toward zero, 0 for an empty span. Computed in 80-bit
// extended precision like the figures it feeds.
std::int32_t PercentOfSpan(std::int32_t x, std::int32_t z);

// Pixels of length L that P percent covers: L × (P × 0.01) in 80-bit extended
// precision, truncated. 0.01 is not exact there, so e.g. 5 % of 100 gives 4;
// the bar's width depends on exactly this.
std::int32_t PixelsForPercent(std::int32_t p, std::int32_t l);

// The whole percentage a value shows within its range, taken from the
// 32-bit wrap-around differences.
std::int32_t FilledPercent(std::int32_t progress, std::int32_t minValue, std::int32_t maxValue);

// Edges as the classic rectangles give them: Right and Bottom lie outside.
struct GaugeRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

// Where the figures are drawn: inside a single border, or the whole control.
GaugeRect GaugeDrawingRect(int width, int height, bool singleBorder);

// The filled part of a horizontal or vertical bar at that percentage within
// the drawing rectangle; Right or Bottom not beyond Left or Top: nothing.
GaugeRect HorizontalBarFill(const GaugeRect& rect, std::int32_t percent);
GaugeRect VerticalBarFill(const GaugeRect& rect, std::int32_t percent);

// The top-left corner of the percentage text of that extent, centred.
struct GaugePoint {
    int x = 0;
    int y = 0;
};
GaugePoint PercentTextOrigin(const GaugeRect& rect, int textWidth, int textHeight);

}  // namespace kryvet
