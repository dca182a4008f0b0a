#include "win32/password_dlg.h"

#include "engine/cp932.h"
#include "engine/password.h"
#include "forms/password_forms.h"
#include "win32/typed_byte_limit.h"

namespace kryvet::win32 {

PasswordForm::PasswordForm(const FormDescription& description, HWND owner)
    : FormWindow(description, owner),
      Label1(Control("Label1")),
      Image1(Control("Image1")),
      Password(Control("Password")),
      OKBtn(Control("OKBtn")),
      CancelBtn(Control("CancelBtn")) {
    // Only what the engine can store can be typed.
    LimitTypedBytes(Password, kPasswordMaxBytes, ByteCount::Cp932Only);
}

void PasswordForm::Clicked(std::string_view button) {
    if (button == "OKBtn") {
        OKBtnClick();
    } else if (button == "CancelBtn") {
        CancelBtnClick();
    }
}

void PasswordForm::SetPasswordText(const std::wstring& text) {
    SetEditText(Password, text);
}

TPasswordDlg2::TPasswordDlg2(HWND owner) : PasswordForm(PasswordDlg2Form(), owner) {}

std::optional<std::wstring> TPasswordDlg2::AskAgain() {
    SetPasswordText(L"");
    if (ShowModal() != kModalOk) {
        return std::nullopt;
    }
    return PasswordText();
}

void TPasswordDlg2::OKBtnClick() {
    lastConfirmation_ = PasswordText();
    SetFocus(Password);
}

void TPasswordDlg2::CancelBtnClick() {
    SetPasswordText(lastConfirmation_);
    SetFocus(Password);
}

TPasswordDlg::TPasswordDlg(HWND owner)
    : PasswordForm(PasswordDlgForm(), owner),
      confirmation_(std::make_unique<TPasswordDlg2>(owner)) {}

PasswordResult TPasswordDlg::Ask(bool confirm) {
    confirm_ = confirm;
    mismatch_ = false;
    const int result = ShowModal();
    // A mismatch has emptied the box, so it must be told apart first.
    if (mismatch_) {
        return {PasswordResult::Answer::Mismatch, {}};
    }
    const std::wstring typed = PasswordText();
    if (result != kModalOk || typed.empty()) {
        return {PasswordResult::Answer::NotGiven, {}};
    }
    std::optional<std::string> bytes = Utf8ToCp932(Utf8(typed));
    if (!bytes) {
        // Set by the program only; what is typed always has a CP932 form.
        return {PasswordResult::Answer::NotGiven, {}};
    }
    return {PasswordResult::Answer::Given, std::move(*bytes)};
}

void TPasswordDlg::OKBtnClick() {
    const std::wstring typed = PasswordText();
    if (confirm_ && !typed.empty()) {
        const std::optional<std::wstring> confirmed = confirmation_->AskAgain();
        if (!confirmed) {
            SetPasswordText(L"");
        } else if (typed != *confirmed) {
            // Exactly: same length, same characters, letter case included.
            mismatch_ = true;
            SetPasswordText(L"");
        }
    }
    lastPassword_ = PasswordText();
    SetFocus(Password);
}

void TPasswordDlg::CancelBtnClick() {
    SetPasswordText(lastPassword_);
    SetFocus(Password);
}

}  // namespace kryvet::win32
