#include "app/background_rewrite.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <exception>
#include <thread>

namespace kryvet {

namespace {

// Swallows what the user types, clicks, scrolls or drops while it exists.
class InputBlocker : public QObject {
public:
    InputBlocker() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputBlocker() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::TabletPress:
            case QEvent::TabletRelease:
                return true;
            default:
                return QObject::eventFilter(watched, event);
        }
    }
};

// Hands each percentage to the event loop's thread, in order.
class QueuedProgress : public ProgressSink {
public:
    QueuedProgress(QObject* receiver, const std::function<void(int)>& show)
        : receiver_(receiver), show_(show) {}
    void Progress(int percent) override {
        QMetaObject::invokeMethod(
            receiver_, [show = show_, percent] { show(percent); }, Qt::QueuedConnection);
    }

private:
    QObject* receiver_;
    std::function<void(int)> show_;
};

}  // namespace

Outcome RunInBackground(const std::function<Outcome(ProgressSink&)>& rewrite,
                        const std::function<void(int)>& showProgress) {
    QEventLoop loop;
    QueuedProgress progress(&loop, showProgress);
    Outcome outcome;
    std::exception_ptr error;
    InputBlocker blocker;
    std::thread worker([&] {
        try {
            outcome = rewrite(progress);
        } catch (...) {
            error = std::current_exception();
        }
        // Queued behind every progress call, so none is lost.
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    // A quit of the whole program can end the loop early; the file comes
    // first, and every value the gauge was sent is shown.
    QCoreApplication::sendPostedEvents(&loop);
    if (error) {
        std::rethrow_exception(error);
    }
    return outcome;
}

}  // namespace kryvet
