#include "engine/windows_paths.h"

#include <windows.h>

namespace kryvet::platform {

std::optional<std::wstring> WideOfUtf8(const std::string& utf8) {
    if (utf8.empty()) {
        return std::wstring();
    }
    const int length = static_cast<int>(utf8.size());
    const int needed =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (needed <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, wide.data(), needed);
    return wide;
}

std::string Utf8OfWide(const std::wstring& wide) {
    if (wide.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(wide.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

std::optional<std::wstring> LongPathOf(const std::string& utf8) {
    const auto wide = WideOfUtf8(utf8);
    if (!wide || wide->empty() || wide->find(L'\0') != std::wstring::npos) {
        return std::nullopt;
    }
    if (wide->rfind(L"\\\\?\\", 0) == 0) {
        return wide;  // already in the long form, taken as it is
    }
    const DWORD needed = GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return std::nullopt;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(wide->c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        return std::nullopt;
    }
    full.resize(length);
    if (full.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
    }
    return L"\\\\?\\" + full;
}

}  // namespace kryvet::platform
