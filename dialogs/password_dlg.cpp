#include "dialogs/password_dlg.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "dialogs/password_box.h"
#include "dialogs/picture_button.h"
#include "dialogs/pictures.h"

namespace kryvet {

PasswordForm::PasswordForm(const QString& caption, FormGeometry geometry, QWidget* parent)
    : QDialog(parent) {
    SetUpFixedForm(*this, caption, geometry);

    Label1 = AddLabel(this, "Label1", QStringLiteral("Ｐａｓｓｗｏｒｄ:"), 40, 9, 100, 14);
    Image1 = AddPicture(this, "Image1", pictures::kKey, 12, 24, QStringLiteral("鍵の絵"));

    Password = new QLineEdit(this);
    Password->setObjectName(QStringLiteral("Password"));
    Password->setGeometry(56, 27, 172, 19);
    SetUpPasswordBox(*Password);
    Password->setAccessibleName(QStringLiteral("パスワード"));

    OKBtn = new PictureButton(QStringLiteral("OK"), pictures::kOkDoor, this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(66, 59, 77, 27);
    OKBtn->setDefault(true);

    CancelBtn = new PictureButton(QStringLiteral("ｷｬﾝｾﾙ"), pictures::kCancelBook, this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(152, 59, 77, 27);

    setTabOrder(Password, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    connect(OKBtn, &QPushButton::clicked, this,
            [this] { Press(kModalOk, &PasswordForm::OKBtnClick); });
    connect(CancelBtn, &QPushButton::clicked, this,
            [this] { Press(kModalCancel, &PasswordForm::CancelBtnClick); });
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

TPasswordDlg::TPasswordDlg(const std::unique_ptr<TPasswordDlg2>& confirmation, QWidget* parent)
    : PasswordForm(QStringLiteral("パスワードの入力"), {189, 129, 236, 93}, parent),
      confirmation_(confirmation) {
    setObjectName(QStringLiteral("PasswordDlg"));
}

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
        TPasswordDlg2& confirmation = *confirmation_;
        confirmation.Password->clear();
        if (confirmation.exec() == kModalCancel) {
            Password->clear();
        } else if (Password->text() != confirmation.Password->text()) {
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

TPasswordDlg2::TPasswordDlg2(QWidget* parent)
    : PasswordForm(QStringLiteral("もう一度"), {198, 153, 236, 93}, parent) {
    setObjectName(QStringLiteral("PasswordDlg2"));
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
