#pragma once

#include <string>

namespace kryvet {

// The few values that outlive a single handler call. The main window owns the
// one instance and hands it to the dialogs and to the operations.
struct ProgramState {
    // 0 while encrypting, 1 while decrypting; read by the password dialog.
    int CurrentOperation = 0;
    // Texts of the password boxes as last accepted (UTF-8, as typed).
    std::string LastPassword;
    std::string LastConfirmation;
};

}  // namespace kryvet
