#include "app/operation_flow.h"

#include <optional>
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
        case Refusal::InUse:
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

// The refusal the preparation came to, if any; a failure leaves as the error.
const Refusal* RefusalOf(const Preparation& prepared) {
    if (const auto* failure = std::get_if<Failure>(&prepared)) {
        throw OperationError(*failure);
    }
    return std::get_if<Refusal>(&prepared);
}

// The password for the button's run, nothing when it was not given. Asking
// hides Label2; a mismatch shows it, until the password is asked again.
std::optional<std::string> GivenPassword(OperationWindow& window, ProgramState& state,
                                         OperationButton button) {
    PasswordResult result = window.AskPassword(button);
    state.MismatchShown = result.answer == PasswordResult::Answer::Mismatch;
    if (state.MismatchShown) {
        window.ShowMismatch();
    }
    if (result.answer != PasswordResult::Answer::Given) {
        return std::nullopt;
    }
    return std::move(result.bytes);
}

// The file ready for its rewrite, and the password given for it.
struct Ready {
    PinnedFile& file;
    std::string password;
};

// The file ready with its password, or nothing when the run ended before
// (the refusal shown, or no password given).
std::optional<Ready> ReadyWithPassword(OperationWindow& window, ProgramState& state,
                                       OperationButton button, Preparation& prepared) {
    if (const Refusal* refusal = RefusalOf(prepared)) {
        ShowRefusal(window, state, button, *refusal);
        return std::nullopt;
    }
    std::optional<std::string> password = GivenPassword(window, state, button);
    if (!password) {
        return std::nullopt;
    }
    return Ready{std::get<PinnedFile>(prepared), std::move(*password)};
}

// The busy state, the rewrite with the gauge following it, and its end.
bool RunBusy(OperationWindow& window, OperationButton button,
             const std::function<Outcome(ProgressSink&)>& rewrite) {
    window.EnterBusyState(button);
    return ShowOutcome(window, button, window.RunRewrite(rewrite));
}

// Finishes the interrupted rewrite the named file carries, whichever button
// was pressed, under the label of the operation it finishes, and says which
// it was; the run ends there. Records made for another file are finished
// only once the user agrees. False for any other file.
bool FinishedInterrupted(OperationWindow& window, Preparation& prepared,
                         const RewriteOptions& options) {
    auto* file = std::get_if<PinnedFile>(&prepared);
    if (file == nullptr || !file->interrupted()) {
        return false;
    }
    const bool encrypting = file->interrupted()->operation == journal::Operation::Encrypt;
    const OperationButton operation =
        encrypting ? OperationButton::BuAngo : OperationButton::BuFukugo;
    RecordTrust trust = RecordTrust::OwnOnly;
    if (!file->interrupted()->madeForThisFile) {
        if (!window.AskFinishForeignRecord(operation)) {
            file->Close();
            return true;
        }
        trust = RecordTrust::UserAgreed;
    }
    const bool done = RunBusy(window, operation, [&](ProgressSink& gauge) {
        return FinishInterrupted(std::move(*file), gauge, options, trust);
    });
    if (done) {
        window.ShowNotice(encrypting ? Notice::RecoveredEncryption : Notice::RecoveredDecryption);
    }
    return true;
}

// Whether preparation put back a rewrite that was cut short before it
// changed the contents, which the user hears of; the run ends there.
bool PutBackUnbegun(OperationWindow& window, OperationButton button, Preparation& prepared) {
    auto* file = std::get_if<PinnedFile>(&prepared);
    if (file == nullptr || !file->putBack()) {
        return false;
    }
    const bool encrypting = file->putBack()->operation == journal::Operation::Encrypt;
    file->Close();
    window.LeaveBusyState(button);
    window.ShowNotice(encrypting ? Notice::UndoneEncryption : Notice::UndoneDecryption);
    return true;
}

// How both buttons begin: an interrupted rewrite is finished, or one that
// never began put back, and the run ends there; otherwise the file ready
// with its password, or nothing.
std::optional<Ready> Begin(OperationWindow& window, ProgramState& state, OperationButton button,
                           Preparation& prepared, const RewriteOptions& options) {
    if (FinishedInterrupted(window, prepared, options) ||
        PutBackUnbegun(window, button, prepared)) {
        return std::nullopt;
    }
    return ReadyWithPassword(window, state, button, prepared);
}

// The wrong-password notice, once the file is closed and the window idle.
void ShowWrongPassword(OperationWindow& window, OperationButton button, PinnedFile& file) {
    file.Close();
    window.LeaveBusyState(button);
    window.ShowNotice(Notice::NotPassword);
}

// What sets the two buttons' runs apart; the steps around it are the same.
struct ButtonRun {
    OperationButton button;
    Preparation (*prepare)(platform::PlatformFile& files, const std::string& name);
    Outcome (*rewrite)(PinnedFile file, const std::string& passwordCp932, ProgressSink& progress,
                       const RewriteOptions& options);
    // Only an encrypted file holds a password to check before the rewrite.
    bool checksPassword;
};

constexpr ButtonRun kEncryptRun{OperationButton::BuAngo, PrepareEncryption, Encrypt, false};
constexpr ButtonRun kDecryptRun{OperationButton::BuFukugo, PrepareDecryption, Decrypt, true};

void RunButton(const ButtonRun& run, OperationWindow& window, platform::PlatformFile& files,
               ProgramState& state, const RewriteOptions& options) {
    Preparation prepared = run.prepare(files, window.FileNameText());
    std::optional<Ready> ready = Begin(window, state, run.button, prepared, options);
    if (!ready) {
        return;
    }
    PinnedFile* file = &ready->file;
    const std::string& password = ready->password;
    if (run.checksPassword && !PasswordMatches(*file, password)) {
        ShowWrongPassword(window, run.button, *file);
        return;
    }
    RunBusy(window, run.button, [&](ProgressSink& gauge) {
        return run.rewrite(std::move(*file), password, gauge, options);
    });
}

}  // namespace

Outcome OperationWindow::RunRewrite(const std::function<Outcome(ProgressSink&)>& rewrite) {
    GaugeSink gauge(*this);
    return rewrite(gauge);
}

void EncryptInPlace(OperationWindow& window, platform::PlatformFile& files, ProgramState& state,
                    const RewriteOptions& options) {
    RunButton(kEncryptRun, window, files, state, options);
}

void DecryptInPlace(OperationWindow& window, platform::PlatformFile& files, ProgramState& state,
                    const RewriteOptions& options) {
    RunButton(kDecryptRun, window, files, state, options);
}

}  // namespace kryvet
