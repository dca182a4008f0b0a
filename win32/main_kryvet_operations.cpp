#include <exception>

#include "app/operation_flow.h"
#include "engine/platform_file_windows.h"
#include "win32/background_rewrite.h"
#include "win32/main_kryvet.h"
#include "win32/message_boxes.h"

namespace kryvet::win32 {

template <typename Operation>
void TMainKryvet::RunOperation(Operation&& operation) {
    if (rewriteRunning_) {
        return;  // one run at a time, however the click got here
    }
    // An error that ends an operation is shown in the error box; the window
    // stays usable.
    try {
        platform::WindowsPlatformFile files;
        operation(files);
    } catch (const std::exception& error) {
        ShowErrorBox(Handle(), error.what());
    }
    if (closePending_) {
        closePending_ = false;
        CloseBox();
    }
}

void TMainKryvet::BuAngoClick() {
    RunOperation(
        [this](platform::PlatformFile& files) { EncryptInPlace(*this, files, ProgramState); });
}

void TMainKryvet::BuFukugoClick() {
    RunOperation(
        [this](platform::PlatformFile& files) { DecryptInPlace(*this, files, ProgramState); });
}

Outcome TMainKryvet::RunRewrite(const std::function<Outcome(ProgressSink&)>& rewrite) {
    struct Running {
        explicit Running(bool& flag) : flag(flag) { flag = true; }
        ~Running() { flag = false; }
        bool& flag;
    } running(rewriteRunning_);
    return RunInBackground(Handle(), rewrite, [this](int percent) { SetGaugeProgress(percent); });
}

}  // namespace kryvet::win32
