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
    std::optional<std::string> ReadHidden(const std::string& prompt) const {
        termios saved{};
        const bool isTerminal = tcgetattr(fd_, &saved) == 0;
        if (isTerminal) {
            termios hidden = saved;
            hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            tcsetattr(fd_, TCSAFLUSH, &hidden);
        }
        Say(prompt);
        std::optional<std::string> line = ReadFirstLine(fd_);
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

Prompted AskOnTerminal(bool confirm) {
    Terminal terminal;
    Prompted prompted;
    if (!terminal.IsOpen()) {
        prompted.noTerminal = true;
        return prompted;
    }
    for (int attempt = 0; attempt < kTries; ++attempt) {
        const auto typed = terminal.ReadHidden(Tr("Password: "));
        if (!typed) {
            return prompted;  // the input ended, or a signal came
        }
        PasswordCheck check = CheckPassword(*typed);
        if (!check.cp932) {
            terminal.Say(check.problem + "\n");
            continue;
        }
        if (confirm) {
            const auto again = terminal.ReadHidden(Tr("Password again: "));
            if (!again) {
                return prompted;
            }
            if (*again != *typed) {
                terminal.Say(std::string(Tr("The passwords do not match. Try again.")) + "\n");
                continue;
            }
        }
        prompted.cp932 = std::move(check.cp932);
        return prompted;
    }
    return prompted;
}

}  // namespace kryvet::cli
