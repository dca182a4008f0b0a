#pragma once

#ifndef _WIN32
#include <signal.h>
#endif

#include <atomic>
#include <string>
#include <thread>

// SIGINT, SIGTERM and SIGHUP, taken by a thread of their own rather than
// obeyed: the file being rewritten is finished (the engine holds the
// signals back on the thread that rewrites until it is whole), and the run
// stops before the next file. Each one is answered at once on standard
// error, the second and later too, and a password prompt waiting on the
// wake descriptor is cut short. In place while an instance lives. On
// Windows the console's events stand for them: Ctrl-C and Ctrl-Break for
// SIGINT, the console window closed, a log-off or a shut-down for SIGHUP;
// the "descriptor" is then an event's handle.
namespace kryvet::cli {

class StopSignals {
public:
    // `notice` is what each signal is answered with.
    explicit StopSignals(std::string notice);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first signal that came, or 0.
    int Received() const { return received_.load(); }
    // Readable once a signal came: for waits that a signal ends.
    int WakeFd() const { return wake_; }

private:
#ifdef _WIN32
    static int __stdcall OnConsoleEvent(unsigned long event);
    int wake_ = -1;  // an event's handle, set for every request
    std::atomic<int> received_{0};
#else
    void Watch();

    std::string notice_;
    sigset_t signals_{};
    sigset_t savedMask_{};
    int signalFd_ = -1;
    int wake_ = -1;  // an eventfd, written for every signal
    int quit_ = -1;  // an eventfd, written when the instance ends
    std::atomic<int> received_{0};
    std::thread watcher_;
#endif
};

}  // namespace kryvet::cli
