// Pixels of the gauge's face.
#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>
#include <set>
#include <vector>

#include "tests/widgets/pixels.h"
#include "widgets/gauge.h"

namespace kryvet {
namespace {

using namespace test_pixels;

// The main window's gauge: 273 × 28, no border, blue on white.
void SetUpAsMainWindowGauge(TGauge& gauge) {
    gauge.resize(273, 28);
    gauge.SetBorderStyle(bsNone);
    gauge.SetForeColor(clBlue);
}

// Glyph pixels of the percentage text alone: a text-only twin of the gauge
// with a black face, where the XOR leaves exactly the white glyphs.
QImage TextMask(const TGauge& gauge, qreal devicePixelRatio = 1) {
    TGauge twin;
    twin.resize(gauge.size());
    twin.setFont(gauge.font());
    twin.SetBorderStyle(gauge.BorderStyle());
    twin.SetMaxValue(gauge.MaxValue());
    twin.SetMinValue(gauge.MinValue());
    twin.SetProgress(gauge.Progress());
    twin.SetKind(gkText);
    twin.SetBackColor(clBlack);
    return twin.RenderFace(devicePixelRatio);
}

QRect GlyphBounds(const QImage& mask) {
    return QRegion(QBitmap::fromImage(mask.createMaskFromColor(kWhite, Qt::MaskOutColor)))
        .boundingRect();
}

// Every pixel at every device pixel ratio: the bar's split at the column the
// ratio puts it, glyphs that are pure white before the XOR, yellow over blue
// and black over white after it.
TEST(GaugeFace, MainWindowBarAndTextColours) {
    for (qreal ratio : {1.0, 1.25, 1.5, 2.0, 3.0}) {
        for (int percent : {0, 50, 100}) {
            TGauge gauge;
            SetUpAsMainWindowGauge(gauge);
            gauge.SetProgress(percent);
            const QImage face = gauge.RenderFace(ratio);
            const QImage mask = TextMask(gauge, ratio);
            const QSize device(std::ceil(273 * ratio - 1e-6), std::ceil(28 * ratio - 1e-6));
            ASSERT_EQ(face.size(), device) << ratio;
            ASSERT_EQ(face.deviceIndependentSize(), QSizeF(device) / ratio);
            const int logicalFill = percent * 274 / 100;
            const int filled =
                logicalFill >= 273 ? device.width() : std::lround(logicalFill * ratio);
            int glyphPixels = 0;
            std::set<QRgb> textColours;
            for (int y = 0; y < device.height(); ++y) {
                for (int x = 0; x < device.width(); ++x) {
                    const QRgb m = At(mask, x, y);
                    ASSERT_TRUE(m == kWhite || m == kBlack)
                        << "grey glyph pixel at " << x << "," << y << " at " << ratio;
                    const bool glyph = m == kWhite;
                    glyphPixels += glyph;
                    const QRgb bar = x < filled ? kBlue : kWhite;
                    const QRgb expected = glyph ? (bar == kBlue ? kYellow : kBlack) : bar;
                    ASSERT_EQ(At(face, x, y), expected)
                        << percent << "% at " << x << "," << y << " at " << ratio;
                    if (glyph) {
                        textColours.insert(expected);
                    }
                }
            }
            EXPECT_GT(glyphPixels, 20 * ratio * ratio) << "no percentage at " << percent << "%";
            if (percent == 0) {
                EXPECT_EQ(textColours, std::set<QRgb>{kBlack});
            } else if (percent == 100) {
                EXPECT_EQ(textColours, std::set<QRgb>{kYellow});
            } else {
                EXPECT_EQ(textColours, (std::set<QRgb>{kBlack, kYellow}));
            }
        }
    }
}

// At a higher ratio the glyphs are drawn at that size, not the 1× glyphs
// blown up: as tall as the ratio makes them, and with edges that the
// doubled pixels of a scaled-up 1× text would not have.
TEST(GaugeFace, PercentTextIsDrawnAtTheDeviceResolution) {
    TGauge gauge;
    SetUpAsMainWindowGauge(gauge);
    gauge.SetProgress(48);
    const QImage single = TextMask(gauge, 1);
    const QRect singleBounds = GlyphBounds(single);
    for (qreal ratio : {1.5, 2.0, 3.0}) {
        const QImage sharp = TextMask(gauge, ratio);
        const QRect bounds = GlyphBounds(sharp);
        EXPECT_NEAR(bounds.height(), singleBounds.height() * ratio, 2 * ratio) << ratio;
        EXPECT_NEAR(bounds.center().x() / ratio, singleBounds.center().x(), 2) << ratio;
        QImage blownUp = single.scaled(sharp.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        blownUp.setDevicePixelRatio(sharp.devicePixelRatio());
        EXPECT_NE(blownUp, sharp) << ratio;
    }
}

TEST(GaugeFace, PercentTextIsCentredAndReadsTheValue) {
    TGauge gauge;
    SetUpAsMainWindowGauge(gauge);
    const QRect bounds0 = GlyphBounds(TextMask(gauge));
    gauge.SetProgress(100);
    const QRect bounds100 = GlyphBounds(TextMask(gauge));
    // "100%" is wider than "0%"; both sit in the middle of the 274-pixel span.
    EXPECT_GT(bounds100.width(), bounds0.width());
    for (const QRect& b : {bounds0, bounds100}) {
        EXPECT_NEAR(b.center().x(), 137, 3);
        EXPECT_NEAR(b.center().y(), 14, 4);
    }
}

TEST(GaugeFace, SingleBorderLeavesABlackFrame) {
    struct Case {
        int percent;
        int filledTo;  // first white column inside the frame
    };
    // 100 × 100 with a frame: drawing rectangle (1, 1, 99, 99), W = 99.
    for (const Case& c : std::vector<Case>{{0, 1}, {50, 49}, {100, 99}}) {
        TGauge gauge;
        gauge.SetForeColor(clBlue);
        gauge.SetShowText(false);
        gauge.SetProgress(c.percent);
        const QImage face = gauge.RenderFace();
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                QRgb expected;
                if (x == 0 || y == 0 || x == 99 || y == 99) {
                    expected = kBlack;
                } else {
                    expected = x < c.filledTo ? kBlue : kWhite;
                }
                ASSERT_EQ(At(face, x, y), expected) << c.percent << "% at " << x << "," << y;
            }
        }
    }
}

TEST(GaugeFace, VerticalBarFillsFromTheBottom) {
    struct Case {
        int percent;
        int firstFilledRow;
    };
    // 20 × 100 without a border: H = 101; at 100 % F is capped to 100 and the
    // top row stays unfilled.
    for (const Case& c : std::vector<Case>{{100, 1}, {50, 51}, {0, 100}}) {
        TGauge gauge;
        gauge.resize(20, 100);
        gauge.SetKind(gkVerticalBar);
        gauge.SetBorderStyle(bsNone);
        gauge.SetShowText(false);
        gauge.SetForeColor(clBlue);
        gauge.SetProgress(c.percent);
        const QImage face = gauge.RenderFace();
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 20; ++x) {
                ASSERT_EQ(At(face, x, y), y >= c.firstFilledRow ? kBlue : kWhite)
                    << c.percent << "% at " << x << "," << y;
            }
        }
    }
}

