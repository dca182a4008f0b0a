#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kryvet {

// Shift-JIS (code page 932) form of a UTF-8 text, or nothing when a character
// has no such form (it is never replaced by a substitute).
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// UTF-8 text of CP932 bytes, or nothing when they are not valid CP932.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);

// Bytes the text takes in CP932; nothing when a character has no CP932 form.
std::optional<std::size_t> Cp932Length(std::string_view utf8);

// Bytes a path takes when counted the way the limits of the file services
// count: its CP932 form where one exists; a character without one counts with
// its own bytes, so such names are measured, never refused outright.
std::size_t Cp932LengthForLimit(std::string_view path);

}  // namespace kryvet
