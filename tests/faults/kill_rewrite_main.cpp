// Encrypts or decrypts one file through the real file layer with a fixed
// clock, saying each progress value as the engine reports it and 100 once
// the rewrite is done, so that a test can kill it at any point of the
// rewrite, however busy the machine, and know what the finished file must be.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "kill_rewrite.h"
#include "support/engine_run.h"

namespace {

void Say(int percent) {
    const std::string line = std::to_string(percent) + "\n";
    // Unbuffered: the test reacts to each line as it comes.
    (void)!write(STDOUT_FILENO, line.data(), line.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FILE encrypt|decrypt REGION-BLOCKS\n", argv[0]);
        return 64;
    }
    FixedClockFiles files;
    EngineRun run(files, argv[1]);
    run.options = {2048, true, std::atoi(argv[3])};
    run.onProgress = Say;
    const std::string said = std::string(argv[2]) == "encrypt" ? run.Encrypt(kKillTestPassword)
                                                               : run.Decrypt(kKillTestPassword);
    if (!said.empty()) {
        std::fprintf(stderr, "%s\n", said.c_str());
        return 2;
    }
    Say(100);
    return 0;
}
