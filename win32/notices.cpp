#include "win32/notices.h"

namespace kryvet::win32 {

TNotFileDlg::TNotFileDlg(HWND owner)
    : FormWindow(NotFileDlgForm(), owner),
      Image1(Control("Image1")),
      LaNotFile(Control("LaNotFile")),
      BuOk1(Control("BuOk1")) {}

TDiskFull1::TDiskFull1(HWND owner)
    : FormWindow(DiskFull1Form(), owner), Image1(Control("Image1")), Button1(Control("Button1")) {}

TExitAnko1::TExitAnko1(HWND owner)
    : FormWindow(ExitAnko1Form(), owner),
      Image1(Control("Image1")),
      Label1(Control("Label1")),
      Button1(Control("Button1")) {}

TNoAngo1::TNoAngo1(HWND owner)
    : FormWindow(NoAngo1Form(), owner),
      Image1(Control("Image1")),
      Label1(Control("Label1")),
      Button1(Control("Button1")) {}

TNotPassword1::TNotPassword1(HWND owner)
    : FormWindow(NotPassword1Form(), owner),
      Image2(Control("Image2")),
      Image1(Control("Image1")),
      Label1(Control("Label1")),
      Button1(Control("Button1")) {}

void TNotPassword1::SetKeyBroken(bool broken) {
    // The broken key lies above the whole one.
    ShowWindow(Image1, broken ? SW_SHOWNA : SW_HIDE);
}

TRecovered1::TRecovered1(HWND owner)
    : FormWindow(Recovered1Form(), owner),
      Image1(Control("Image1")),
      Label1(Control("Label1")),
      Button1(Control("Button1")) {}

void TRecovered1::SetText(RecoveredText text) {
    SetWindowTextW(Label1, Wide(kRecoveredTexts[std::size_t(text)]).c_str());
}

}  // namespace kryvet::win32
