#include "cli/stop_signals.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace kryvet::cli {

namespace {

void Post(int fd) {
    const std::uint64_t one = 1;
    (void)!write(fd, &one, sizeof one);
}

void CloseIfOpen(int fd) {
    if (fd >= 0) {
        close(fd);
    }
}

}  // namespace

StopSignals::StopSignals(std::string notice) : notice_(std::move(notice)) {
    sigemptyset(&signals_);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&signals_, signal);
    }
    // Blocked before the thread starts, so that it inherits the mask and the
    // signals reach nobody but the descriptor.
    pthread_sigmask(SIG_BLOCK, &signals_, &savedMask_);
    signalFd_ = signalfd(-1, &signals_, SFD_CLOEXEC);
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    quit_ = eventfd(0, EFD_CLOEXEC);
    if (signalFd_ < 0 || wake_ < 0 || quit_ < 0) {
        const int error = errno;
        CloseIfOpen(signalFd_);
        CloseIfOpen(wake_);
        CloseIfOpen(quit_);
        pthread_sigmask(SIG_SETMASK, &savedMask_, nullptr);
        throw std::runtime_error(std::string("cannot watch for signals: ") + std::strerror(error));
    }
    watcher_ = std::thread([this] { Watch(); });
}

StopSignals::~StopSignals() {
    Post(quit_);
    watcher_.join();
    close(signalFd_);
    close(wake_);
    close(quit_);
    // A signal that comes from here on has its ordinary effect.
    pthread_sigmask(SIG_SETMASK, &savedMask_, nullptr);
}

void StopSignals::Watch() {
    for (;;) {
        pollfd waits[2] = {{signalFd_, POLLIN, 0}, {quit_, POLLIN, 0}};
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (waits[1].revents != 0) {
            return;
        }
        signalfd_siginfo info{};
        if (read(signalFd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) {
            continue;
        }
        int expected = 0;
        received_.compare_exchange_strong(expected, static_cast<int>(info.ssi_signo));
        (void)!write(STDERR_FILENO, notice_.data(), notice_.size());
        Post(wake_);
    }
}

}  // namespace kryvet::cli
