#include "win32/version_dlg.h"

#include "forms/version_form.h"

namespace kryvet::win32 {

TVersionDlg::TVersionDlg(HWND owner)
    : FormWindow(VersionDlgForm(), owner),
      Panel1(Control("Panel1")),
      Image1(Control("Image1")),
      LaProduct(Control("LaProduct")),
      LaYear(Control("LaYear")),
      LaVersion(Control("LaVersion")),
      Label1(Control("Label1")),
      LaMaker(Control("LaMaker")),
      BuVersionOk(Control("BuVersionOk")) {}

}  // namespace kryvet::win32
