#pragma once

#include <windows.h>

#include <cstddef>

namespace kryvet::win32 {

enum class ByteCount {
    // A character without a Shift-JIS (CP932) form cannot be typed at all.
    Cp932Only,
    // Such a character counts with its own UTF-8 bytes, as the file
    // services count names.
    Cp932OrOwn,
};

// Limits what can be typed into an edit box to maxBytes of its CP932 form.
// An edit that goes past it is refused whole, never cut. Text set by the
// program is not checked, but typing never makes a longer text longer.
void LimitTypedBytes(HWND edit, std::size_t maxBytes, ByteCount count);

}  // namespace kryvet::win32
