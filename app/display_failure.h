#pragma once

#include <QtGlobal>
#include <string>

namespace kryvet {

// The one line the program ends with when it has no display to open, naming
// the variables that were tried.
std::string NoDisplayMessage();

// While it lives (around the QApplication's construction), a window system
// that cannot be reached ends the program with that line and exit status 2,
// rather than with Qt's abort and its lines of plugin diagnostics.
class DisplayFailureReport {
public:
    DisplayFailureReport();
    ~DisplayFailureReport();
    DisplayFailureReport(const DisplayFailureReport&) = delete;
    DisplayFailureReport& operator=(const DisplayFailureReport&) = delete;

private:
    QtMessageHandler previous_;
};

}  // namespace kryvet
