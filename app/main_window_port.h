#pragma once

#include "app/operation_window.h"

class QDialog;
class QPushButton;
class TMainKryvet;

// The main window as the operations see it: the file name, the password
// request, the busy and idle states, the notices, the gauge and the focus.
class MainWindowPort : public kryvet::OperationWindow {
public:
    explicit MainWindowPort(TMainKryvet& window) : window_(window) {}

    std::string FileNameText() const override;
    PasswordAnswer AskPassword() override;
    std::string PasswordBytes() const override;
    void EnterBusyState(kryvet::OperationButton button) override;
    void LeaveBusyState(kryvet::OperationButton button) override;
    void ShowNotice(kryvet::Notice notice) override;
    void SetTimer1Enabled(bool enabled) override;
    void ShowNotPassword() override;
    void HideBrokenKey() override;
    void SetGaugeProgress(int percent) override;
    void FocusFileName() override;
    void FocusButton(kryvet::OperationButton button) override;
    bool IsLabel2Visible() const override;
    kryvet::Outcome RunRewrite(
        const std::function<kryvet::Outcome(kryvet::ProgressSink&)>& rewrite) override;

private:
    QPushButton* Button(kryvet::OperationButton button) const;
    // Runs a dialog modally and gives the keyboard back to the main window.
    int ShowModal(QDialog& dialog);

    TMainKryvet& window_;
};
