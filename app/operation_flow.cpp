#include "app/operation_flow.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "app/error_messages.h"

namespace kryvet {

namespace {

class GaugeSink : public ProgressSink {
public:
    explicit GaugeSink(OperationWindow& window) : window_(window) {}
    void Progress(int percent) override { window_.SetGaugeProgress(percent); }

private:
    OperationWindow& window_;
};

// The end of a rewrite: the gauge full and the window idle, or the error.
// True when the rewrite was done.
bool ShowOutcome(OperationWindow& window, OperationButton button, const Outcome& outcome) {
    if (const auto* failure = std::get_if<Failure>(&outcome)) {
        if (failure->file == FileState::Completed) {
            window.SetGaugeProgress(100);
        }
        window.LeaveBusyState(button);
        throw OperationError(*failure);
    }
    if (std::holds_alternative<Refusal>(outcome)) {
        // Only a file found full at the last moment comes back refused here.
        window.LeaveBusyState(button);
        window.ShowNotice(Notice::DiskFull);
        return false;
    }
    window.SetGaugeProgress(100);
    window.LeaveBusyState(button);
    return true;
}

// A run that ended before the password, as the user sees it.
void ShowRefusal(OperationWindow& window, const ProgramState& state, OperationButton button,
                 Refusal refusal) {
    switch (refusal) {
        case Refusal::EmptyFile:
            window.LeaveBusyState(button);
            return;
        case Refusal::DiskFull:
            window.LeaveBusyState(button);
            window.ShowNotice(Notice::DiskFull);
            return;
        case Refusal::AlreadyEncrypted:
        case Refusal::NotEncrypted:
            window.LeaveBusyState(button);
            window.ShowNotice(refusal == Refusal::AlreadyEncrypted ? Notice::ExitAnko
                                                                   : Notice::NoAngo);
            window.FocusFileName();
            return;
        case Refusal::NotFound:
            window.ShowNotice(Notice::NotFile);
            break;
        default:
            break;
    }
    // While the mismatch is shown, encryption gives the focus back to its button.
    if (button == OperationButton::BuAngo && state.MismatchShown) {
        window.FocusButton(button);
    } else {
        window.FocusFileName();
    }
}

// The password for the button's run, nothing when it was not given. Asking
// hides Label2; a mismatch shows it, until the password is asked again.
std::optional<Password> GivenPassword(OperationWindow& window, ProgramState& state,
                                      OperationButton button) {
    PasswordResult result = window.AskPassword(button);
    state.MismatchShown = result.answer == PasswordResult::Answer::Mismatch;
    if (state.MismatchShown) {
        window.ShowMismatch();
    }
    if (result.answer != PasswordResult::Answer::Given) {
        return std::nullopt;
    }
    auto made = Password::FromShiftJis(result.bytes);
    if (auto* password = std::get_if<Password>(&made)) {
        return std::move(*password);
    }
    // The box takes only what the file can keep: anything else is a fault here.
    throw std::logic_error("the password box gave a password the file cannot keep");
}

// The busy state, the rewrite the task is ready for with the gauge
// following it, and its end. True when the rewrite was done.
bool RunBusy(OperationWindow& window, OperationButton button, FileTask& task) {
    window.EnterBusyState(button);
    const Outcome outcome = window.RunRewrite([&](ProgressSink& gauge) { return task.Run(gauge); });
    return ShowOutcome(window, button, outcome);
}

// The wrong-password notice, once the file is closed and the window idle.
void ShowWrongPassword(OperationWindow& window, OperationButton button) {
    window.LeaveBusyState(button);
    window.ShowNotice(Notice::NotPassword);
}

OperationButton ButtonOf(Operation operation) {
    return operation == Operation::Encrypt ? OperationButton::BuAngo : OperationButton::BuFukugo;
}

// Both buttons' runs, as the engine leads them. An interrupted rewrite is
// finished under the label of the operation it finishes, or one that never
// began is put back, and the user hears which; the operation asked follows
// unless that was it.
void RunButton(Operation operation, OperationWindow& window, platform::PlatformFile& files,
               ProgramState& state, const RewriteOptions& options) {
    const OperationButton button = ButtonOf(operation);
    FileTask task(files, operation, window.FileNameText(), options);
    std::optional<Password> password;
    for (;;) {
        const NextStep& next = task.next();
        const bool encrypting = next.operation == Operation::Encrypt;
        switch (next.kind) {
            case NextStep::Kind::PutBack:
                window.LeaveBusyState(button);
                window.ShowNotice(encrypting ? Notice::UndoneEncryption : Notice::UndoneDecryption);
                task.GoOn();
                continue;
            case NextStep::Kind::AskTrust:
                task.Trust(window.AskFinishForeignRecord(ButtonOf(next.operation)));
                continue;
            case NextStep::Kind::Finish:
                if (!RunBusy(window, ButtonOf(next.operation), task)) {
                    return;
                }
                window.ShowNotice(encrypting ? Notice::RecoveredEncryption
                                             : Notice::RecoveredDecryption);
                continue;
            case NextStep::Kind::Password:
                password = GivenPassword(window, state, button);
                if (!password) {
                    task.Close();
                    return;
                }
                task.GivePassword(*password);
                continue;
            case NextStep::Kind::Ready:
                RunBusy(window, button, task);
                return;
            case NextStep::Kind::Refused:
                if (next.refusal == Refusal::WrongPassword) {
                    ShowWrongPassword(window, button);
                } else {
                    ShowRefusal(window, state, button, next.refusal);
                }
                return;
            case NextStep::Kind::Failed:
                throw OperationError(next.failure);
            case NextStep::Kind::Done:
            case NextStep::Kind::Declined:
                return;
        }
    }
}

}  // namespace

Outcome OperationWindow::RunRewrite(const std::function<Outcome(ProgressSink&)>& rewrite) {
    GaugeSink gauge(*this);
    return rewrite(gauge);
}

void EncryptInPlace(OperationWindow& window, platform::PlatformFile& files, ProgramState& state,
                    const RewriteOptions& options) {
    RunButton(Operation::Encrypt, window, files, state, options);
}

void DecryptInPlace(OperationWindow& window, platform::PlatformFile& files, ProgramState& state,
                    const RewriteOptions& options) {
    RunButton(Operation::Decrypt, window, files, state, options);
}

}  // namespace kryvet
