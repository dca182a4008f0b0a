#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "dialogs/form_setup.h"
#include "engine/program_state.h"

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
    // label2: the main window's mismatch label, shown when the confirmation differs.
    TPasswordDlg(ProgramState& state, const std::unique_ptr<TPasswordDlg2>& confirmation,
                 QLabel& label2, QWidget* parent = nullptr);

public slots:
    void OKBtnClick() override;
    void CancelBtnClick() override;

private:
    ProgramState& state_;
    const std::unique_ptr<TPasswordDlg2>& confirmation_;
    QLabel& label2_;
};

// The confirmation, typed anew at every showing.
class TPasswordDlg2 : public PasswordForm {
    Q_OBJECT
public:
    explicit TPasswordDlg2(ProgramState& state, QWidget* parent = nullptr);

public slots:
    void OKBtnClick() override;
    void CancelBtnClick() override;

private:
    ProgramState& state_;
};

}  // namespace kryvet
