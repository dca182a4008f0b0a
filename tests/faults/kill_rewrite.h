#pragma once

#include "engine/platform_file_posix.h"

// What the killed rewrites and the test share: the password, and a clock
// that always says the same, so every encryption of a file is the same.
inline constexpr const char* kKillTestPassword = "\x88\xc3kill";

class FixedClockFiles : public kryvet::platform::PosixPlatformFile {
public:
    kryvet::platform::SystemTime GetLocalTime() override {
        return {2026, 12, 1, 7, 10, 11, 12, 345};
    }
};
