#include "app/forms.h"

#include "app/main_window.h"

namespace kryvet {

Forms::Forms() = default;
Forms::~Forms() = default;

void CreateForms(Forms& forms) {
    // The reference is set before FormCreate runs, so it may reach the
    // window through the forms.
    forms.MainKryvet = std::make_unique<TMainKryvet>(forms);
    forms.MainKryvet->FormCreate();

    // The dialogs are children of the main window so that they open over it;
    // the forms still own them and delete them first.
    QWidget* owner = forms.MainKryvet.get();
    forms.VersionDlg = std::make_unique<TVersionDlg>(owner);
    forms.NotFileDlg = std::make_unique<TNotFileDlg>(owner);
    forms.DiskFull1 = std::make_unique<TDiskFull1>(owner);
    forms.ExitAnko1 = std::make_unique<TExitAnko1>(owner);
    forms.NoAngo1 = std::make_unique<TNoAngo1>(owner);
    forms.NotPassword1 = std::make_unique<TNotPassword1>(owner);
    // The password dialog makes its confirmation right after itself.
    forms.PasswordDlg = std::make_unique<TPasswordDlg>(owner);
    forms.PasswordDlg2 = &forms.PasswordDlg->Confirmation();
    forms.Recovered1 = std::make_unique<TRecovered1>(owner);
}

}  // namespace kryvet
