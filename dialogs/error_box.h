#pragma once

#include <QString>

#include <exception>

namespace kryvet {

// The application's error box: stop icon, one OK button, caption "Kryvet",
// the message followed by "." (always, even after a full stop). The other
// windows are blocked while it is open; the window that was active is
// active again after.
void ShowErrorBox(const QString& message);

// For the handlers' catch blocks: the error's own message in the box.
void ShowErrorBox(const std::exception& error);

}  // namespace kryvet