TEST(GaugeFace, EmptyRangeShowsZeroAndNoBar) {
    TGauge gauge;
    SetUpAsMainWindowGauge(gauge);
    gauge.SetMaxValue(0);
    const QImage face = gauge.RenderFace();
    const QImage zero = TextMask(gauge);
    TGauge reference;
    SetUpAsMainWindowGauge(reference);
    EXPECT_EQ(zero, TextMask(reference));  // "0%"
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 273; ++x) {
            ASSERT_NE(At(face, x, y), kBlue);
        }
    }
}

TEST(GaugeFace, TextOffAndTextKind) {
    TGauge bare;
    bare.SetShowText(false);
    bare.SetKind(gkText);
    bare.SetBackColor(clLime);
    bare.SetProgress(60);
    const QImage face = bare.RenderFace();
    for (int y = 1; y < 99; ++y) {
        for (int x = 1; x < 99; ++x) {
            ASSERT_EQ(At(face, x, y), 0xFF00FF00u) << x << "," << y;
        }
    }
    bare.SetShowText(true);
    const QImage withText = bare.RenderFace();
    // Lime under white glyphs becomes magenta; nothing else changes.
    int magenta = 0;
    for (int y = 1; y < 99; ++y) {
        for (int x = 1; x < 99; ++x) {
            const QRgb p = At(withText, x, y);
            ASSERT_TRUE(p == 0xFF00FF00u || p == 0xFFFF00FFu) << x << "," << y;
            magenta += p == 0xFFFF00FFu;
        }
    }
    EXPECT_GT(magenta, 10);
}

