#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/secret.h"
#include "engine/password.h"

// Where a password comes from. The rules it must keep are the engine's
// (engine/password.h); a character without a Shift-JIS form is refused by
// name. It is typed in the locale's character set (UTF-8 where the locale
// names none beyond ASCII).
namespace kryvet::cli {

// No password in any character set is longer; a longer line is refused as
// soon as it is seen to be.
constexpr std::size_t kLongestLine = 1024;

struct PasswordCheck {
    std::optional<Password> password;
    std::string problem;  // otherwise, what is wrong, for the user
};

// Checks a password typed in the locale's character set, `codeset`.
PasswordCheck CheckPassword(std::string_view typed, const std::string& codeset);

// The locale's character set, as nl_langinfo names it.
std::string LocaleCodeset();

// The first line readable from a descriptor, without its line end.
struct LineRead {
    enum class End { Line, NoInput, TooLong, HasNul, Stopped, Error } end = End::Line;
    Secret line;
    int error = 0;  // Error: errno
};

// Reads in blocks; `wakeFd`, when not -1, ends the wait once readable (a
// signal came).
LineRead ReadFirstLine(int fd, int wakeFd = -1);

// The same from a file; a file that others can read is `exposed`.
LineRead ReadFirstLineOf(const std::string& path, bool& exposed);

// What a read that gave no line means for the user; empty for a line.
std::string LineProblem(const LineRead& read);

}  // namespace kryvet::cli
