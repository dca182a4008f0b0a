#pragma once

#include <windows.h>

namespace kryvet::win32 {

// Registers one of the program's window classes, with the arrow cursor; a
// class registered before is left as it is.
void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background,
                         HICON icon = nullptr);

}  // namespace kryvet::win32
