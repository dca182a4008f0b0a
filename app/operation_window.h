#pragma once

#include <functional>
#include <string>

#include "engine/progress_sink.h"
#include "engine/run_result.h"

namespace kryvet {

// The button whose operation is running; it also receives the focus when the
// window becomes idle again.
enum class OperationButton { BuAngo, BuFukugo };

// The refusal notices the operations show (the wrong-password notice has its
// own sequence, see ShowNotPassword).
// RecoveredEncryption, RecoveredDecryption: an interrupted rewrite of the
// named file was finished instead; the notice names which.
enum class Notice { NotFile, DiskFull, ExitAnko, NoAngo, RecoveredEncryption, RecoveredDecryption };

// Everything the encrypt and decrypt operations need from the main window.
// The window implements it; tests substitute a recording fake.
class OperationWindow {
public:
    virtual ~OperationWindow() = default;

    // Text of EditFileName as a local path (UTF-8 bytes), read afresh each time.
    virtual std::string FileNameText() const = 0;
    enum class PasswordAnswer { Given, NotGiven };
    // Resets the gauge, hides Label2, asks for the password (and its
    // confirmation when encrypting). NotGiven: cancelled, empty or not
    // confirmed, and the operation ends there.
    virtual PasswordAnswer AskPassword() = 0;
    // The accepted password in its Shift-JIS (CP932) form, 1 to 50 bytes.
    virtual std::string PasswordBytes() const = 0;

    virtual void EnterBusyState(OperationButton button) = 0;
    virtual void LeaveBusyState(OperationButton button) = 0;

    // Shows the notice modally and returns when it is closed.
    virtual void ShowNotice(Notice notice) = 0;
    // Asks whether to finish an interrupted encryption (BuAngo) or decryption
    // (BuFukugo) whose recovery record was made for another file. True only
    // when the user says yes; no is the default.
    virtual bool AskFinishForeignRecord(OperationButton operation) = 0;
    // The wrong-password notice: Timer1 on, notice shown modally, Timer1 off,
    // broken key hidden again.
    virtual void SetTimer1Enabled(bool enabled) = 0;
    virtual void ShowNotPassword() = 0;
    virtual void HideBrokenKey() = 0;

    virtual void SetGaugeProgress(int percent) = 0;
    virtual void FocusFileName() = 0;
    virtual void FocusButton(OperationButton button) = 0;
    virtual bool IsLabel2Visible() const = 0;

    // Runs the rewrite, which blocks until the file is complete, with its
    // progress going to the gauge, and returns its outcome. The window may
    // run it elsewhere and go on answering meanwhile; by default it runs
    // right here.
    virtual Outcome RunRewrite(const std::function<Outcome(ProgressSink&)>& rewrite);
};

}  // namespace kryvet
