#include "forms/message_box_forms.h"

namespace kryvet {

namespace {

constexpr ControlDescription kErrorControls[] = {
    {.kind = ControlKind::Picture, .name = "Icon", .accessibleName = "停止の印", .picture = "stop"},
    {.kind = ControlKind::Button, .name = "Ok", .text = "OK", .modalResult = 1},
};
constexpr std::string_view kErrorTabOrder[] = {"Ok"};

// The caption is the program's name; a screen reader says what the box is.
constexpr FormDescription kErrorBox{
    .name = "ErrorBox",
    .frame = FormFrame::MessageBox,
    .caption = "Kryvet",
    .controls = kErrorControls,
    .tabOrder = kErrorTabOrder,
    .defaultButton = "Ok",
    .cancelButton = "Ok",
    .accessibleName = "Kryvet のエラー",
};

constexpr ControlDescription kQuestionControls[] = {
    {.kind = ControlKind::Picture,
     .name = "Icon",
     .accessibleName = "疑問の印",
     .picture = "question"},
    {.kind = ControlKind::Button, .name = "Yes", .text = "はい", .modalResult = 1},
    {.kind = ControlKind::Button, .name = "No", .text = "いいえ", .modalResult = 2},
};
constexpr std::string_view kQuestionTabOrder[] = {"Yes", "No"};

constexpr FormDescription kQuestionBox{
    .name = "QuestionBox",
    .frame = FormFrame::MessageBox,
    .caption = "Kryvet",
    .controls = kQuestionControls,
    .tabOrder = kQuestionTabOrder,
    .focus = "No",
    .defaultButton = "No",
    .cancelButton = "No",
    .accessibleName = "Kryvet の質問",
};

}  // namespace

const FormDescription& ErrorBoxForm() {
    return kErrorBox;
}

const FormDescription& QuestionBoxForm() {
    return kQuestionBox;
}

std::string ForeignRecordQuestion(bool encryption) {
    const std::string name = encryption ? "暗号化" : "復号";
    return "このファイルには中断された" + name +
           "の記録がありますが、別のファイルのために作られた記録です。\n"
           "ファイルがコピーされたか、よそから来たか、細工された可能性があります。\n"
           "記録のとおりに" +
           name + "を完了しますか？（アクセス権は記録からは与えません）";
}

}  // namespace kryvet
