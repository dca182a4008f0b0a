// Start-up: application title, fonts, Qt's Japanese texts, the forms in
// their fixed order, the file named on the command line if any, then the
// event loop until the main window is closed.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/fonts.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "app/qt_translations.h"
#include "app/termination.h"

namespace kryvet {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace
}  // namespace kryvet

int main(int argc, char** argv) {
    // Qt would abort with several lines of plugin diagnostics; say it once.
    if (!kryvet::IsSet("QT_QPA_PLATFORM") && !kryvet::IsSet("DISPLAY") &&
        !kryvet::IsSet("WAYLAND_DISPLAY")) {
        std::fputs(
            "kryvet: no display found (DISPLAY and WAYLAND_DISPLAY are not set); "
            "start it from a graphical desktop session\n",
            stderr);
        return 2;
    }

    QApplication app(argc, argv);
    // The application title. Not set as Qt's display name, which Qt would
    // append to the caption of every dialog.
    QApplication::setApplicationName(QStringLiteral("Kryvet"));
    kryvet::InstallApplicationFonts();
    // Before the forms: the file-open dialog takes its texts when it is made.
    kryvet::InstallQtTranslations(&app);

    kryvet::Forms forms;
    kryvet::CreateForms(forms);
    QApplication::setWindowIcon(forms.MainKryvet->windowIcon());
    kryvet::InstallTerminationHandlers(&app, [&forms] { forms.MainKryvet->RequestQuit(); });
    // A file manager's "Open with" names the file; further arguments are not
    // ours. Its bytes as given: Qt's own list holds them as text already.
    forms.MainKryvet->OpenFromDesktop(argc > 1 ? QByteArray(argv[1]) : QByteArray());

    forms.MainKryvet->show();
    forms.MainKryvet->activateWindow();
    return app.exec();
}
