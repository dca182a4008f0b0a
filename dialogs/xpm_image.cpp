#include "dialogs/xpm_image.h"

#include <charconv>
#include <map>
#include <stdexcept>
#include <string>

namespace kryvet {

namespace {

[[noreturn]] void Malformed(const std::string& what) {
    throw std::invalid_argument("malformed XPM: " + what);
}

int ReadNumber(std::string_view& text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value <= 0) {
        Malformed("bad number in the values line");
    }
    text.remove_prefix(std::size_t(end - text.data()));
    return value;
}

std::uint32_t ColorOf(std::string_view spec) {
    // Only the colour key "c" is used by the pictures: "c #RRGGBB" or "c None".
    const std::size_t key = spec.find(" c ");
    if (key == std::string_view::npos) {
        Malformed("colour without a c key");
    }
    std::string_view value = spec.substr(key + 3);
    while (!value.empty() && value.front() == ' ') {
        value.remove_prefix(1);
    }
    if (value == "None" || value == "none") {
        return 0;
    }
    if (value.size() != 7 || value.front() != '#') {
        Malformed("colour not in #RRGGBB form");
    }
    std::uint32_t rgb = 0;
    const auto [end, error] = std::from_chars(value.data() + 1, value.data() + 7, rgb, 16);
    if (error != std::errc() || end != value.data() + 7) {
        Malformed("colour not in #RRGGBB form");
    }
    return 0xFF000000u | rgb;
}

}  // namespace

XpmImage ReadXpm(std::span<const char* const> lines) {
    if (lines.empty() || lines[0] == nullptr) {
        Malformed("no values line");
    }
    std::string_view values = lines[0];
    XpmImage image;
    image.width = ReadNumber(values);
    image.height = ReadNumber(values);
    const int colors = ReadNumber(values);
    const int perPixel = ReadNumber(values);
    if (lines.size() < std::size_t(1 + colors + image.height)) {
        Malformed("fewer lines than the values line says");
    }
    std::map<std::string_view, std::uint32_t> palette;
    for (int i = 0; i < colors; ++i) {
        const std::string_view line = lines[std::size_t(1 + i)];
        if (line.size() < std::size_t(perPixel)) {
            Malformed("short colour line");
        }
        palette[line.substr(0, std::size_t(perPixel))] =
            ColorOf(line.substr(std::size_t(perPixel)));
    }
    image.pixels.reserve(std::size_t(image.width) * std::size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        const std::string_view row = lines[std::size_t(1 + colors + y)];
        if (row.size() != std::size_t(image.width) * std::size_t(perPixel)) {
            Malformed("row " + std::to_string(y) + " has the wrong length");
        }
        for (int x = 0; x < image.width; ++x) {
            const auto found =
                palette.find(row.substr(std::size_t(x * perPixel), std::size_t(perPixel)));
            if (found == palette.end()) {
                Malformed("pixel of an undeclared colour");
            }
            image.pixels.push_back(found->second);
        }
    }
    return image;
}

}  // namespace kryvet
