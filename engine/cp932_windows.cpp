// Shift-JIS through the system's own code page 932, without best-fit
// substitutes: a character it has no form for is refused, never replaced.
#include <windows.h>

#include <string>

#include "engine/cp932.h"
#include "engine/wipe.h"

namespace kryvet {

namespace {

constexpr UINT kCodePage932 = 932;

// UTF-16 of a text in `codePage`; nothing when its bytes are not valid there.
std::optional<std::wstring> Widen(UINT codePage, std::string_view in) {
    const int length = static_cast<int>(in.size());
    const int needed =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), length, nullptr, 0);
    if (needed <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), length, wide.data(),
                            needed) != needed) {
        WipeBytes(wide.data(), wide.size() * sizeof(wchar_t));
        return std::nullopt;
    }
    return wide;
}

// `wide` in `codePage`; nothing when a character has no exact form there.
std::optional<std::string> Narrow(UINT codePage, const std::wstring& wide) {
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL substituted = FALSE;
    BOOL* usedDefault = utf8 ? nullptr : &substituted;
    const int length = static_cast<int>(wide.size());
    const int needed =
        WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, usedDefault);
    if (needed <= 0 || substituted) {
        return std::nullopt;
    }
    std::string out(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(codePage, flags, wide.data(), length, out.data(), needed, nullptr,
                            usedDefault) != needed ||
        substituted) {
        WipeBytes(out.data(), out.size());
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> Convert(UINT from, UINT to, std::string_view in) {
    if (in.empty()) {
        return std::string();
    }
    auto wide = Widen(from, in);
    if (!wide) {
        return std::nullopt;
    }
    auto out = Narrow(to, *wide);
    WipeBytes(wide->data(), wide->size() * sizeof(wchar_t));
    return out;
}

}  // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    return Convert(CP_UTF8, kCodePage932, utf8);
}

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
    return Convert(kCodePage932, CP_UTF8, cp932);
}

}  // namespace kryvet
