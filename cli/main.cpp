// kryvet-cli: the file engine of Kryvet without a window, for many files,
// machines without a desktop, and scripts.
#include "cli/run.h"
#include "engine/platform_file_posix.h"

int main(int argc, char** argv) {
    kryvet::platform::PosixPlatformFile files;
    return kryvet::cli::RunCommandLine(argc, argv, files);
}
