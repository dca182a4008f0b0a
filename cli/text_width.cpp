#include "cli/text_width.h"

#ifdef _WIN32
#include "cli/code_point_width_windows.h"
#else
#include <wchar.h>
#endif

#include <vector>

#include "cli/utf8_text.h"

namespace kryvet::cli {

namespace {

#ifndef _WIN32
int CodePointWidth(char32_t c) {
    return wcwidth(static_cast<wchar_t>(c));
}
#endif

constexpr std::string_view kEllipsis = "…";

struct Piece {
    std::size_t bytes;
    std::size_t columns;
};

Piece PieceAt(std::string_view text, std::size_t at) {
    const CodePoint c = Utf8At(text, at);
    if (c.bytes == 0) {
        return {1, 2};
    }
    const int width = CodePointWidth(c.value);
    return {c.bytes, width < 0 ? 2u : static_cast<std::size_t>(width)};
}

// Bytes of the longest start of `text` within `columns`.
std::size_t StartWithin(std::string_view text, std::size_t columns) {
    std::size_t at = 0;
    for (std::size_t used = 0; at < text.size();) {
        const Piece piece = PieceAt(text, at);
        if (used + piece.columns > columns) {
            break;
        }
        used += piece.columns;
        at += piece.bytes;
    }
    return at;
}

}  // namespace

std::size_t ColumnsOf(std::string_view text) {
    std::size_t columns = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Piece piece = PieceAt(text, at);
        columns += piece.columns;
        at += piece.bytes;
    }
    return columns;
}

std::string FitEnd(std::string_view text, std::size_t columns) {
    return std::string(text.substr(0, StartWithin(text, columns)));
}

std::string FitMiddle(std::string_view text, std::size_t columns) {
    if (ColumnsOf(text) <= columns) {
        return std::string(text);
    }
    if (columns <= 1) {
        return {};
    }
    // The end of a name says most (its extension, its number): it gets the
    // larger half.
    const std::size_t front = (columns - 1) / 2;
    const std::size_t back = columns - 1 - front;
    const std::size_t head = StartWithin(text, front);
    // The characters after the head, read forwards as everywhere else, then
    // taken from the end while they fit.
    std::vector<std::size_t> starts;
    for (std::size_t at = head; at < text.size(); at += PieceAt(text, at).bytes) {
        starts.push_back(at);
    }
    std::size_t tail = text.size();
    std::size_t used = 0;
    for (auto start = starts.rbegin(); start != starts.rend(); ++start) {
        const std::size_t width = PieceAt(text, *start).columns;
        if (used + width > back) {
            break;
        }
        used += width;
        tail = *start;
    }
    return std::string(text.substr(0, head)) + std::string(kEllipsis) +
           std::string(text.substr(tail));
}

}  // namespace kryvet::cli
