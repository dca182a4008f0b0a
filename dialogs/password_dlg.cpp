#include "dialogs/password_dlg.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "dialogs/form_builder.h"
#include "dialogs/form_setup.h"
#include "dialogs/password_box.h"
#include "dialogs/picture_button.h"
#include "forms/password_forms.h"

namespace kryvet {

PasswordForm::PasswordForm(const FormDescription& description, QWidget* parent) : QDialog(parent) {
    SetUpForm(*this, description);
    BuildControls(*this, description);
    Label1 = Built<QLabel>(*this, "Label1");
    Image1 = Built<QLabel>(*this, "Image1");
    Password = Built<QLineEdit>(*this, "Password");
    OKBtn = Built<PictureButton>(*this, "OKBtn");
    CancelBtn = Built<PictureButton>(*this, "CancelBtn");

    const int ok = ControlOf(description, "OKBtn").modalResult;
    const int cancel = ControlOf(description, "CancelBtn").modalResult;
    connect(OKBtn, &QPushButton::clicked, this,
            [this, ok] { Press(ok, &PasswordForm::OKBtnClick); });
    connect(CancelBtn, &QPushButton::clicked, this,
            [this, cancel] { Press(cancel, &PasswordForm::CancelBtnClick); });
}

void PasswordForm::Press(int modalResult, void (PasswordForm::*handler)()) {
    setResult(modalResult);
    (this->*handler)();
    done(result());
}

void PasswordForm::reject() {
    done(kModalCancel);
}

void PasswordForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Password->setFocus();
}

void PasswordForm::keyPressEvent(QKeyEvent* event) {
    // Esc presses the cancel button, handler included; only the close box
    // closes without it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        CancelBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

TPasswordDlg::TPasswordDlg(QWidget* parent)
    : PasswordForm(PasswordDlgForm(), parent),
      confirmation_(std::make_unique<TPasswordDlg2>(parent)) {}

TPasswordDlg::~TPasswordDlg() = default;

PasswordResult TPasswordDlg::Ask(bool confirm) {
    confirm_ = confirm;
    mismatch_ = false;
    const int result = exec();
    // A mismatch has emptied the box, so it must be told apart first.
    if (mismatch_) {
        return {PasswordResult::Answer::Mismatch, {}};
    }
    if (result != kModalOk || Password->text().isEmpty()) {
        return {PasswordResult::Answer::NotGiven, {}};
    }
    return {PasswordResult::Answer::Given, PasswordCp932Bytes(*Password)};
}

void TPasswordDlg::OKBtnClick() {
    if (confirm_ && !Password->text().isEmpty()) {
        const std::optional<QString> confirmed = confirmation_->AskAgain();
        if (!confirmed) {
            Password->clear();
        } else if (Password->text() != *confirmed) {
            // Exactly: same length, same characters, letter case included.
            mismatch_ = true;
            Password->clear();
        }
    }
    LastPassword = Password->text().toStdString();
    Password->setFocus();
}

void TPasswordDlg::CancelBtnClick() {
    Password->setText(QString::fromStdString(LastPassword));
    Password->setFocus();
}

TPasswordDlg2::TPasswordDlg2(QWidget* parent) : PasswordForm(PasswordDlg2Form(), parent) {}

std::optional<QString> TPasswordDlg2::AskAgain() {
    Password->clear();
    if (exec() == kModalCancel) {
        return std::nullopt;
    }
    return Password->text();
}

void TPasswordDlg2::OKBtnClick() {
    LastConfirmation = Password->text().toStdString();
    Password->setFocus();
}

void TPasswordDlg2::CancelBtnClick() {
    Password->setText(QString::fromStdString(LastConfirmation));
    Password->setFocus();
}

}  // namespace kryvet
