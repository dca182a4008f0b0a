#pragma once

#include <string_view>

#include "dialogs/xpm_image.h"

namespace kryvet::win32 {

// The program's pictures by name (the picture sources' base names), read
// once; an unknown name is an error in the descriptions (std::logic_error).
const XpmImage& PictureNamed(std::string_view name);

}  // namespace kryvet::win32
