#include "forms/version_form.h"

namespace kryvet {

namespace {

// The labels without a designed size are sized to their texts.
constexpr ControlDescription OnPanel(std::string_view name, int left, int top,
                                     std::string_view text) {
    return {.kind = ControlKind::Label,
            .name = name,
            .geometry = {left, top, 0, 0},
            .text = text,
            .parent = "Panel1"};
}

constexpr ControlDescription kVersionControls[] = {
    {.kind = ControlKind::Panel,
     .name = "Panel1",
     .geometry = {11, 11, 367, 134},
     .accessibleName = "製品の情報"},
    {.kind = ControlKind::Picture,
     .name = "Image1",
     .geometry = {22, 22, 32, 32},
     .accessibleName = "Kryvet のアイコン",
     .picture = "app_icon",
     .parent = "Panel1"},
    OnPanel("LaProduct", 89, 22, "Product Name :  Kryvet95"),
    OnPanel("LaYear", 299, 22, "1996"),
    OnPanel("LaVersion", 89, 55, "Version :   05"),
    OnPanel("Label1", 216, 56, "for  Windows95"),
    OnPanel("LaMaker", 89, 89, "Kryvet Project"),
    {.kind = ControlKind::Button,
     .name = "BuVersionOk",
     .geometry = {122, 155, 123, 46},
     .text = "OK",
     .modalResult = 1},
};

// The panel comes first in the tab order but takes no focus.
constexpr std::string_view kVersionTabOrder[] = {"BuVersionOk"};

constexpr FormDescription kVersionForm{
    .name = "VersionDlg",
    .frame = FormFrame::FixedDialog,
    .caption = "バージョン情報",
    .geometry = {202, 175, 386, 208},
    .font = {"System", 13},
    .controls = kVersionControls,
    .tabOrder = kVersionTabOrder,
    .defaultButton = "BuVersionOk",
};

}  // namespace

const FormDescription& VersionDlgForm() {
    return kVersionForm;
}

}  // namespace kryvet
