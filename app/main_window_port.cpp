#include "app/main_window_port.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/background_rewrite.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "dialogs/password_dlg.h"
#include "dialogs/question_box.h"
#include "widgets/gauge.h"

namespace kryvet {

std::string MainWindowPort::FileNameText() const {
    return QFile::encodeName(window_.EditFileName->text()).toStdString();
}

PasswordResult MainWindowPort::AskPassword(OperationButton operation) {
    window_.Gauge1->SetProgress(0);
    window_.Label2->hide();
    // The keyboard comes back before anything else happens, an error in the
    // answer included.
    struct GiveKeyboardBack {
        TMainKryvet& window;
        ~GiveKeyboardBack() { window.activateWindow(); }
    } giveBack{window_};
    return window_.Forms.PasswordDlg->Ask(operation == OperationButton::BuAngo);
}

void MainWindowPort::ShowMismatch() {
    window_.Label2->show();
}

QPushButton* MainWindowPort::Button(OperationButton button) const {
    return button == OperationButton::BuAngo ? window_.BuAngo : window_.BuFukugo;
}

void MainWindowPort::EnterBusyState(OperationButton button) {
    window_.EnterBusyState(Button(button));
}

void MainWindowPort::LeaveBusyState(OperationButton button) {
    window_.LeaveBusyState(Button(button));
}

int MainWindowPort::ShowModal(QDialog& dialog) {
    const int result = dialog.exec();
    // On a bare X server the keyboard stays with nobody otherwise.
    window_.activateWindow();
    return result;
}

void MainWindowPort::ShowRecovered(TRecovered1::Finished finished) {
    window_.Forms.Recovered1->SetFinished(finished);
    ShowModal(*window_.Forms.Recovered1);
}

void MainWindowPort::ShowNotice(Notice notice) {
    Forms& forms = window_.Forms;
    switch (notice) {
        case Notice::NotFile:
            ShowModal(*forms.NotFileDlg);
            break;
        case Notice::DiskFull:
            ShowModal(*forms.DiskFull1);
            break;
        case Notice::ExitAnko:
            ShowModal(*forms.ExitAnko1);
            break;
        case Notice::NoAngo:
            ShowModal(*forms.NoAngo1);
            break;
        case Notice::RecoveredEncryption:
            ShowRecovered(TRecovered1::Finished::Encryption);
            break;
        case Notice::RecoveredDecryption:
            ShowRecovered(TRecovered1::Finished::Decryption);
            break;
        case Notice::UndoneEncryption:
            ShowRecovered(TRecovered1::Finished::UndoneEncryption);
            break;
        case Notice::UndoneDecryption:
            ShowRecovered(TRecovered1::Finished::UndoneDecryption);
            break;
    }
}

bool MainWindowPort::AskFinishForeignRecord(OperationButton operation) {
    const QString name =
        operation == OperationButton::BuAngo ? QStringLiteral("暗号化") : QStringLiteral("復号");
    const bool yes = AskYesNo(
        QStringLiteral("このファイルには中断された%1の記録がありますが、"
                       "別のファイルのために作られた記録です。\n"
                       "ファイルがコピーされたか、よそから来たか、細工された可能性があります。\n"
                       "記録のとおりに%1を完了しますか？（アクセス権は記録からは与えません）")
            .arg(name));
    window_.activateWindow();
    return yes;
}

void MainWindowPort::SetTimer1Enabled(bool enabled) {
    if (enabled) {
        window_.Timer1->start();
    } else {
        window_.Timer1->stop();
    }
}

void MainWindowPort::ShowNotPassword() {
    ShowModal(*window_.Forms.NotPassword1);
}

void MainWindowPort::HideBrokenKey() {
    window_.Forms.NotPassword1->Image1->hide();
}

void MainWindowPort::SetGaugeProgress(int percent) {
    window_.Gauge1->SetProgress(percent);
}

void MainWindowPort::FocusFileName() {
    window_.EditFileName->setFocus();
}

void MainWindowPort::FocusButton(OperationButton button) {
    Button(button)->setFocus();
}

Outcome MainWindowPort::RunRewrite(const std::function<Outcome(ProgressSink&)>& rewrite) {
    struct Running {
        explicit Running(TMainKryvet& w) : window(w) { window.SetRewriteRunning(true); }
        ~Running() { window.SetRewriteRunning(false); }
        TMainKryvet& window;
    } running(window_);
    return RunInBackground(rewrite, [this](int percent) { window_.Gauge1->SetProgress(percent); });
}

}  // namespace kryvet
