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
void ShowOutcome(OperationWindow& window, OperationButton button, const Outcome& outcome) {
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
        return;
    }
    window.SetGaugeProgress(100);
    window.LeaveBusyState(button);
}

// The ends both operations share before the password; false for the ones
// each handles itself.
bool ShowCommonRefusal(OperationWindow& window, OperationButton button, Refusal refusal) {
    switch (refusal) {
        case Refusal::EmptyFile:
        case Refusal::InUse:
            window.LeaveBusyState(button);
            return true;
        case Refusal::DiskFull:
            window.LeaveBusyState(button);
            window.ShowNotice(Notice::DiskFull);
            return true;
        default:
            return false;
    }
}

}  // namespace

Outcome OperationWindow::RunRewrite(const std::function<Outcome(ProgressSink&)>& rewrite) {
    GaugeSink gauge(*this);
    return rewrite(gauge);
}

void EncryptInPlace(OperationWindow& window, platform::PlatformFile& files, ProgramState& state,
                    const RewriteOptions& options) {
    constexpr auto kButton = OperationButton::BuAngo;
    state.CurrentOperation = 0;
    Preparation prepared = PrepareEncryption(files, window.FileNameText());
    if (const auto* refusal = std::get_if<Refusal>(&prepared)) {
        if (ShowCommonRefusal(window, kButton, *refusal)) {
            return;
        }
        if (*refusal == Refusal::AlreadyEncrypted) {
            window.LeaveBusyState(kButton);
            window.ShowNotice(Notice::ExitAnko);
            window.FocusFileName();
            return;
        }
        if (*refusal == Refusal::NotFound) {
            window.ShowNotice(Notice::NotFile);
        }
        if (window.IsLabel2Visible()) {
            window.FocusButton(kButton);
        } else {
            window.FocusFileName();
        }
        return;
    }
    if (const auto* failure = std::get_if<Failure>(&prepared)) {
        throw OperationError(*failure);
    }
    PinnedFile& file = std::get<PinnedFile>(prepared);
    if (window.AskPassword()) {
        return;
    }
    window.EnterBusyState(kButton);
    const std::string password = window.PasswordBytes();
    ShowOutcome(window, kButton, window.RunRewrite([&](ProgressSink& gauge) {
        return Encrypt(std::move(file), password, gauge, options);
    }));
}

void DecryptInPlace(OperationWindow& window, platform::PlatformFile& files, ProgramState& state,
                    const RewriteOptions& options) {
    constexpr auto kButton = OperationButton::BuFukugo;
    state.CurrentOperation = 1;
    Preparation prepared = PrepareDecryption(files, window.FileNameText());
    if (const auto* refusal = std::get_if<Refusal>(&prepared)) {
        if (ShowCommonRefusal(window, kButton, *refusal)) {
            return;
        }
        if (*refusal == Refusal::NotEncrypted) {
            window.LeaveBusyState(kButton);
            window.ShowNotice(Notice::NoAngo);
        } else if (*refusal == Refusal::NotFound) {
            window.ShowNotice(Notice::NotFile);
        }
        window.FocusFileName();
        return;
    }
    if (const auto* failure = std::get_if<Failure>(&prepared)) {
        throw OperationError(*failure);
    }
    PinnedFile& file = std::get<PinnedFile>(prepared);
    if (window.AskPassword()) {
        return;
    }
    const std::string password = window.PasswordBytes();
    if (!PasswordMatches(file, password)) {
        file.Close();
        window.LeaveBusyState(kButton);
        window.SetTimer1Enabled(true);
        window.ShowNotPassword();
        window.SetTimer1Enabled(false);
        window.HideBrokenKey();
        return;
    }
    window.EnterBusyState(kButton);
    ShowOutcome(window, kButton, window.RunRewrite([&](ProgressSink& gauge) {
        return Decrypt(std::move(file), password, gauge, options);
    }));
}

}  // namespace kryvet
