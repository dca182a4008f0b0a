#pragma once

#include "engine/platform_file.h"

// kryvet-cli from its arguments to its exit status, on the file services
// given (the real ones in the program).
namespace kryvet::cli {

constexpr int kExitDone = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitSignalBase = 128;

int RunCommandLine(int argc, char** argv, platform::PlatformFile& files);

}  // namespace kryvet::cli
