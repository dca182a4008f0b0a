#pragma once

#include <optional>
#include <string>
#include <string_view>

// Where a password comes from and the rules it must keep: the same as the
// window's, 1 to 50 Shift-JIS bytes, and a character without a Shift-JIS
// form is refused by name, never replaced.
namespace kryvet::cli {

constexpr std::size_t kPasswordMaxBytes = 50;

struct PasswordCheck {
    std::optional<std::string> cp932;  // the bytes the engine takes
    std::string problem;               // otherwise, what is wrong, for the user
};

PasswordCheck CheckPassword(std::string_view utf8);

// The first line readable from the descriptor, without its line end; or
// nothing, with errno set (EINTR when a signal cut the read short, 0 at
// the end of the input before any byte).
std::optional<std::string> ReadFirstLine(int fd);

// The same from a file.
std::optional<std::string> ReadFirstLineOf(const std::string& path);

}  // namespace kryvet::cli
