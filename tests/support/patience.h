#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>

// How long the window tests wait for what a busy machine delays: a window's
// activation, the focus after a dialog closed, a dialog coming up, a timer's
// tick. Generous on purpose: a passing test never waits it out, and a test
// that checked once would fail whenever the machine is loaded.
inline constexpr int kPatienceMs = 30000;

// Lets events run until `condition` holds; false if it never did in time.
template <typename Condition>
bool Eventually(Condition condition, int timeoutMs = kPatienceMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}

// The keyboard focus arrives in `widget` in time.
inline bool FocusReaches(const QWidget* widget) {
    return Eventually([widget] { return QApplication::focusWidget() == widget; });
}

// The name of the widget with the focus, for failure messages.
inline std::string FocusName() {
    const QWidget* focus = QApplication::focusWidget();
    return focus == nullptr ? std::string("(none)") : focus->objectName().toStdString();
}
