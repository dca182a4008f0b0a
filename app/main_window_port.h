#pragma once

#include "app/operation_window.h"

class QDialog;
namespace kryvet {

struct Forms;

// The main window and its dialogs as the operations see them: the file
// name, the password request, the busy and idle states, the notices, the
// gauge and the focus.
class MainWindowPort : public OperationWindow {
public:
    explicit MainWindowPort(Forms& forms) : forms_(forms) {}

    std::string FileNameText() const override;
    PasswordResult AskPassword(OperationButton operation) override;
    void ShowMismatch() override;
    void EnterBusyState(OperationButton button) override;
    void LeaveBusyState(OperationButton button) override;
    void ShowNotice(Notice notice) override;
    bool AskFinishForeignRecord(OperationButton operation) override;
    void SetGaugeProgress(int percent) override;
    void FocusFileName() override;
    void FocusButton(OperationButton button) override;
    Outcome RunRewrite(const std::function<Outcome(ProgressSink&)>& rewrite) override;

private:
    // Runs a dialog modally and gives the keyboard back to the main window.
    int ShowModal(QDialog& dialog);
    // The wrong-password notice, with the key breaking while it is shown.
    void ShowNotPassword();

    Forms& forms_;
};

}  // namespace kryvet
