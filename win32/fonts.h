#pragma once

#include <windows.h>

#include <string_view>

namespace kryvet::win32 {

// The face at that character height (pixels at 96 DPI, scaled to the
// screen); where the system lacks the face, the system's message font at
// that height.
HFONT CreateFormFont(std::string_view face, int pixelHeight);

}  // namespace kryvet::win32
