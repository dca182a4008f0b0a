#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text measured as a terminal lays it out: wide characters take two
// columns, combining ones none. The text is valid UTF-8 without controls
// (a quoted name, a message); whatever the locale cannot measure counts
// two, so that a line is never longer than measured.
namespace kryvet::cli {

std::size_t ColumnsOf(std::string_view text);

// The text cut to `columns`: in the middle, with "…" in place of what is
// left out, or at the end.
std::string FitMiddle(std::string_view text, std::size_t columns);
std::string FitEnd(std::string_view text, std::size_t columns);

}  // namespace kryvet::cli
