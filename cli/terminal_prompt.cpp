#include "cli/terminal_prompt.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "cli/messages.h"
#include "cli/password_input.h"

namespace kryvet::cli {

namespace {

constexpr int kTries = 3;

class Terminal {
public:
    Terminal() : fd_(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~Terminal() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    void Say(const std::string& text) const {
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t n = write(fd_, text.data() + done, text.size() - done);
            if (n <= 0) {
                return;
            }
            done += static_cast<std::size_t>(n);
        }
    }

    // A line typed with the echo off; the echo comes back however the read ends.
    LineRead ReadHidden(const std::string& prompt, int wakeFd) const {
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

private:
    int fd_;
};

}  // namespace

Prompted AskOnTerminal(bool confirm, const std::string& codeset, int wakeFd) {
    Terminal terminal;
    Prompted prompted;
    if (!terminal.IsOpen()) {
        prompted.noTerminal = true;
        return prompted;
    }
    for (int attempt = 0; attempt < kTries; ++attempt) {
        const LineRead typed = terminal.ReadHidden(Tr("Password: "), wakeFd);
        if (typed.end == LineRead::End::NoInput || typed.end == LineRead::End::Stopped ||
            typed.end == LineRead::End::Error) {
            return prompted;  // the input ended, or a signal came
        }
        if (typed.end != LineRead::End::Line) {
            terminal.Say(LineProblem(typed) + "\n");
            continue;
        }
        PasswordCheck check = CheckPassword(typed.line.bytes(), codeset);
        if (!check.password) {
            terminal.Say(check.problem + "\n");
            continue;
        }
        if (confirm) {
            const LineRead again = terminal.ReadHidden(Tr("Password again: "), wakeFd);
            if (again.end != LineRead::End::Line && again.end != LineRead::End::TooLong &&
                again.end != LineRead::End::HasNul) {
                return prompted;
            }
            if (again.end != LineRead::End::Line || again.line.bytes() != typed.line.bytes()) {
                terminal.Say(std::string(Tr("The passwords do not match. Try again.")) + "\n");
                continue;
            }
        }
        prompted.password = std::move(check.password);
        return prompted;
    }
    return prompted;
}

}  // namespace kryvet::cli
