#pragma once

#include <array>
#include <cstdint>
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
    // Attribute word of the file being processed; negative: could not be read.
    std::int32_t SavedAttributes = 0;
    // Filled from the header by decryption.
    std::array<std::uint8_t, 8> ClockKey{};
    std::int32_t StoredFileSize = 0;
};

}  // namespace kryvet
