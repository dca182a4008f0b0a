#pragma once

#include <QMargins>
#include <QObject>
#include <QSize>

class QWidget;

namespace kryvet {

// Gives a top-level window a designed outer size, frame included. Qt sizes
// the client area, and the frame is known only once a window manager (or
// Wayland's client-side decoration) has framed the shown window; so the
// client area is fitted then, and again should the frame change. Without a
// frame the client area is the outer size and is left alone, as is a size
// the user gives the window later.
class OuterSizeKeeper : public QObject {
public:
    OuterSizeKeeper(QWidget& window, QSize outer);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fit();

    QWidget& window_;
    QSize outer_;
    QMargins fittedFor_;
};

}  // namespace kryvet
