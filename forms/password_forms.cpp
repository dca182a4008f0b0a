#include "forms/password_forms.h"

namespace kryvet {

namespace {

constexpr ControlDescription kPasswordControls[] = {
    {.kind = ControlKind::Label,
     .name = "Label1",
     .geometry = {40, 9, 100, 14},
     .text = "Ｐａｓｓｗｏｒｄ:"},
    {.kind = ControlKind::Picture,
     .name = "Image1",
     .geometry = {12, 24, 32, 32},
     .accessibleName = "鍵の絵",
     .picture = "key"},
    // At most 50 bytes of Shift-JIS text may be typed: the engine's rule.
    {.kind = ControlKind::PasswordEdit,
     .name = "Password",
     .geometry = {56, 27, 172, 19},
     .accessibleName = "パスワード"},
    {.kind = ControlKind::PictureButton,
     .name = "OKBtn",
     .geometry = {66, 59, 77, 27},
     .text = "OK",
     .picture = "ok_door",
     .modalResult = 1},
    {.kind = ControlKind::PictureButton,
     .name = "CancelBtn",
     .geometry = {152, 59, 77, 27},
     .text = "ｷｬﾝｾﾙ",
     .picture = "cancel_book",
     .modalResult = 2},
};

constexpr std::string_view kPasswordTabOrder[] = {"Password", "OKBtn", "CancelBtn"};

constexpr FormDescription PasswordForm(std::string_view name, std::string_view caption, int left,
                                       int top) {
    return {.name = name,
            .frame = FormFrame::FixedDialog,
            .caption = caption,
            .geometry = {left, top, 236, 93},
            .font = {"System", 13},
            .controls = kPasswordControls,
            .tabOrder = kPasswordTabOrder,
            .defaultButton = "OKBtn",
            .cancelButton = "CancelBtn"};
}

constexpr FormDescription kPasswordDlg = PasswordForm("PasswordDlg", "パスワードの入力", 189, 129);
constexpr FormDescription kPasswordDlg2 = PasswordForm("PasswordDlg2", "もう一度", 198, 153);

}  // namespace

const FormDescription& PasswordDlgForm() {
    return kPasswordDlg;
}

const FormDescription& PasswordDlg2Form() {
    return kPasswordDlg2;
}

}  // namespace kryvet
