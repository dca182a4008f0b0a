#pragma once

// Columns a character takes on the console, where the C library has no
// wcwidth: East Asian wide and fullwidth forms two, combining marks and
// zero-width characters none, controls -1, the rest one.
namespace kryvet::cli {

inline int CodePointWidth(char32_t c) {
    struct Range {
        char32_t first, last;
    };
    static constexpr Range kNone[] = {
        {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
        {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x2064}, {0x20D0, 0x20FF}, {0x302A, 0x302F},
        {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF}};
    static constexpr Range kWide[] = {{0x1100, 0x115F},   {0x2E80, 0x303E},  {0x3041, 0x33FF},
                                      {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},  {0xA000, 0xA4CF},
                                      {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},  {0xFE30, 0xFE4F},
                                      {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},  {0x1F300, 0x1F64F},
                                      {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD}};
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
        return -1;
    }
    for (const Range& r : kNone) {
        if (c >= r.first && c <= r.last) {
            return 0;
        }
    }
    for (const Range& r : kWide) {
        if (c >= r.first && c <= r.last) {
            return 2;
        }
    }
    return 1;
}

}  // namespace kryvet::cli
