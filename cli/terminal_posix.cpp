#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "cli/terminal.h"

namespace kryvet::cli {

Terminal::Terminal() : fd_(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}

Terminal::~Terminal() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool Terminal::IsOpen() const {
    return fd_ >= 0;
}

void Terminal::Say(const std::string& text) const {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = write(fd_, text.data() + done, text.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

LineRead Terminal::ReadHidden(const std::string& prompt, int wakeFd) const {
    termios saved{};
    const bool isTerminal = tcgetattr(fd_, &saved) == 0;
    if (isTerminal) {
        termios hidden = saved;
        hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(fd_, TCSAFLUSH, &hidden);
    }
    Say(prompt);
    LineRead line = ReadFirstLine(fd_, wakeFd);
    if (isTerminal) {
        tcsetattr(fd_, TCSANOW, &saved);
    }
    Say("\n");
    return line;
}

bool IsTerminal(int fd) {
    return isatty(fd) == 1;
}

std::size_t TerminalColumns(int fd) {
    winsize size{};
    return ioctl(fd, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

void WriteToTerminal(int fd, std::string_view text) {
    (void)!write(fd, text.data(), text.size());
}

}  // namespace kryvet::cli
