// Encrypts one file through the real file layer and reports its progress on
// standard output, so that a test can send it a termination request in the
// middle of the rewrite.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/error_messages.h"
#include "app/operation_flow.h"
#include "engine/platform_file_posix.h"
#include "support/recording_window.h"

namespace {

void Say(const std::string& line) {
    const std::string out = line + "\n";
    // Unbuffered: the test reacts to each line as it comes.
    (void)!write(STDOUT_FILENO, out.data(), out.size());
}

class ReportingWindow : public RecordingWindow {
public:
    void EnterBusyState(kryvet::OperationButton b) override {
        RecordingWindow::EnterBusyState(b);
        Say("busy");
    }
    void SetGaugeProgress(int percent) override {
        RecordingWindow::SetGaugeProgress(percent);
        Say("gauge " + std::to_string(percent));
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 64;
    }
    ReportingWindow window;
    window.fileName = argv[1];
    window.password = "\x88\xc3term";
    kryvet::platform::PosixPlatformFile files;
    kryvet::ProgramState state;
    try {
        kryvet::EncryptInPlace(window, files, state);
    } catch (const kryvet::OperationError& e) {
        Say(std::string("error ") + e.what());
        return 2;
    }
    Say("done");
    return 0;
}
