#pragma once

#include <cstdint>

// The engine and its front ends speak of failures in errno's words (the
// messages' table reads them); Windows' own codes are said in them here.
namespace kryvet::platform {

int ErrnoOfWindowsError(std::uint32_t code);

}  // namespace kryvet::platform
