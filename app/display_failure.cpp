#include "app/display_failure.h"

#include <QString>
#include <cstdio>
#include <cstdlib>

namespace kryvet {

namespace {

std::string Described(const char* name) {
    const char* value = std::getenv(name);
    return std::string(name) +
           (value != nullptr && *value != '\0' ? "=" + std::string(value) : " unset");
}

void ReportPlatformFailure(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    // What Qt says while it looks for a window system leads up to this line
    // and says less; once it has one, nothing is held back.
    if (type != QtFatalMsg) {
        return;
    }
    if (message.contains(QLatin1String("platform plugin"))) {
        std::fputs((NoDisplayMessage() + "\n").c_str(), stderr);
        std::_Exit(2);
    }
    std::fputs(qPrintable(qFormatLogMessage(type, context, message) + QLatin1Char('\n')), stderr);
    std::abort();
}

}  // namespace

std::string NoDisplayMessage() {
    return "kryvet: no display could be opened (" + Described("DISPLAY") + ", " +
           Described("WAYLAND_DISPLAY") + "); start it from a graphical desktop session";
}

DisplayFailureReport::DisplayFailureReport()
    : previous_(qInstallMessageHandler(ReportPlatformFailure)) {}

DisplayFailureReport::~DisplayFailureReport() {
    qInstallMessageHandler(previous_);
}

}  // namespace kryvet