TEST(GaugeFace, WideTextIsClippedToTheDrawingRectangle) {
    TGauge gauge;
    gauge.resize(12, 30);
    gauge.SetProgress(100);
    const QImage face = gauge.RenderFace();
    for (int y = 0; y < 30; ++y) {
        EXPECT_EQ(At(face, 0, y), kBlack);
        EXPECT_EQ(At(face, 11, y), kBlack);
    }
}

TEST(GaugeFace, PieGrowsClockwiseFromTwelve) {
    struct Probe {
        int percent;
        QPoint point;
        QRgb colour;
    };
    const std::vector<Probe> probes = {
        {0, {75, 25}, kWhite},  {0, {25, 25}, kWhite},     {25, {75, 25}, kBlue},
        {25, {75, 75}, kWhite}, {25, {25, 25}, kWhite},    {50, {75, 75}, kBlue},
        {50, {25, 75}, kWhite}, {75, {25, 75}, kBlue},     {75, {25, 25}, kWhite},
        {100, {25, 25}, kBlue}, {60, {1, 1}, 0xFF00FF00u},
    };
    for (const Probe& probe : probes) {
        TGauge gauge;
        gauge.SetKind(gkPie);
        gauge.SetBorderStyle(bsNone);
        gauge.SetShowText(false);
        gauge.SetForeColor(clBlue);
        gauge.SetColor(clLime);
        gauge.SetProgress(probe.percent);
        EXPECT_EQ(At(gauge.RenderFace(), probe.point.x(), probe.point.y()), probe.colour)
            << probe.percent << "% at " << probe.point.x() << "," << probe.point.y();
    }
}

TEST(GaugeFace, NeedleSweepsFromLeftToRight) {
    struct Probe {
        int percent;
        QPoint point;
        QRgb colour;
    };
    // 100 × 100 without a border: the dial is the upper half of an ellipse
    // whose centre lies at the bottom row; the needle starts at (50, 99), and
    // at 25 % ends at (15, 29), passing (40, 79).
    const std::vector<Probe> probes = {
        {0, {50, 60}, kWhite},     {50, {50, 60}, kBlue}, {50, {30, 60}, kWhite},
        {25, {40, 79}, kBlue},     {75, {60, 79}, kBlue}, {25, {60, 79}, kWhite},
        {10, {1, 1}, 0xFF00FF00u},
    };
    for (const Probe& probe : probes) {
        TGauge gauge;
        gauge.SetKind(gkNeedle);
        gauge.SetBorderStyle(bsNone);
        gauge.SetShowText(false);
        gauge.SetForeColor(clBlue);
        gauge.SetColor(clLime);
        gauge.SetProgress(probe.percent);
        EXPECT_EQ(At(gauge.RenderFace(), probe.point.x(), probe.point.y()), probe.colour)
            << probe.percent << "% at " << probe.point.x() << "," << probe.point.y();
    }
}

TEST(GaugeFace, ScreenReceivesTheWholeFace) {
    QWidget parent;
    parent.resize(300, 60);
    auto* gauge = new TGauge(&parent);
    SetUpAsMainWindowGauge(*gauge);
    gauge->SetProgress(37);
    const QImage expected = gauge->RenderFace();
    const QImage shown = gauge->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, expected);
    // On a device of twice the resolution, the face composed for it.
    QImage sharp(gauge->size() * 2, QImage::Format_RGB32);
    sharp.setDevicePixelRatio(2);
    gauge->render(&sharp);
    EXPECT_EQ(sharp, gauge->RenderFace(2));
}

}  // namespace
}  // namespace kryvet
