#pragma once

#include "win32/form_window.h"

namespace kryvet::win32 {

// The version box: the product's name and version on a raised panel, and OK.
class TVersionDlg : public FormWindow {
public:
    explicit TVersionDlg(HWND owner);
    HWND Panel1;
    HWND Image1;
    HWND LaProduct;
    HWND LaYear;
    HWND LaVersion;
    HWND Label1;
    HWND LaMaker;
    HWND BuVersionOk;
};

}  // namespace kryvet::win32
