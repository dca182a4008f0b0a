#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kryvet {

// A picture read from XPM text, free of any toolkit, so that every front end
// draws the same pictures from the same sources.
struct XpmImage {
    int width = 0;
    int height = 0;
    // Row by row from the top, 0xAARRGGBB; "None" is fully transparent.
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// The picture of an XPM's strings (values line, colours, rows), as the
// array the .xpm file declares. Malformed text is an error
// (std::invalid_argument), never a half-read picture.
XpmImage ReadXpm(std::span<const char* const> lines);

}  // namespace kryvet
