// Encrypts or decrypts one file through the real file layer with a fixed
// clock, saying "busy" when the rewrite begins and each gauge value after,
// so that a test can kill it at any point of the rewrite, however busy the
// machine, and know what the finished file must be.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/error_messages.h"
#include "app/operation_flow.h"
#include "engine/platform_file_posix.h"
#include "kill_rewrite.h"
#include "support/recording_window.h"

namespace {

class SayingWindow : public RecordingWindow {
public:
    void EnterBusyState(kryvet::OperationButton b) override {
        RecordingWindow::EnterBusyState(b);
        (void)!write(STDOUT_FILENO, "busy\n", 5);
    }
    void SetGaugeProgress(int percent) override {
        RecordingWindow::SetGaugeProgress(percent);
        const std::string line = std::to_string(percent) + "\n";
        (void)!write(STDOUT_FILENO, line.data(), line.size());
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FILE encrypt|decrypt REGION-BLOCKS\n", argv[0]);
        return 64;
    }
    SayingWindow window;
    window.fileName = argv[1];
    window.password = kKillTestPassword;
    FixedClockFiles files;
    kryvet::ProgramState state;
    const kryvet::RewriteOptions options{2048, true, std::atoi(argv[3])};
    try {
        if (std::string(argv[2]) == "encrypt") {
            kryvet::EncryptInPlace(window, files, state, options);
        } else {
            kryvet::DecryptInPlace(window, files, state, options);
        }
    } catch (const kryvet::OperationError& e) {
        std::fprintf(stderr, "error %s\n", e.what());
        return 2;
    }
    return 0;
}
