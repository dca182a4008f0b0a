// Runs one side of a test on the real file layer with a clock that always
// says the same, so that every encryption of a file gives the same bytes:
//   helper [--die-after-writes N] [--on-first-pin COMMAND] press encrypt|decrypt FILE [PASSWORD]
//     the window's flow (a button pressed on FILE; no password: a prompt,
//     if one comes, is cancelled); prints the window's log, one entry a line
//   helper [--die-after-writes N] [--on-first-pin COMMAND] cli ARGS...
//     kryvet-cli's own code in-process, as if run with ARGS
// --die-after-writes N kills the process outright at its N-th write, in
// the middle of the rewrite, as a crash would. --on-first-pin COMMAND runs
// the shell command when the engine is about to pin its first file: the
// moment a race would change the tree behind the run's back.
// --hold-at-write N@PATH holds the N-th write until PATH exists (a minute
// at most): the rewrite stands still in the middle for as long as a test
// needs.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>

#include "app/error_messages.h"
#include "app/operation_flow.h"
#include "cli/run.h"
#include "engine/cp932.h"
#include "engine/platform_file_posix.h"
#include "support/recording_window.h"

namespace {

class TestFiles : public kryvet::platform::PosixPlatformFile {
public:
    TestFiles(long dieAfterWrites, std::string onFirstPin, std::string holdAt)
        : writesLeft_(dieAfterWrites), onFirstPin_(std::move(onFirstPin)) {
        if (const auto at = holdAt.find('@'); at != std::string::npos) {
            holdAt_ = std::atol(holdAt.c_str());
            releasedBy_ = holdAt.substr(at + 1);
        }
    }
    kryvet::platform::Handle Pin(const std::string& name) override {
        if (!onFirstPin_.empty() && std::system(std::exchange(onFirstPin_, {}).c_str()) != 0) {
            std::fprintf(stderr, "the --on-first-pin command failed\n");
            std::exit(65);
        }
        return PosixPlatformFile::Pin(name);
    }
    kryvet::platform::SystemTime GetLocalTime() override {
        return {2026, 12, 1, 7, 10, 11, 12, 345};
    }
    std::int32_t _lwrite(kryvet::platform::Handle handle, const void* buffer,
                         std::int32_t count) override {
        if (writesLeft_ > 0 && --writesLeft_ == 0) {
            raise(SIGKILL);
        }
        if (holdAt_ > 0 && --holdAt_ == 0) {
            for (int tenths = 0; tenths < 600 && access(releasedBy_.c_str(), F_OK) != 0; ++tenths) {
                usleep(100000);
            }
        }
        return PosixPlatformFile::_lwrite(handle, buffer, count);
    }

private:
    long writesLeft_;
    std::string onFirstPin_;
    long holdAt_ = 0;
    std::string releasedBy_;
};

int Press(TestFiles& files, int argc, char** argv) {
    if (argc < 2) {
        return 64;
    }
    RecordingWindow window;
    window.fileName = argv[1];
    if (argc > 2) {
        window.password = kryvet::Utf8ToCp932(argv[2]).value_or("");
    }
    kryvet::ProgramState state;
    int status = 0;
    try {
        std::string(argv[0]) == "encrypt" ? kryvet::EncryptInPlace(window, files, state)
                                          : kryvet::DecryptInPlace(window, files, state);
    } catch (const kryvet::OperationError& e) {
        std::cout << "error " << e.what() << "\n";
        status = 2;
    }
    for (const std::string& entry : window.log) {
        std::cout << entry << "\n";
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    long dieAfterWrites = 0;
    std::string onFirstPin;
    std::string holdAt;
    int at = 1;
    for (; at + 1 < argc; at += 2) {
        if (std::string(argv[at]) == "--die-after-writes") {
            dieAfterWrites = std::atol(argv[at + 1]);
        } else if (std::string(argv[at]) == "--on-first-pin") {
            onFirstPin = argv[at + 1];
        } else if (std::string(argv[at]) == "--hold-at-write") {
            holdAt = argv[at + 1];
        } else {
            break;
        }
    }
    TestFiles files(dieAfterWrites, onFirstPin, holdAt);
    if (at < argc && std::string(argv[at]) == "press") {
        return Press(files, argc - at - 1, argv + at + 1);
    }
    if (at < argc && std::string(argv[at]) == "cli") {
        // The program's own name first, as kryvet-cli sees its arguments.
        argv[at] = const_cast<char*>("kryvet-cli");
        return kryvet::cli::RunCommandLine(argc - at, argv + at, files);
    }
    std::fprintf(stderr,
                 "usage: %s [--die-after-writes N] [--on-first-pin COMMAND] press|cli ...\n",
                 argv[0]);
    return 64;
}
