// Entry point of the widget test programs: a QApplication on the offscreen
// platform unless the environment asks for another (the Xvfb tests do).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "app/fonts.h"
#include "app/qt_settings.h"

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    kryvet::InstallApplicationFonts();
    // As the program does, before any form is made.
    kryvet::KeepQtSettingsOffDisk();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
