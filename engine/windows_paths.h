#pragma once

#include <optional>
#include <string>

// Names as the engine and the command line hold them (UTF-8) and as Windows
// takes them (UTF-16, in the long form that passes MAX_PATH).
namespace kryvet::platform {

// UTF-16 of UTF-8; nothing when the bytes are not UTF-8.
std::optional<std::wstring> WideOfUtf8(const std::string& utf8);
// UTF-8 of UTF-16; unpaired surrogates become U+FFFD.
std::string Utf8OfWide(const std::wstring& wide);
// The full path of a name, relative or not, with the \\?\ prefix that lifts
// the length limit; nothing when it is not UTF-8 or cannot be expanded.
std::optional<std::wstring> LongPathOf(const std::string& utf8);

}  // namespace kryvet::platform
