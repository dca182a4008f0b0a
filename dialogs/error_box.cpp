#include "dialogs/error_box.h"

#include "dialogs/form_builder.h"
#include "dialogs/modal_box.h"
#include "forms/message_box_forms.h"

namespace kryvet {

void ShowErrorBox(const QString& message) {
    RunMessageBox(ErrorBoxForm(), message + FormText(kErrorBoxTextEnd));
}

void ShowErrorBox(const std::exception& error) {
    ShowErrorBox(QString::fromUtf8(error.what()));
}

}  // namespace kryvet
