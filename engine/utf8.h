#pragma once

#include <cstddef>
#include <string_view>

// Names and passwords are bytes; this reads them as UTF-8 text where they
// are, strictly: no overlong forms, no surrogates, nothing above U+10FFFF.
namespace kryvet {

struct CodePoint {
    char32_t value = 0;
    std::size_t bytes = 0;  // 0: the byte at that place starts no valid sequence
};

CodePoint Utf8At(std::string_view text, std::size_t at);

}  // namespace kryvet
