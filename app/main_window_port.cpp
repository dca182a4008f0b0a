#include "app/main_window_port.h"

#include <QFile>

#include "app/background_rewrite.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "dialogs/question_box.h"
#include "forms/message_box_forms.h"

namespace kryvet {

std::string MainWindowPort::FileNameText() const {
    return QFile::encodeName(forms_.MainKryvet->FileName()).toStdString();
}

PasswordResult MainWindowPort::AskPassword(OperationButton operation) {
    TMainKryvet& window = *forms_.MainKryvet;
    window.SetGaugeProgress(0);
    window.SetMismatchShown(false);
    // The keyboard comes back before anything else happens, an error in the
    // answer included.
    struct GiveKeyboardBack {
        TMainKryvet& window;
        ~GiveKeyboardBack() { window.activateWindow(); }
    } giveBack{window};
    return forms_.PasswordDlg->Ask(operation == OperationButton::BuAngo);
}

void MainWindowPort::ShowMismatch() {
    forms_.MainKryvet->SetMismatchShown(true);
}

void MainWindowPort::EnterBusyState(OperationButton button) {
    forms_.MainKryvet->EnterBusyState(button);
}

void MainWindowPort::LeaveBusyState(OperationButton button) {
    forms_.MainKryvet->LeaveBusyState(button);
}

int MainWindowPort::ShowModal(QDialog& dialog) {
    const int result = dialog.exec();
    // On a bare X server the keyboard stays with nobody otherwise.
    forms_.MainKryvet->activateWindow();
    return result;
}

void MainWindowPort::ShowNotPassword() {
    TMainKryvet& window = *forms_.MainKryvet;
    window.SetTimer1Enabled(true);
    ShowModal(*forms_.NotPassword1);
    window.SetTimer1Enabled(false);
    forms_.NotPassword1->SetKeyBroken(false);
}

void MainWindowPort::ShowNotice(Notice notice) {
    using Finished = TRecovered1::Finished;
    TRecovered1& recovered = *forms_.Recovered1;
    switch (notice) {
        case Notice::NotFile:
            ShowModal(*forms_.NotFileDlg);
            break;
        case Notice::DiskFull:
            ShowModal(*forms_.DiskFull1);
            break;
        case Notice::ExitAnko:
            ShowModal(*forms_.ExitAnko1);
            break;
        case Notice::NoAngo:
            ShowModal(*forms_.NoAngo1);
            break;
        case Notice::NotPassword:
            ShowNotPassword();
            break;
        case Notice::RecoveredEncryption:
            recovered.SetFinished(Finished::Encryption);
            ShowModal(recovered);
            break;
        case Notice::RecoveredDecryption:
            recovered.SetFinished(Finished::Decryption);
            ShowModal(recovered);
            break;
        case Notice::UndoneEncryption:
            recovered.SetFinished(Finished::UndoneEncryption);
            ShowModal(recovered);
            break;
        case Notice::UndoneDecryption:
            recovered.SetFinished(Finished::UndoneDecryption);
            ShowModal(recovered);
            break;
    }
}

bool MainWindowPort::AskFinishForeignRecord(OperationButton operation) {
    const bool yes = AskYesNo(
        QString::fromStdString(ForeignRecordQuestion(operation == OperationButton::BuAngo)));
    forms_.MainKryvet->activateWindow();
    return yes;
}

void MainWindowPort::SetGaugeProgress(int percent) {
    forms_.MainKryvet->SetGaugeProgress(percent);
}

void MainWindowPort::FocusFileName() {
    forms_.MainKryvet->FocusFileName();
}

void MainWindowPort::FocusButton(OperationButton button) {
    forms_.MainKryvet->FocusButton(button);
}

Outcome MainWindowPort::RunRewrite(const std::function<Outcome(ProgressSink&)>& rewrite) {
    TMainKryvet& window = *forms_.MainKryvet;
    struct Running {
        explicit Running(TMainKryvet& w) : window(w) { window.SetRewriteRunning(true); }
        ~Running() { window.SetRewriteRunning(false); }
        TMainKryvet& window;
    } running(window);
    return RunInBackground(rewrite, [&window](int percent) { window.SetGaugeProgress(percent); });
}

}  // namespace kryvet
