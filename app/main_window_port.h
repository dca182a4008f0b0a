#pragma once

#include "app/operation_window.h"
#include "dialogs/recovered_dlg.h"

class QDialog;
class QPushButton;
namespace kryvet {

class TMainKryvet;

// The main window as the operations see it: the file name, the password
// request, the busy and idle states, the notices, the gauge and the focus.
class MainWindowPort : public OperationWindow {
public:
    explicit MainWindowPort(TMainKryvet& window) : window_(window) {}

    std::string FileNameText() const override;
    PasswordResult AskPassword(OperationButton operation) override;
    void ShowMismatch() override;
    void EnterBusyState(OperationButton button) override;
    void LeaveBusyState(OperationButton button) override;
    void ShowNotice(Notice notice) override;
    bool AskFinishForeignRecord(OperationButton operation) override;
    void SetTimer1Enabled(bool enabled) override;
    void ShowNotPassword() override;
    void HideBrokenKey() override;
    void SetGaugeProgress(int percent) override;
    void FocusFileName() override;
    void FocusButton(OperationButton button) override;
    Outcome RunRewrite(const std::function<Outcome(ProgressSink&)>& rewrite) override;

private:
    QPushButton* Button(OperationButton button) const;
    // Runs a dialog modally and gives the keyboard back to the main window.
    int ShowModal(QDialog& dialog);
    void ShowRecovered(TRecovered1::Finished finished);

    TMainKryvet& window_;
};

}  // namespace kryvet
