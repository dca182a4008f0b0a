#pragma once

#include "forms/notice_forms.h"
#include "win32/form_window.h"

namespace kryvet::win32 {

// The notices: a picture, mostly a line of text, and one OK button.
class TNotFileDlg : public FormWindow {
public:
    explicit TNotFileDlg(HWND owner);
    HWND Image1;
    HWND LaNotFile;
    HWND BuOk1;
};

class TDiskFull1 : public FormWindow {
public:
    explicit TDiskFull1(HWND owner);
    HWND Image1;
    HWND Button1;
};

class TExitAnko1 : public FormWindow {
public:
    explicit TExitAnko1(HWND owner);
    HWND Image1;
    HWND Label1;
    HWND Button1;
};

class TNoAngo1 : public FormWindow {
public:
    explicit TNoAngo1(HWND owner);
    HWND Image1;
    HWND Label1;
    HWND Button1;
};

// The wrong password: the main window's Timer1 breaks the key while it is
// shown.
class TNotPassword1 : public FormWindow {
public:
    explicit TNotPassword1(HWND owner);
    void SetKeyBroken(bool broken);
    HWND Image2;
    HWND Image1;
    HWND Label1;
    HWND Button1;
};

// An interrupted rewrite finished or undone; Label1 says which.
class TRecovered1 : public FormWindow {
public:
    explicit TRecovered1(HWND owner);
    void SetText(RecoveredText text);
    HWND Image1;
    HWND Label1;
    HWND Button1;
};

}  // namespace kryvet::win32
