#include "win32/open_dialog.h"

#include <commdlg.h>

#include <vector>

#include "win32/form_window.h"

namespace kryvet::win32 {

OpenDialog::OpenDialog(const ControlDescription& description) {
    // "description|patterns|..." as the system takes it.
    for (wchar_t c : Wide(description.text)) {
        filter_.push_back(c == L'|' ? L'\0' : c);
    }
    filter_.push_back(L'\0');
    filter_.push_back(L'\0');
}

std::optional<std::wstring> OpenDialog::Show(HWND owner) {
    // Long paths: the dialog can give more than MAX_PATH.
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = owner;
    open.lpstrFilter = filter_.c_str();
    open.nFilterIndex = filterIndex_;
    open.lpstrFile = file.data();
    open.nMaxFile = DWORD(file.size());
    open.lpstrInitialDir = folder_.empty() ? nullptr : folder_.c_str();
    open.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameW(&open)) {
        return std::nullopt;
    }
    std::wstring path(file.data());
    filterIndex_ = open.nFilterIndex;
    folder_ = path.substr(0, open.nFileOffset);
    return path;
}

}  // namespace kryvet::win32
