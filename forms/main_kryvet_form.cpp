#include "forms/main_kryvet_form.h"

namespace kryvet {

namespace {

constexpr FontDescription kBigButtonFont{"ＭＳ 明朝", 19, 0x000000};

constexpr ControlDescription kControls[] = {
    {.kind = ControlKind::Button,
     .name = "BuVersion",
     .geometry = {332, 11, 146, 35},
     .text = "バージョン情報"},
    {.kind = ControlKind::Edit,
     .name = "EditFileName",
     .geometry = {33, 78, 445, 26},
     .accessibleName = "ファイル名"},
    {.kind = ControlKind::Button,
     .name = "BuFindFile",
     .geometry = {354, 122, 124, 46},
     .text = "参照"},
    {.kind = ControlKind::Label,
     .name = "LaFilename",
     .geometry = {33, 44, 100, 20},
     .text = "ファイル名："},
    {.kind = ControlKind::Button,
     .name = "BuAngo",
     .geometry = {22, 210, 146, 46},
     .text = "暗号化",
     .font = kBigButtonFont},
    {.kind = ControlKind::Button,
     .name = "BuFukugo",
     .geometry = {177, 210, 146, 46},
     .text = "復号",
     .font = kBigButtonFont},
    {.kind = ControlKind::Button,
     .name = "Cancel1",
     .geometry = {332, 210, 146, 46},
     .text = "終了",
     .font = kBigButtonFont},
    // Its stored caption; FormCreate replaces it before the window is seen.
    {.kind = ControlKind::Label,
     .name = "LaRun",
     .geometry = {127, 122, 100, 19},
     .text = "暗号の作業中",
     .accessibleName = "作業の状態",
     .visible = false,
     .color = 0x8000000F},
    {.kind = ControlKind::Gauge,
     .name = "Gauge1",
     .geometry = {39, 159, 273, 28},
     .accessibleName = "進み具合",
     .border = false,
     .color = 0x8000000F,
     .foreColor = 0xFF0000,
     .value = 20},
    {.kind = ControlKind::Label,
     .name = "Label2",
     .geometry = {44, 122, 250, 19},
     .text = "パスワードは一致していません。",
     .visible = false,
     .color = 255},
    {.kind = ControlKind::Timer, .name = "Timer1", .value = 800},
    {.kind = ControlKind::OpenDialog,
     .name = "OpenDialog1",
     .text = "Text *.TXT *.DOC|*.TXT;*.DOC|LOG *.LOG *.LIS|*.LOg;*.LIS|Files *.*|*.*",
     .accessibleName = "ファイルを開く"},
};

constexpr std::string_view kTabOrder[] = {"BuVersion", "BuFindFile", "EditFileName",
                                          "BuAngo",    "BuFukugo",   "Cancel1"};

constexpr MenuItemDescription kRunItems[] = {
    {"KA1", "バージョン情報(&A)", 112},
    {"N3"},
    {"KF1", "参照(&F)...", 113},
    {"N2"},
    {"KP1", "暗号化(&P)"},
    {"KU1", "復号(&U)"},
    {"N1"},
    {"KE1", "終了(&E)", 121},
};

constexpr MenuDescription kMenu[] = {{"KR1", "実行(&R)", "実行", kRunItems}};

constexpr FormDescription kForm{
    .name = "MainKryvet",
    .frame = FormFrame::MainWindow,
    .caption = "Kryvet",
    .geometry = {89, 73, 520, 331},
    .font = {"System", 13},
    // The same picture as in the version box.
    .icon = "app_icon",
    .controls = kControls,
    .tabOrder = kTabOrder,
    .focus = "EditFileName",
    .defaultButton = "BuFindFile",
    .accessibleName = "Kryvet ファイルの暗号化と復号",
    .menuName = "MainMenu1",
    .menuAccessibleName = "メニュー",
    .menu = kMenu,
};

}  // namespace

const FormDescription& MainKryvetForm() {
    return kForm;
}

}  // namespace kryvet
