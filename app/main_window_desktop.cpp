// How the main window meets the desktop around it: files named at start-up,
// close and quit requests, and holding them while a file is rewritten.
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "app/exact_name.h"
#include "app/main_window.h"

namespace kryvet {

void TMainKryvet::OpenFromDesktop(const QByteArray& bytes) {
    if (!SurvivesAsText(bytes)) {
        RefuseNameLater(this);
        return;
    }
    const QString path = QFile::decodeName(bytes);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isFile()) {
        return;
    }
    EditFileName->setText(info.absoluteFilePath());
}

void TMainKryvet::PressOnceShown(OperationButton operation) {
    QPushButton* button = Button(operation);
    QMetaObject::invokeMethod(
        button,
        [this, button] {
            if (!EditFileName->text().isEmpty()) {
                button->click();
            }
        },
        Qt::QueuedConnection);
}

void TMainKryvet::RequestQuit() {
    if (rewriteRunning_) {
        quitPending_ = true;
        return;
    }
    // Open dialogs close as by their close box, so an operation waiting in
    // one ends the ordinary way, with its file and attributes intact.
    while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        dialog->done(2);
        if (QApplication::activeModalWidget() == dialog) {
            break;
        }
    }
    QCoreApplication::quit();
}

void TMainKryvet::SetRewriteRunning(bool running) {
    rewriteRunning_ = running;
    if (running) {
        return;
    }
    // Honoured once the operation has shown its end, back in the event loop.
    if (std::exchange(quitPending_, false)) {
        QMetaObject::invokeMethod(
            this, [this] { RequestQuit(); }, Qt::QueuedConnection);
    } else if (std::exchange(closePending_, false)) {
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
    }
}

void TMainKryvet::closeEvent(QCloseEvent* event) {
    if (rewriteRunning_) {
        closePending_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

}  // namespace kryvet
