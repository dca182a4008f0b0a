#pragma once

#include <QString>

namespace kryvet {

// The application's question box: question icon, caption "Kryvet", the
// buttons はい and いいえ, いいえ the default and also what Esc and the close
// box answer. The other windows are blocked while it is open; the window
// that was active is active again after. True only for はい.
bool AskYesNo(const QString& question);

}  // namespace kryvet
