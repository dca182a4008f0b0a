#include <gtest/gtest.h>

#include <QImage>
#include <QSet>

#include "dialogs/form_builder.h"
#include "dialogs/picture_button.h"
#include "dialogs/pictures.h"
#include "tests/dialogs/modal_script.h"

using namespace kryvet;

namespace {

struct PictureCase {
    const char* name;
    QString resource;
    QSize size;
    bool transparentBackground;
};

void PrintTo(const PictureCase& c, std::ostream* out) {
    *out << c.name;
}

class PictureTest : public ::testing::TestWithParam<PictureCase> {};

// Each picture has its stated size and uses only the sixteen colours of the
// classic palette; only the icon has a transparent background.
TEST_P(PictureTest, SizeAndSixteenColours) {
    const PictureCase& c = GetParam();
    const QImage image = QImage(c.resource).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), c.size);
    static const QSet<QRgb> kPalette = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000,
                                        0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
                                        0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                                        0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
    bool anyTransparent = false;
    QSet<QRgb> used;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 0) {
                anyTransparent = true;
                continue;
            }
            EXPECT_TRUE(kPalette.contains(pixel)) << x << "," << y << " " << std::hex << pixel;
            used.insert(pixel);
        }
    }
    EXPECT_EQ(anyTransparent, c.transparentBackground);
    EXPECT_GE(used.size(), 4) << "a drawing, not a blank";
}

INSTANTIATE_TEST_SUITE_P(
    All, PictureTest,
    ::testing::Values(
        PictureCase{"Key", PictureResource("key"), {32, 32}, false},
        PictureCase{"BrokenKey", PictureResource("key_broken"), {32, 32}, false},
        PictureCase{"OkDoor", PictureResource("ok_door"), {32, 16}, false},
        PictureCase{"CancelBook", PictureResource("cancel_book"), {32, 16}, false},
        PictureCase{"StruckFolder", PictureResource("folder_struck"), {32, 32}, false},
        PictureCase{"FullContainer", PictureResource("container_full"), {64, 32}, false},
        PictureCase{"ClosedPadlock", PictureResource("padlock_closed"), {64, 64}, false},
        PictureCase{"OpenPadlock", PictureResource("padlock_open"), {64, 64}, false},
        PictureCase{"RestoredPage", PictureResource("page_restored"), {32, 32}, false},
        PictureCase{"AppIcon", PictureResource("app_icon"), {32, 32}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PicturesTest, BackgroundTakesTheFormsButtonFace) {
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(kStoredButtonFace);
    image.setPixel(1, 1, qRgb(0xC0, 0xC0, 0xC1));
    const QImage out = OnButtonFace(image, QColor(0xEF, 0xEF, 0xEF));
    EXPECT_EQ(out.pixel(0, 0), qRgb(0xEF, 0xEF, 0xEF));
    EXPECT_EQ(out.pixel(1, 0), qRgb(0xEF, 0xEF, 0xEF));
    EXPECT_EQ(out.pixel(1, 1), qRgb(0xC0, 0xC0, 0xC1));
}

struct ButtonCase {
    const char* name;
    QString resource;
    QString caption;
    bool enabled;
};

void PrintTo(const ButtonCase& c, std::ostream* out) {
    *out << c.name;
}

class PictureButtonTest : public ::testing::TestWithParam<ButtonCase> {};

// Rendered pixels: the enabled or disabled half of the sheet 2 pixels from
// the left edge, its key colour replaced by the button face, and the
// caption centred in the space to the right of the picture.
TEST_P(PictureButtonTest, DrawsPictureAndCentredCaption) {
    const ButtonCase& c = GetParam();
    PictureButton button(c.caption, c.resource);
    button.resize(77, 27);
    button.setEnabled(c.enabled);
    const QImage face = [&] {
        PictureButton blank(QString(), c.resource);
        blank.resize(77, 27);
        blank.setEnabled(c.enabled);
        return blank.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }();
    const QImage shot = button.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(77, 27));

    const QImage sheet = QImage(c.resource).convertToFormat(QImage::Format_RGB32);
    const QRgb key = sheet.pixel(0, sheet.height() - 1);
    const int half = c.enabled ? 0 : 16;
    const int top = (27 - 16) / 2;
    int keyPixels = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QRgb drawn = shot.pixel(2 + x, top + y);
            const QRgb source = sheet.pixel(half + x, y);
            if (source == key) {
                ++keyPixels;
                EXPECT_NE(drawn, key) << x << "," << y;
            } else {
                EXPECT_EQ(drawn, source) << x << "," << y;
            }
        }
    }
    EXPECT_GT(keyPixels, 0);

    // Caption: columns where the shot differs from the blank button.
    int left = 77;
    int right = -1;
    for (int y = 0; y < 27; ++y) {
        for (int x = 18; x < 77; ++x) {
            if (shot.pixel(x, y) != face.pixel(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_GE(right, left) << "caption not drawn";
    const double centre = (left + right) / 2.0;
    EXPECT_NEAR(centre, (18 + 77) / 2.0, 1.5);
}

INSTANTIATE_TEST_SUITE_P(
    All, PictureButtonTest,
    ::testing::Values(
        ButtonCase{"OkEnabled", PictureResource("ok_door"), QStringLiteral("OK"), true},
        ButtonCase{"OkDisabled", PictureResource("ok_door"), QStringLiteral("OK"), false},
        ButtonCase{"CancelEnabled", PictureResource("cancel_book"), QStringLiteral("ｷｬﾝｾﾙ"), true},
        ButtonCase{"CancelDisabled", PictureResource("cancel_book"), QStringLiteral("ｷｬﾝｾﾙ"),
                   false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
