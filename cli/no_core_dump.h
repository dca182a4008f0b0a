#pragma once

#include <sys/prctl.h>

// While an instance lives the process leaves no core dump (which would
// hold the password) and cannot be attached to by other processes of the
// user; the setting before is put back after.
namespace kryvet::cli {

class NoCoreDump {
public:
    NoCoreDump() : before_(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0)) {
        prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    }
    ~NoCoreDump() {
        if (before_ > 0) {
            prctl(PR_SET_DUMPABLE, before_, 0, 0, 0);
        }
    }
    NoCoreDump(const NoCoreDump&) = delete;
    NoCoreDump& operator=(const NoCoreDump&) = delete;

private:
    int before_;
};

}  // namespace kryvet::cli
