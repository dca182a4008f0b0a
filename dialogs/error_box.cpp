#include "dialogs/error_box.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>

namespace kryvet {

void ShowErrorBox(const QString& message) {
    const QPointer<QWidget> previous = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Kryvet"), message + QLatin1Char('.'),
                    QMessageBox::Ok, previous);
    box.setObjectName(QStringLiteral("ErrorBox"));
    // The caption is the program's name; a screen reader says what the box is.
    box.setAccessibleName(QStringLiteral("Kryvet のエラー"));
    box.setAccessibleDescription(box.text());
    if (auto* icon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"))) {
        icon->setAccessibleName(QStringLiteral("停止の印"));
    }
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (previous) {
        previous->activateWindow();
    }
}

void ShowErrorBox(const std::exception& error) {
    ShowErrorBox(QString::fromUtf8(error.what()));
}

}  // namespace kryvet
