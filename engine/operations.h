#pragma once

#include <cstdint>

#include "engine/operation_window.h"
#include "engine/platform_file.h"
#include "engine/program_state.h"

namespace kryvet {

struct RewriteOptions {
    // The rewrite moves data in units of this many 512-byte blocks. The bytes
    // produced are the same for every value; larger units are faster.
    std::int32_t unitBlocks = 2048;
    // Whether the gauge follows the rewrite; off only to measure what it costs.
    bool reportProgress = true;
};

// The encrypt button: checks the named file, asks for the password twice and
// rewrites the file in place into the encrypted layout. Refusals are shown
// through the window; an IoError leaves with the file closed, the window idle
// and the attributes restored, for the caller to show.
void EncryptInPlace(OperationWindow& window, platform::PlatformFile& files, ProgramState& state,
                    const RewriteOptions& options = {});

// The decrypt button: the reverse, after the marker and the password match.
void DecryptInPlace(OperationWindow& window, platform::PlatformFile& files, ProgramState& state,
                    const RewriteOptions& options = {});

// Results of ReadHeaderAndCheckPassword.
enum HeaderCheck : int {
    kNotEncrypted = 0,
    kWrongPassword = 1,
    kPasswordNotGiven = 2,
    kPasswordMatches = 99,
};

// Reads the header of a file just opened (position 0) of the given size and,
// when the marker matches, asks for the password and compares it. On
// kPasswordMatches the position is 70, the first byte of the body.
int ReadHeaderAndCheckPassword(OperationWindow& window, platform::PlatformFile& files,
                               ProgramState& state, platform::Handle handle, std::int64_t size);

}  // namespace kryvet
