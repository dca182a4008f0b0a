#include "app/outer_size.h"

#include <QEvent>
#include <QMetaObject>
#include <QWidget>
#include <QWindow>

namespace kryvet {

namespace {

QMargins FrameOf(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    return handle != nullptr ? handle->frameMargins() : QMargins();
}

}  // namespace

OuterSizeKeeper::OuterSizeKeeper(QWidget& window, QSize outer)
    : QObject(&window), window_(window), outer_(outer) {
    window.installEventFilter(this);
}

bool OuterSizeKeeper::eventFilter(QObject* watched, QEvent* event) {
    // An X window manager announces its frame around the mapping, which
    // moves the window; Wayland's decoration is there by the first paint.
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::UpdateRequest:
            if (FrameOf(window_) != fittedFor_) {
                // Not in the middle of the event that told.
                QMetaObject::invokeMethod(this, &OuterSizeKeeper::Fit, Qt::QueuedConnection);
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void OuterSizeKeeper::Fit() {
    const QMargins frame = FrameOf(window_);
    if (frame == fittedFor_) {
        return;
    }
    fittedFor_ = frame;
    window_.resize(outer_.shrunkBy(frame));
}

}  // namespace kryvet
