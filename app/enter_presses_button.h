#pragma once

class QPushButton;

namespace kryvet {

// Enter (either key) on the focused button presses it, as Space does. Qt
// does this by itself only for buttons in dialogs.
void PressOnEnter(QPushButton& button);

}  // namespace kryvet
