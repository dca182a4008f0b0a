#include "cli/stop_signals.h"

namespace kryvet::cli {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The one global: a signal handler can reach nothing else, and may only
// store into an object of this type.
volatile sig_atomic_t stopSignal = 0;

void Remember(int signal) {
    if (stopSignal == 0) {
        stopSignal = signal;
    }
}

}  // namespace

StopSignals::StopSignals() {
    stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = Remember;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read from the terminal returns, so a prompt ends.
    action.sa_flags = 0;
    for (int i = 0; i < 3; ++i) {
        sigaction(kSignals[i], &action, &saved_[i]);
    }
}

StopSignals::~StopSignals() {
    for (int i = 0; i < 3; ++i) {
        sigaction(kSignals[i], &saved_[i], nullptr);
    }
}

int StopSignals::Received() {
    return stopSignal;
}

}  // namespace kryvet::cli
