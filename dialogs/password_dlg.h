#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "dialogs/form_setup.h"
#include "dialogs/password_result.h"

class QLabel;
class QLineEdit;
namespace kryvet {

class PictureButton;
class TPasswordDlg2;

// What the two password dialogs share: their controls, layout and buttons.
// A button sets the modal result, runs its click handler and then closes
// the dialog; the close box gives Cancel's result without running its
// handler; Esc presses Cancel.
class PasswordForm : public QDialog {
    Q_OBJECT
public:
    QLabel* Label1;
    QLabel* Image1;  // the key
    QLineEdit* Password;
    PictureButton* OKBtn;
    PictureButton* CancelBtn;

    void reject() override;

    virtual void OKBtnClick() = 0;
    virtual void CancelBtnClick() = 0;

protected:
    PasswordForm(const QString& caption, FormGeometry geometry, QWidget* parent);

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Press(int modalResult, void (PasswordForm::*handler)());
};

// Asks for the password; when encrypting, its OK asks for it once more in
// the confirmation dialog.
class TPasswordDlg : public PasswordForm {
    Q_OBJECT
public:
    // confirmation: the slot that holds the confirmation dialog. Start-up
    // creates that dialog after this one, so it is looked up when needed.
    explicit TPasswordDlg(const std::unique_ptr<TPasswordDlg2>& confirmation,
                          QWidget* parent = nullptr);

    // Shows the dialog modally and says what it came to. confirm: OK asks
    // for the password once more (encrypting). The box keeps its text for
    // the next showing.
    PasswordResult Ask(bool confirm);

    // The box's text as OK last left it (UTF-8); Cancel puts it back.
    std::string LastPassword;

public slots:
    void OKBtnClick() override;
    void CancelBtnClick() override;

private:
    const std::unique_ptr<TPasswordDlg2>& confirmation_;
    // This showing's: whether OK confirms, and whether the confirmation differed.
    bool confirm_ = false;
    bool mismatch_ = false;
};

// The confirmation, typed anew at every showing.
class TPasswordDlg2 : public PasswordForm {
    Q_OBJECT
public:
    explicit TPasswordDlg2(QWidget* parent = nullptr);

    // The box's text as OK last left it (UTF-8); Cancel puts it back.
    std::string LastConfirmation;

public slots:
    void OKBtnClick() override;
    void CancelBtnClick() override;
};

}  // namespace kryvet
