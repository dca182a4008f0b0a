#include "dialogs/error_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

void ShowErrorBox(const QString& message) {
    const QPointer<QWidget> previous = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Kryvet"), message + QLatin1Char('.'),
                    QMessageBox::Ok, previous);
    box.setObjectName(QStringLiteral("ErrorBox"));
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
