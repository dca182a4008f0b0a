#include "cp932.h"

namespace kryvet {

namespace {

std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

}  // namespace

std::optional<std::size_t> Cp932Length(std::string_view utf8) {
    const auto converted = Utf8ToCp932(utf8);
    if (!converted) {
        return std::nullopt;
    }
    return converted->size();
}

std::size_t Cp932LengthForLimit(std::string_view path) {
    std::size_t total = 0;
    std::size_t i = 0;
    while (i < path.size()) {
        std::size_t len = Utf8SequenceLength(static_cast<unsigned char>(path[i]));
        if (i + len > path.size()) {
            len = path.size() - i;
        }
        const auto piece = Cp932Length(path.substr(i, len));
        total += piece ? *piece : len;
        i += len;
    }
    return total;
}

}  // namespace kryvet
