#pragma once

#include <memory>
#include <optional>
#include <string>

#include "dialogs/password_result.h"
#include "win32/form_window.h"

namespace kryvet::win32 {

// The controls both password forms share; Esc presses the cancel button,
// its handler included.
class PasswordForm : public FormWindow {
public:
    PasswordForm(const FormDescription& description, HWND owner);
    HWND Label1;
    HWND Image1;
    HWND Password;
    HWND OKBtn;
    HWND CancelBtn;

protected:
    void Clicked(std::string_view button) override;
    virtual void OKBtnClick() = 0;
    virtual void CancelBtnClick() = 0;
    std::wstring PasswordText() const { return Text("Password"); }
    // The caret at the end, where typing goes on.
    void SetPasswordText(const std::wstring& text);
};

// The confirmation when encrypting.
class TPasswordDlg2 : public PasswordForm {
public:
    explicit TPasswordDlg2(HWND owner);
    // The confirmation typed, nothing when it was cancelled.
    std::optional<std::wstring> AskAgain();

protected:
    void OKBtnClick() override;
    void CancelBtnClick() override;

private:
    std::wstring lastConfirmation_;
};

// The password request; for an encryption it asks for the password twice.
class TPasswordDlg : public PasswordForm {
public:
    explicit TPasswordDlg(HWND owner);
    PasswordResult Ask(bool confirm);

protected:
    void OKBtnClick() override;
    void CancelBtnClick() override;

private:
    std::unique_ptr<TPasswordDlg2> confirmation_;
    std::wstring lastPassword_;
    bool confirm_ = false;
    bool mismatch_ = false;
};

}  // namespace kryvet::win32
