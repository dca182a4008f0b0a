// The off-screen bitmaps and raster operations the gauge's face is composed with.
#include <gtest/gtest.h>

#include <vector>

#include "tests/widgets/pixels.h"
#include "widgets/raster_bitmap.h"
#include "widgets/tcolor.h"

namespace kryvet {
namespace {

using namespace test_pixels;

TEST(TBitmap, RasterOperations) {
    TBitmap destination(4, 1);
    TBitmap source(4, 1);
    const std::vector<QRgb> d = {0xFF123456, 0xFFFFFFFF, 0xFF0000FF, 0xFF808080};
    const std::vector<QRgb> s = {0xFFFFFFFF, 0xFF0000FF, 0xFF0000FF, 0xFF000000};
    for (int x = 0; x < 4; ++x) {
        destination.Image().setPixel(x, 0, d[x]);
        source.Image().setPixel(x, 0, s[x]);
    }
    TBitmap xored = destination;
    xored.SetCopyMode(RasterOp::SrcInvert);
    xored.Draw(0, 0, source);
    TBitmap copied = destination;
    copied.Draw(0, 0, source);
    TBitmap blackened = destination;
    blackened.SetCopyMode(RasterOp::Blackness);
    blackened.Draw(0, 0, source);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(At(xored.Image(), x, 0), ((d[x] ^ s[x]) & 0xFFFFFF) | 0xFF000000) << x;
        EXPECT_EQ(At(copied.Image(), x, 0), s[x]) << x;
        EXPECT_EQ(At(blackened.Image(), x, 0), kBlack) << x;
    }
    EXPECT_EQ(static_cast<std::uint32_t>(RasterOp::Blackness), 0x00000042u);
    EXPECT_EQ(static_cast<std::uint32_t>(RasterOp::SrcCopy), 0x00CC0020u);
    EXPECT_EQ(static_cast<std::uint32_t>(RasterOp::SrcInvert), 0x00660046u);
}

TEST(TBitmap, ClearToBlackAndMakeLike) {
    TBitmap pattern(7, 5);
    pattern.SetBrushColor(Qt::red);
    pattern.FillRect({0, 0, 7, 5});
    pattern.SetCopyMode(RasterOp::SrcInvert);
    ClearToBlack(pattern);
    EXPECT_EQ(pattern.CopyMode(), RasterOp::SrcCopy);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            ASSERT_EQ(At(pattern.Image(), x, y), kBlack);
        }
    }
    TBltBitmap layer;
    layer.SetBrushColor(Qt::green);
    layer.MakeLike(pattern);
    EXPECT_EQ(layer.Width(), 7);
    EXPECT_EQ(layer.Height(), 5);
    EXPECT_EQ(layer.BrushColor(), ResolveColor(clWindowFrame));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            ASSERT_EQ(At(layer.Image(), x, y), ResolveColor(clWindowFrame).rgb() | 0xFF000000);
        }
    }
}

TEST(TBitmap, FillRectExcludesRightAndBottomAndClips) {
    TBitmap bitmap(6, 4);
    ClearToBlack(bitmap);
    bitmap.SetBrushColor(Qt::white);
    bitmap.FillRect({1, 1, 3, 2});
    bitmap.FillRect({5, 3, 50, 50});
    bitmap.FillRect({4, 0, 4, 4});  // empty
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool white = (y == 1 && (x == 1 || x == 2)) || (x == 5 && y == 3);
            EXPECT_EQ(At(bitmap.Image(), x, y), white ? kWhite : kBlack) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace kryvet
