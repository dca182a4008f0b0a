#include "cli/terminal_prompt.h"

#include "cli/messages.h"
#include "cli/password_input.h"
#include "cli/terminal.h"

namespace kryvet::cli {

namespace {

constexpr int kTries = 3;

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
