#include "forms/notice_forms.h"

namespace kryvet {

namespace {

constexpr FormDescription MakeNotice(std::string_view name, std::string_view caption,
                                     FormRect geometry,
                                     std::span<const ControlDescription> controls,
                                     const std::string_view* button, std::string_view says) {
    return {.name = name,
            .frame = FormFrame::FixedDialog,
            .caption = caption,
            .geometry = geometry,
            .font = {"System", 13},
            .controls = controls,
            .tabOrder = {button, 1},
            .defaultButton = *button,
            .accessibleDescription = says};
}

constexpr ControlDescription OkButton(std::string_view name, std::string_view text, FormRect at) {
    return {
        .kind = ControlKind::Button, .name = name, .geometry = at, .text = text, .modalResult = 1};
}

constexpr ControlDescription Picture(std::string_view name, FormRect at, std::string_view picture,
                                     std::string_view shows) {
    return {.kind = ControlKind::Picture,
            .name = name,
            .geometry = at,
            .accessibleName = shows,
            .picture = picture};
}

constexpr ControlDescription Label(std::string_view name, FormRect at, std::string_view text) {
    return {.kind = ControlKind::Label, .name = name, .geometry = at, .text = text};
}

constexpr std::string_view kBuOk1 = "BuOk1";
constexpr std::string_view kButton1 = "Button1";

constexpr std::string_view kNotFileText = "ファイルが見つかりません。";
constexpr ControlDescription kNotFileControls[] = {
    Picture("Image1", {24, 16, 32, 32}, "folder_struck", "×印の付いたフォルダーの絵"),
    Label("LaNotFile", {80, 24, 169, 17}, kNotFileText),
    OkButton(kBuOk1, "OK", {104, 56, 89, 33}),
};
constexpr FormDescription kNotFileDlg = MakeNotice(
    "NotFileDlg", "ないない ！", {196, 145, 306, 110}, kNotFileControls, &kBuOk1, kNotFileText);

// No text label: the caption and the picture carry the message, and a screen
// reader gets it in words.
constexpr ControlDescription kDiskFullControls[] = {
    Picture("Image1", {40, 32, 64, 32}, "container_full", "満杯の容器の絵"),
    OkButton(kButton1, "ＯＫ", {24, 72, 105, 20}),
};
constexpr FormDescription kDiskFull1 =
    MakeNotice("DiskFull1", "Ｄｉｓｋ容量不足", {255, 127, 155, 110}, kDiskFullControls, &kButton1,
               "ディスクの空き容量が足りません。");

constexpr std::string_view kExitAnkoText = "※ 既に処理済みです。";
constexpr ControlDescription kExitAnkoControls[] = {
    Picture("Image1", {48, 16, 64, 64}, "padlock_closed", "閉じた錠前の絵"),
    Label("Label1", {24, 80, 124, 14}, kExitAnkoText),
    OkButton(kButton1, "ＯＫ", {32, 104, 89, 33}),
};
constexpr FormDescription kExitAnko1 = MakeNotice("ExitAnko1", "実行不可", {196, 90, 158, 159},
                                                  kExitAnkoControls, &kButton1, kExitAnkoText);

constexpr std::string_view kNoAngoText = "※ 未処理のファイルです。";
constexpr ControlDescription kNoAngoControls[] = {
    Picture("Image1", {56, 16, 64, 64}, "padlock_open", "開いた錠前の絵"),
    Label("Label1", {16, 80, 148, 14}, kNoAngoText),
    OkButton(kButton1, "ＯＫ", {48, 104, 89, 33}),
};
constexpr FormDescription kNoAngo1 =
    MakeNotice("NoAngo1", "実行不可", {189, 91, 185, 158}, kNoAngoControls, &kButton1, kNoAngoText);

// The broken key comes after the whole key, so it is drawn above it once the
// main window's timer shows it.
constexpr std::string_view kNotPasswordText = "※ パスワード異常";
constexpr ControlDescription kNotPasswordControls[] = {
    Picture("Image2", {11, 22, 32, 32}, "key", "鍵の絵"),
    {.kind = ControlKind::Picture,
     .name = "Image1",
     .geometry = {11, 22, 32, 32},
     .accessibleName = "折れた鍵の絵",
     .visible = false,
     .picture = "key_broken"},
    Label("Label1", {66, 44, 139, 20}, kNotPasswordText),
    OkButton(kButton1, "ＯＫ", {55, 100, 135, 45}),
};
constexpr FormDescription kNotPassword1 = MakeNotice(
    "NotPassword1", "不正", {200, 91, 245, 179}, kNotPasswordControls, &kButton1, kNotPasswordText);

// Laid out like the missing-file notice, the label sized for the longest of
// its texts.
constexpr std::string_view kRecoveredFirst = kRecoveredTexts[0];
constexpr ControlDescription kRecoveredControls[] = {
    Picture("Image1", {24, 16, 32, 32}, "page_restored", "元に戻った書類の絵"),
    Label("Label1", {80, 24, 195, 14}, kRecoveredFirst),
    OkButton(kButton1, "ＯＫ", {108, 56, 89, 33}),
};
constexpr FormDescription kRecovered1 = MakeNotice("Recovered1", "復旧", {196, 120, 306, 110},
                                                   kRecoveredControls, &kButton1, kRecoveredFirst);

}  // namespace

const FormDescription& NotFileDlgForm() {
    return kNotFileDlg;
}
const FormDescription& DiskFull1Form() {
    return kDiskFull1;
}
const FormDescription& ExitAnko1Form() {
    return kExitAnko1;
}
const FormDescription& NoAngo1Form() {
    return kNoAngo1;
}
const FormDescription& NotPassword1Form() {
    return kNotPassword1;
}
const FormDescription& Recovered1Form() {
    return kRecovered1;
}

}  // namespace kryvet
