#include <exception>

#include "app/main_window.h"
#include "app/main_window_port.h"
#include "app/operation_flow.h"
#include "dialogs/error_box.h"
#include "engine/platform_file_posix.h"

namespace kryvet {

namespace {

// An error that ends an operation is shown in the error box; the window
// stays usable and the message loop goes on.
template <typename Operation>
void RunShowingErrors(Operation&& operation) {
    try {
        operation();
    } catch (const std::exception& error) {
        ShowErrorBox(error);
    }
}

}  // namespace

void TMainKryvet::BuAngoClick() {
    if (rewriteRunning_) {
        return;  // one run at a time, however the click got here
    }
    RunShowingErrors([this] {
        platform::PosixPlatformFile files;
        MainWindowPort port(Forms);
        EncryptInPlace(port, files, ProgramState);
    });
}

void TMainKryvet::BuFukugoClick() {
    if (rewriteRunning_) {
        return;
    }
    RunShowingErrors([this] {
        platform::PosixPlatformFile files;
        MainWindowPort port(Forms);
        DecryptInPlace(port, files, ProgramState);
    });
}

}  // namespace kryvet
