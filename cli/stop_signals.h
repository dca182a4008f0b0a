#pragma once

#include <signal.h>

// SIGINT, SIGTERM and SIGHUP, remembered rather than obeyed at once: the
// file being rewritten is finished (the engine holds the signals back until
// it is whole), and the run stops before the next file. A password prompt
// is cut short. The handlers are in place while an instance lives.
namespace kryvet::cli {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that came, or 0.
    static int Received();

private:
    struct sigaction saved_[3];
};

}  // namespace kryvet::cli
