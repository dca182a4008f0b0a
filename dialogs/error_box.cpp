#include "error_box.h"

#include <QMessageBox>

void ShowErrorBox(const QString& message) {
    QMessageBox::critical(nullptr, QStringLiteral("Kryvet"), message + QLatin1Char('.'));
}
