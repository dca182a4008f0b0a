#include "engine/utf8.h"

namespace kryvet {

CodePoint Utf8At(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        return {lead, 1};
    }
    const std::size_t n = lead < 0xc2 ? 0 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : lead < 0xf5 ? 4 : 0;
    if (n == 0 || at + n > text.size()) {
        return {};
    }
    char32_t value = lead & (0x7fu >> n);
    for (std::size_t i = 1; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[at + i]);
        if ((c & 0xc0) != 0x80) {
            return {};
        }
        value = (value << 6) | (c & 0x3fu);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[n] || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff)) {
        return {};
    }
    return {value, n};
}

}  // namespace kryvet
