// The main window on any desktop: its big buttons' captions read on the
// palette's button face, and every button shows when it has the focus.
#include <QPalette>
#include <QPushButton>
#include <QStyleFactory>
#include <vector>

#include "app/focus_mark_style.h"
#include "app/readable_button_text.h"
#include "tests/app/window_fixture.h"

using namespace kryvet;

namespace {

QPalette PaletteOf(QColor window, QColor button, QColor buttonText, QColor text) {
    QPalette palette(button, window);
    palette.setColor(QPalette::ButtonText, buttonText);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Base, window);
    return palette;
}

// The face under the caption and the caption's colour: the inner pixel that
// stands out most from the face.
double CaptionContrast(QPushButton* button) {
    const QImage shot = button->grab().toImage();
    const QColor face = shot.pixel(6, shot.height() / 2);
    double best = 1;
    for (int y = 5; y < shot.height() - 5; ++y) {
        for (int x = 8; x < shot.width() - 8; ++x) {
            best = std::max(best, ContrastRatio(QColor(shot.pixel(x, y)), face));
        }
    }
    return best;
}

class LookTest : public MainWindowTest {
protected:
    void TearDown() override {
        QApplication::setPalette(saved_);
        MainWindowTest::TearDown();
    }
    const QPalette saved_ = QApplication::palette();
};

TEST_F(LookTest, BigButtonCaptionsReadOnEveryPalette) {
    struct Case {
        const char* name;
        QPalette palette;
        QColor caption;  // the enabled caption's colour
    };
    const std::vector<Case> cases = {
        {"light: the form's black", QApplication::palette(), Qt::black},
        {"dark: the palette's own text",
         PaletteOf(QColor(0x35, 0x35, 0x35), QColor(0x56, 0x56, 0x59), QColor(0xF0, 0xF0, 0xF0),
                   Qt::white),
         QColor(0xF0, 0xF0, 0xF0)},
        {"a palette whose text does not read either: white",
         PaletteOf(QColor(0x30, 0x30, 0x30), QColor(0x50, 0x50, 0x50), QColor(0x70, 0x70, 0x70),
                   Qt::white),
         Qt::white},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QApplication::setPalette(c.palette);
        for (QPushButton* button : {controls_->BuAngo, controls_->BuFukugo, controls_->Cancel1}) {
            SCOPED_TRACE(button->objectName().toStdString());
            EXPECT_TRUE(Eventually([&] {
                return button->palette().color(QPalette::Active, QPalette::ButtonText) == c.caption;
            }));
            EXPECT_GE(CaptionContrast(button), kReadableContrast);
        }
    }
    // The window at twice the resolution on the dark palette, for the docs.
    QApplication::setPalette(cases[1].palette);
    QCoreApplication::processEvents();
    QImage shot(window_->size() * 2, QImage::Format_RGB32);
    shot.setDevicePixelRatio(2);
    window_->render(&shot);
    shot.save(QStringLiteral("main-window-dark-scaled.png"));
}

TEST_F(LookTest, EveryButtonShowsTheFocus) {
    const QString before = QApplication::style()->name();
    InstallFocusMarkStyle();
    for (QPushButton* button : {controls_->BuVersion, controls_->BuFindFile, controls_->BuAngo,
                                controls_->BuFukugo, controls_->Cancel1}) {
        SCOPED_TRACE(button->objectName().toStdString());
        controls_->EditFileName->setFocus();
        ASSERT_TRUE(FocusReaches(controls_->EditFileName));
        const QImage plain = button->grab().toImage();
        button->setFocus();
        ASSERT_TRUE(FocusReaches(button));
        const QImage focused = button->grab().toImage();
        // A dotted ring in the caption's colour, about half of an inset frame.
        const QColor ink = button->palette().color(QPalette::Active, QPalette::ButtonText);
        int marked = 0;
        for (int y = 0; y < plain.height(); ++y) {
            for (int x = 0; x < plain.width(); ++x) {
                marked +=
                    plain.pixel(x, y) != focused.pixel(x, y) && QColor(focused.pixel(x, y)) == ink;
            }
        }
        EXPECT_GT(marked, (button->width() + button->height()) / 2);
    }
    QApplication::setStyle(QStyleFactory::create(before));
}

}  // namespace
