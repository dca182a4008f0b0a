#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Names and passwords are bytes; these read them as UTF-8 text where they
// are, strictly: no overlong forms, no surrogates, nothing above U+10FFFF.
namespace kryvet::cli {

struct CodePoint {
    char32_t value = 0;
    std::size_t bytes = 0;  // 0: the byte at that place starts no valid sequence
};

CodePoint Utf8At(std::string_view text, std::size_t at);

// A name as it may be shown or written to a stream: itself, but for a
// backslash (\\), tab (\t), newline (\n), and every byte of a control
// character, of a character that reorders or hides text, or of no valid
// UTF-8 at all (\xHH). Distinct names stay distinct, and nothing in it
// reaches a terminal as an order.
std::string QuotedName(std::string_view name);

// The same name as a JSON string that is valid UTF-8: a byte of no valid
// UTF-8 becomes U+FFFD. Whether that happened is `lossy`.
std::string JsonText(std::string_view text, bool* lossy = nullptr);

// The name's bytes in hexadecimal, for where the text lost some.
std::string HexBytes(std::string_view bytes);

}  // namespace kryvet::cli
