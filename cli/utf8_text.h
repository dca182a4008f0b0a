#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/utf8.h"

// Names are bytes; these show them as UTF-8 text where they are.
namespace kryvet::cli {

using kryvet::CodePoint;
using kryvet::Utf8At;

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
