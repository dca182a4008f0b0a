// Encrypts one file through the real file layer and reports its progress on
// standard output, so that a test can send it a termination request in the
// middle of the rewrite.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "engine/platform_file_posix.h"
#include "support/engine_run.h"

namespace {

void Say(const std::string& line) {
    const std::string out = line + "\n";
    // Unbuffered: the test reacts to each line as it comes.
    (void)!write(STDOUT_FILENO, out.data(), out.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 64;
    }
    kryvet::platform::PosixPlatformFile files;
    EngineRun run(files, argv[1]);
    run.onProgress = [](int percent) { Say("gauge " + std::to_string(percent)); };
    const std::string said = run.Encrypt("\x88\xc3term");
    if (!said.empty()) {
        Say("error " + said);
        return 2;
    }
    Say("done");
    return 0;
}
