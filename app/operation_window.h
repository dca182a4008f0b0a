#pragma once

#include <functional>
#include <string>

#include "dialogs/password_result.h"
#include "engine/progress_sink.h"
#include "engine/run_result.h"

namespace kryvet {

// The button whose operation is running; it also receives the focus when the
// window becomes idle again.
enum class OperationButton { BuAngo, BuFukugo };

// The notices the operations show.
// NotPassword: the wrong password; the key breaks while it is shown (Timer1
// on, the notice modally, Timer1 off, the broken key hidden again).
// RecoveredEncryption, RecoveredDecryption: an interrupted rewrite of the
// named file was finished instead; the notice names which.
// UndoneEncryption, UndoneDecryption: one cut short before it changed the
// contents was put back to the file as it was.
enum class Notice {
    NotFile,
    DiskFull,
    ExitAnko,
    NoAngo,
    NotPassword,
    RecoveredEncryption,
    RecoveredDecryption,
    UndoneEncryption,
    UndoneDecryption
};

// Everything the encrypt and decrypt operations need from the main window.
// The window implements it; tests substitute a recording fake.
class OperationWindow {
public:
    virtual ~OperationWindow() = default;

    // Text of EditFileName as a local path (UTF-8 bytes), read afresh each time.
    virtual std::string FileNameText() const = 0;
    // Resets the gauge, hides Label2 and asks for the password for the
    // operation of that button; encryption asks for it once more. Anything
    // but Given ends the operation.
    virtual PasswordResult AskPassword(OperationButton operation) = 0;
    // Shows Label2: the password and its confirmation differed.
    virtual void ShowMismatch() = 0;

    virtual void EnterBusyState(OperationButton button) = 0;
    virtual void LeaveBusyState(OperationButton button) = 0;

    // Shows the notice modally and returns when it is closed.
    virtual void ShowNotice(Notice notice) = 0;
    // Asks whether to finish an interrupted encryption (BuAngo) or decryption
    // (BuFukugo) whose recovery record was made for another file. True only
    // when the user says yes; no is the default.
    virtual bool AskFinishForeignRecord(OperationButton operation) = 0;
    virtual void SetGaugeProgress(int percent) = 0;
    virtual void FocusFileName() = 0;
    virtual void FocusButton(OperationButton button) = 0;

    // Runs the rewrite, which blocks until the file is complete, with its
    // progress going to the gauge, and returns its outcome. The window may
    // run it elsewhere and go on answering meanwhile; by default it runs
    // right here.
    virtual Outcome RunRewrite(const std::function<Outcome(ProgressSink&)>& rewrite);
};

}  // namespace kryvet
