// The toolkit-free XPM reader: a worked example, every refusal, and every
// picture source read to the same pixels as Qt reads it.
#include <gtest/gtest.h>

#include <QImage>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "dialogs/xpm_image.h"

namespace kryvet {
namespace {

#include "dialogs/pictures/app_icon.xpm"
#include "dialogs/pictures/cancel_book.xpm"
#include "dialogs/pictures/container_full.xpm"
#include "dialogs/pictures/folder_struck.xpm"
#include "dialogs/pictures/key.xpm"
#include "dialogs/pictures/key_broken.xpm"
#include "dialogs/pictures/ok_door.xpm"
#include "dialogs/pictures/padlock_closed.xpm"
#include "dialogs/pictures/padlock_open.xpm"
#include "dialogs/pictures/page_restored.xpm"

TEST(ReadXpm, WorkedExampleWithTwoCharactersPerPixel) {
    const char* const lines[] = {"3 2 3 2",      "aa c #FF0000", "bb c None",
                                 "cc c #0000fF", "aabbcc",       "ccaabb"};
    const XpmImage image = ReadXpm(lines);
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.pixels,
              (std::vector<std::uint32_t>{0xFFFF0000, 0, 0xFF0000FF, 0xFF0000FF, 0xFFFF0000, 0}));
    EXPECT_EQ(image.At(2, 0), 0xFF0000FFu);
}

TEST(ReadXpm, RefusesMalformedText) {
    struct Case {
        const char* what;
        std::vector<const char*> lines;
    };
    const Case cases[] = {
        {"no values line", {}},
        {"missing number", {"2 1 1", "a c #000000", "aa"}},
        {"zero width", {"0 1 1 1", "a c #000000", ""}},
        {"fewer rows", {"1 2 1 1", "a c #000000", "a"}},
        {"short colour line", {"1 1 1 2", "a", "aa"}},
        {"no c key", {"1 1 1 1", "a m #000000", "a"}},
        {"short colour", {"1 1 1 1", "a c #00000", "a"}},
        {"colour name", {"1 1 1 1", "a c black", "a"}},
        {"not hex", {"1 1 1 1", "a c #00G000", "a"}},
        {"row too long", {"1 1 1 1", "a c #000000", "aa"}},
        {"row too short", {"2 1 1 1", "a c #000000", "a"}},
        {"undeclared colour", {"1 1 1 1", "a c #000000", "b"}},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(ReadXpm(c.lines), std::invalid_argument) << c.what;
    }
}

TEST(ReadXpm, EveryPictureSourceReadsAsQtReadsIt) {
    const std::span<const char* const> sources[] = {
        app_icon_xpm,   cancel_book_xpm, container_full_xpm, folder_struck_xpm, key_xpm,
        key_broken_xpm, ok_door_xpm,     padlock_closed_xpm, padlock_open_xpm,  page_restored_xpm,
    };
    for (const auto& source : sources) {
        const XpmImage image = ReadXpm(source);
        const QImage qt = QImage(source.data()).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.width, qt.width()) << source[0];
        ASSERT_EQ(image.height, qt.height()) << source[0];
        for (int y = 0; y < qt.height(); ++y) {
            for (int x = 0; x < qt.width(); ++x) {
                const QRgb expected = qt.pixel(x, y);
                // Qt's transparent pixels keep no colour worth comparing.
                const std::uint32_t wanted = qAlpha(expected) == 0 ? 0 : expected;
                ASSERT_EQ(image.At(x, y), wanted) << source[0] << " at " << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace kryvet
