#pragma once

#include "forms/form_description.h"

namespace kryvet {

// The notices: a picture, mostly a line of text, and one OK button (modal
// result 1, the default and the only control that takes the focus; Esc does
// nothing).
const FormDescription& NotFileDlgForm();    // the named file does not exist
const FormDescription& DiskFull1Form();     // not enough free space on the drive
const FormDescription& ExitAnko1Form();     // the file is already encrypted
const FormDescription& NoAngo1Form();       // the file is not an encrypted file
const FormDescription& NotPassword1Form();  // the password is wrong
// An interrupted rewrite was finished, or one that never began undone; its
// Label1 says which (kRecoveredTexts).
const FormDescription& Recovered1Form();

// The texts of Recovered1's Label1, in the order of RecoveredText.
enum class RecoveredText {
    FinishedEncryption,
    FinishedDecryption,
    UndoneEncryption,
    UndoneDecryption
};
inline constexpr std::string_view kRecoveredTexts[] = {
    "中断された暗号化を完了しました",
    "中断された復号を完了しました",
    "中断された暗号化を取り消しました",
    "中断された復号を取り消しました",
};

}  // namespace kryvet
