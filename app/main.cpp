// Start-up: --help and --version, application title, fonts, Qt's Japanese
// texts, the forms in their fixed order, the file named on the command line
// if any, then the event loop until the main window is closed.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/command_line.h"
#include "app/display_failure.h"
#include "app/focus_mark_style.h"
#include "app/fonts.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "app/qt_settings.h"
#include "app/qt_translations.h"
#include "app/termination.h"

namespace kryvet {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

// The answer to --help or --version, if asked.
std::optional<int> AnswerInfoRequest(int argc, char** argv) {
    switch (FindInfoRequest(Arguments(argc, argv))) {
        case InfoRequest::Help:
            std::fputs(HelpText().c_str(), stdout);
            return 0;
        case InfoRequest::Version:
            std::fputs(VersionText().c_str(), stdout);
            return 0;
        case InfoRequest::None:
            break;
    }
    return std::nullopt;
}

}  // namespace
}  // namespace kryvet

int main(int argc, char** argv) {
    if (const std::optional<int> status = kryvet::AnswerInfoRequest(argc, argv)) {
        return *status;
    }
    // Qt would abort with several lines of plugin diagnostics; say it once.
    if (!kryvet::IsSet("QT_QPA_PLATFORM") && !kryvet::IsSet("DISPLAY") &&
        !kryvet::IsSet("WAYLAND_DISPLAY")) {
        std::fputs((kryvet::NoDisplayMessage() + "\n").c_str(), stderr);
        return 2;
    }

    std::optional<QApplication> app;
    {
        const kryvet::DisplayFailureReport unreachableDisplay;
        app.emplace(argc, argv);
    }
    // Qt has taken its own options out of argv.
    const kryvet::StartArguments start = kryvet::ParseStartArguments(kryvet::Arguments(argc, argv));
    if (!start.error.empty()) {
        std::fputs((start.error + "\n").c_str(), stderr);
        return 2;
    }
    // The application title. Not set as Qt's display name, which Qt would
    // append to the caption of every dialog.
    QApplication::setApplicationName(QStringLiteral("Kryvet"));
    kryvet::InstallApplicationFonts();
    kryvet::InstallFocusMarkStyle();
    // Before the forms: the file-open dialog takes its texts when it is made,
    // and reads Qt's settings.
    kryvet::InstallQtTranslations(&*app);
    kryvet::KeepQtSettingsOffDisk();

    kryvet::Forms forms;
    kryvet::CreateForms(forms);
    QApplication::setWindowIcon(forms.MainKryvet->windowIcon());
    kryvet::InstallTerminationHandlers(&*app, [&forms] { forms.MainKryvet->RequestQuit(); });
    // A file manager's "Open with" names the file. Its bytes as given: Qt's
    // own list holds them as text already.
    forms.MainKryvet->OpenFromDesktop(QByteArray::fromStdString(start.file));

    forms.MainKryvet->show();
    forms.MainKryvet->activateWindow();
    if (start.press != kryvet::StartPress::None) {
        forms.MainKryvet->PressOnceShown(start.press == kryvet::StartPress::Encrypt
                                             ? kryvet::OperationButton::BuAngo
                                             : kryvet::OperationButton::BuFukugo);
    }
    return app->exec();
}
