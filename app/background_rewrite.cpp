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

// What the worker tells the event loop's thread, as queued signals, in the
// order sent. Signals rather than posted functors: a functor posted from the
// worker may be destroyed there after the loop's thread ran it, ordered only
// by a reference count inside Qt that ThreadSanitizer cannot see into, while
// the slots of a connection are made and destroyed on the loop's side.
class WorkerSignals : public QObject {
    Q_OBJECT

signals:
    void Progressed(int percent);
    void Finished();
};

class QueuedProgress : public ProgressSink {
public:
    explicit QueuedProgress(WorkerSignals& told) : told_(told) {}
    void Progress(int percent) override { emit told_.Progressed(percent); }

private:
    WorkerSignals& told_;
};

}  // namespace

Outcome RunInBackground(const std::function<Outcome(ProgressSink&)>& rewrite,
                        const std::function<void(int)>& showProgress) {
    QEventLoop loop;
    WorkerSignals told;
    QObject::connect(&told, &WorkerSignals::Progressed, &loop, showProgress, Qt::QueuedConnection);
    QObject::connect(&told, &WorkerSignals::Finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    QueuedProgress progress(told);
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
        emit told.Finished();
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

#include "background_rewrite.moc"
