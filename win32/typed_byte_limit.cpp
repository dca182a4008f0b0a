#include "win32/typed_byte_limit.h"

#include <commctrl.h>

#include <optional>
#include <string>

#include "engine/cp932.h"
#include "win32/form_window.h"

namespace kryvet::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 0x4B42;

struct Limit {
    std::size_t maxBytes;
    ByteCount count;
};

std::wstring TextOf(HWND edit) {
    std::wstring text(std::size_t(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(edit, text.data(), int(text.size()))));
    return text;
}

std::optional<std::size_t> Counted(const std::wstring& text, ByteCount count) {
    const std::string utf8 = Utf8(text);
    if (count == ByteCount::Cp932OrOwn) {
        return Cp932LengthForLimit(utf8);
    }
    return Cp932Length(utf8);
}

bool EditsText(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_CHAR:
        case WM_IME_CHAR:
        case WM_PASTE:
        case WM_UNDO:
        case EM_UNDO:
            return true;
        case WM_KEYDOWN:
            return wParam == VK_DELETE;
        default:
            return false;
    }
}

LRESULT CALLBACK LimitProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR data) {
    const Limit& limit = *reinterpret_cast<const Limit*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(edit, LimitProcedure, kSubclassId);
        delete &limit;
        return DefSubclassProc(edit, message, wParam, lParam);
    }
    if (!EditsText(message, wParam)) {
        return DefSubclassProc(edit, message, wParam, lParam);
    }
    const std::wstring before = TextOf(edit);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
    const std::wstring after = TextOf(edit);
    if (after == before) {
        return result;
    }
    const std::optional<std::size_t> now = Counted(after, limit.count);
    const std::optional<std::size_t> was = Counted(before, limit.count);
    const bool fits = now && (*now <= limit.maxBytes || (was && *now <= *was));
    if (!fits) {
        SetWindowTextW(edit, before.c_str());
        SendMessageW(edit, EM_SETSEL, start, end);
        MessageBeep(MB_OK);
    }
    return result;
}

}  // namespace

void LimitTypedBytes(HWND edit, std::size_t maxBytes, ByteCount count) {
    auto* limit = new Limit{maxBytes, count};
    SetWindowSubclass(edit, LimitProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(limit));
}

}  // namespace kryvet::win32
