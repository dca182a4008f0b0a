#pragma once

#include <QString>

class QWidget;

// The application's error box: stop icon, one OK button, caption "Kryvet",
// the message followed by ".". The window that was active is active again after.
void ShowErrorBox(const QString& message);
