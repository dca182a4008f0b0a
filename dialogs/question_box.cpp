#include "dialogs/question_box.h"

#include "dialogs/modal_box.h"
#include "forms/message_box_forms.h"

namespace kryvet {

bool AskYesNo(const QString& question) {
    return RunMessageBox(QuestionBoxForm(), question) == "Yes";
}

}  // namespace kryvet
