#include "forms/form_description.h"

#include <stdexcept>
#include <string>

#include "forms/main_kryvet_form.h"
#include "forms/message_box_forms.h"
#include "forms/notice_forms.h"
#include "forms/password_forms.h"
#include "forms/version_form.h"

namespace kryvet {

const ControlDescription* FindControl(const FormDescription& form, std::string_view name) {
    for (const ControlDescription& control : form.controls) {
        if (control.name == name) {
            return &control;
        }
    }
    return nullptr;
}

const ControlDescription& ControlOf(const FormDescription& form, std::string_view name) {
    if (const ControlDescription* control = FindControl(form, name)) {
        return *control;
    }
    throw std::logic_error("form " + std::string(form.name) + " has no control " +
                           std::string(name));
}

std::span<const FormDescription* const> AllForms() {
    static const FormDescription* const forms[] = {
        &MainKryvetForm(),   &VersionDlgForm(), &NotFileDlgForm(),   &DiskFull1Form(),
        &ExitAnko1Form(),    &NoAngo1Form(),    &NotPassword1Form(), &PasswordDlgForm(),
        &PasswordDlg2Form(), &Recovered1Form(), &ErrorBoxForm(),     &QuestionBoxForm(),
    };
    return forms;
}

}  // namespace kryvet
