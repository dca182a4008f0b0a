#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "dialogs/password_result.h"
#include "forms/form_description.h"

class QLabel;
class QLineEdit;
namespace kryvet {

class PictureButton;

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
    PasswordForm(const FormDescription& description, QWidget* parent);

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Press(int modalResult, void (PasswordForm::*handler)());
};

// The confirmation, typed anew at every showing.
class TPasswordDlg2 : public PasswordForm {
    Q_OBJECT
public:
    explicit TPasswordDlg2(QWidget* parent = nullptr);

    // Clears the box and shows the dialog modally: the text confirmed,
    // nothing when it was cancelled or closed.
    std::optional<QString> AskAgain();

    // The box's text as OK last left it (UTF-8); Cancel puts it back.
    std::string LastConfirmation;

public slots:
    void OKBtnClick() override;
    void CancelBtnClick() override;
};

// Asks for the password; when encrypting, its OK asks for it once more in
// the confirmation dialog, which it makes right after itself and owns.
class TPasswordDlg : public PasswordForm {
    Q_OBJECT
public:
    // parent: also the confirmation's.
    explicit TPasswordDlg(QWidget* parent = nullptr);
    ~TPasswordDlg() override;

    TPasswordDlg2& Confirmation() { return *confirmation_; }

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
    const std::unique_ptr<TPasswordDlg2> confirmation_;
    // This showing's: whether OK confirms, and whether the confirmation differed.
    bool confirm_ = false;
    bool mismatch_ = false;
};

}  // namespace kryvet
