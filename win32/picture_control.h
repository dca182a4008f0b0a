#pragma once

#include <windows.h>

#include <string_view>

namespace kryvet::win32 {

// A picture control: it shows the picture named by its window text, so
// that what it shows can be read as text.
inline constexpr wchar_t kPictureClass[] = L"Kryvet.Picture";
void RegisterPictureClass();

// A picture's size in pixels at 96 DPI.
SIZE PictureSize(std::string_view picture);

// The picture as a window icon.
HICON PictureIcon(std::string_view picture);

// An owner-drawn picture button: the first half of the picture when enabled,
// the second when disabled, at its left; the caption centred in the rest.
void DrawPictureButton(const DRAWITEMSTRUCT& item, std::string_view picture, bool isDefault);

}  // namespace kryvet::win32
