#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <ostream>

#include "tests/support/patience.h"

class QWidget;

// Drives modal dialogs from inside their own message loops: each step waits
// until its dialog is the active modal widget, then runs. Steps run from a
// fresh zero timer, so a step may open a nested modal dialog and the next
// step still gets its turn. If a step's dialog never comes, or the script
// is not finished in time, the watchdog closes whatever modal dialog is
// open, so a failed check ends the test instead of hanging it.
class ModalScript : public QObject {
public:
    explicit ModalScript(int timeoutMs = kPatienceMs);
    ~ModalScript() override;

    ModalScript& When(QWidget* dialog, std::function<void()> action);

    // True when every step ran and the watchdog never had to act.
    bool Completed() const { return steps_.empty() && !timedOut_; }
    bool TimedOut() const { return timedOut_; }

private:
    void Tick();

    struct Step {
        QWidget* dialog;
        std::function<void()> action;
    };
    std::deque<Step> steps_;
    QTimer poll_;
    QElapsedTimer clock_;
    int timeoutMs_;
    bool stepPending_ = false;
    bool timedOut_ = false;
};

// Types text into a widget as key presses that carry the text, one
// character (code point) per press, so that non-ASCII text goes through the
// same path as typing.
void TypeText(QWidget* widget, const QString& text);

// Lets posted events and zero timers run.
void SettleEvents();

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QRect& r, std::ostream* out) {
    *out << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}
inline void PrintTo(const QPoint& p, std::ostream* out) {
    *out << "QPoint(" << p.x() << ", " << p.y() << ")";
}
inline void PrintTo(const QSize& s, std::ostream* out) {
    *out << "QSize(" << s.width() << ", " << s.height() << ")";
}
