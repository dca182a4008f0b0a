#pragma once

#include "app/operation_window.h"
#include "app/program_state.h"
#include "engine/file_task.h"

// The encrypt and decrypt buttons, step by step as the user sees them: the
// engine's answers become notices, the password prompt, the busy state, the
// gauge and the focus. Errors leave as OperationError, with the window idle,
// for the caller to show in the error box.
namespace kryvet {

void EncryptInPlace(OperationWindow& window, platform::PlatformFile& files, ProgramState& state,
                    const RewriteOptions& options = {});

void DecryptInPlace(OperationWindow& window, platform::PlatformFile& files, ProgramState& state,
                    const RewriteOptions& options = {});

}  // namespace kryvet
