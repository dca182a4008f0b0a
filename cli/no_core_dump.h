#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/prctl.h>
#endif

// While an instance lives the process leaves no core dump (which would
// hold the password) and cannot be attached to by other processes of the
// user; the setting before is put back after.
namespace kryvet::cli {

#ifdef _WIN32
// Windows: a crash is not handed to Windows Error Reporting, whose report
// would hold the memory of the process.
class NoCoreDump {
public:
    NoCoreDump() : before_(SetErrorMode(0)) {
        SetErrorMode(before_ | SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
    }
    ~NoCoreDump() { SetErrorMode(before_); }
    NoCoreDump(const NoCoreDump&) = delete;
    NoCoreDump& operator=(const NoCoreDump&) = delete;

private:
    UINT before_;
};
#else
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
#endif

}  // namespace kryvet::cli
