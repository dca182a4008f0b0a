#pragma once

#include <windows.h>

#include <string>

namespace kryvet::win32 {

// The error box: the system's message box with the stop icon, the
// description's caption and the message with its final "." appended.
void ShowErrorBox(HWND owner, const std::string& message);

// The question box: the description's texts and buttons, No the default and
// also what Esc and the close box answer. True only for yes.
bool AskYesNo(HWND owner, const std::string& question);

}  // namespace kryvet::win32
