#include "tests/dialogs/modal_script.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>

ModalScript::ModalScript(int timeoutMs) : timeoutMs_(timeoutMs) {
    poll_.setInterval(5);
    connect(&poll_, &QTimer::timeout, this, [this] { Tick(); });
    clock_.start();
    poll_.start();
}

ModalScript::~ModalScript() {
    poll_.stop();
}

ModalScript& ModalScript::When(QWidget* dialog, std::function<void()> action) {
    steps_.push_back({dialog, std::move(action)});
    return *this;
}

void ModalScript::Tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (clock_.elapsed() > timeoutMs_) {
        timedOut_ = true;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->done(0);
        }
        return;
    }
    if (stepPending_ || steps_.empty() || modal != steps_.front().dialog) {
        return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    stepPending_ = true;
    QTimer::singleShot(0, this, [this, action = std::move(step.action)] {
        stepPending_ = false;
        action();
    });
}

void TypeText(QWidget* widget, const QString& text) {
    for (const char32_t codePoint : text.toUcs4()) {
        const QString one = QString::fromUcs4(&codePoint, 1);
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, one);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, one);
        QApplication::sendEvent(widget, &release);
    }
}

void SettleEvents() {
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
    }
}
