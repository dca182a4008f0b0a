#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "forms/form_description.h"

namespace kryvet::win32 {

// The file-open dialog OpenDialog1: the system's own, with the described
// filter and no title of its own, reopened in the folder and at the filter
// confirmed last; the file need not exist.
class OpenDialog {
public:
    explicit OpenDialog(const ControlDescription& description);

    // The full path confirmed, nothing when cancelled.
    std::optional<std::wstring> Show(HWND owner);

private:
    std::wstring filter_;  // pairs, each part ended by a zero
    std::wstring folder_;
    DWORD filterIndex_ = 1;
};

}  // namespace kryvet::win32
