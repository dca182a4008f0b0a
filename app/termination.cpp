#include "app/termination.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace kryvet {

namespace {

// Written by the signal handler, read by the event loop. A signal handler
// can reach nothing but a descriptor, so this one stays process-wide.
int notifyFds[2] = {-1, -1};

void OnTerminationSignal(int signalNumber) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = write(notifyFds[0], &byte, 1);
    errno = savedErrno;
}

}  // namespace

void InstallTerminationHandlers(QObject* parent, std::function<void()> request) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, notifyFds) != 0) {
        return;  // the default action stays: better than no way to stop
    }
    auto* notifier = new QSocketNotifier(notifyFds[1], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [request = std::move(request)] {
        char bytes[16];
        while (read(notifyFds[1], bytes, sizeof bytes) > 0) {
        }
        request();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signalNumber, &action, nullptr);
    }
}

}  // namespace kryvet
