#pragma once

#include <memory>

#include "app/program_state.h"
#include "dialogs/disk_full_dlg.h"
#include "dialogs/not_file_dlg.h"
#include "dialogs/not_password_dlg.h"
#include "dialogs/padlock_notice.h"
#include "dialogs/password_dlg.h"
#include "dialogs/recovered_dlg.h"
#include "dialogs/version_dlg.h"

namespace kryvet {

class TMainKryvet;

// Every form of the program, each created once at start-up and kept until the
// program ends, and what the operations remember between presses. The
// members are destroyed in reverse order, so the dialogs go before the main
// window they belong to, and the state outlives them all.
struct Forms {
    Forms();
    ~Forms();
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    ProgramState State;

    std::unique_ptr<TMainKryvet> MainKryvet;
    std::unique_ptr<TVersionDlg> VersionDlg;
    std::unique_ptr<TNotFileDlg> NotFileDlg;
    std::unique_ptr<TDiskFull1> DiskFull1;
    std::unique_ptr<TExitAnko1> ExitAnko1;
    std::unique_ptr<TNoAngo1> NoAngo1;
    std::unique_ptr<TNotPassword1> NotPassword1;
    std::unique_ptr<TPasswordDlg> PasswordDlg;
    TPasswordDlg2* PasswordDlg2 = nullptr;  // PasswordDlg's own
    std::unique_ptr<TRecovered1> Recovered1;
};

// Creates the main window (and runs its FormCreate), then every dialog.
// The application title and fonts must be set before.
void CreateForms(Forms& forms);

}  // namespace kryvet
