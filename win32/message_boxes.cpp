#include "win32/message_boxes.h"

#include <commctrl.h>

#include "forms/message_box_forms.h"
#include "win32/form_window.h"

namespace kryvet::win32 {

void ShowErrorBox(HWND owner, const std::string& message) {
    const FormDescription& box = ErrorBoxForm();
    MessageBoxW(owner, Wide(message + std::string(kErrorBoxTextEnd)).c_str(),
                Wide(box.caption).c_str(), MB_OK | MB_ICONSTOP);
}

bool AskYesNo(HWND owner, const std::string& question) {
    const FormDescription& box = QuestionBoxForm();
    const ControlDescription& yes = ControlOf(box, "Yes");
    const ControlDescription& no = ControlOf(box, "No");
    const std::wstring caption = Wide(box.caption);
    const std::wstring text = Wide(question);
    const std::wstring yesText = Wide(yes.text);
    const std::wstring noText = Wide(no.text);
    // A task dialog, for the description's button texts on any system.
    const TASKDIALOG_BUTTON buttons[] = {{IDYES, yesText.c_str()}, {IDNO, noText.c_str()}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_USE_HICON_MAIN;
    config.pszWindowTitle = caption.c_str();
    config.hMainIcon = LoadIconW(nullptr, IDI_QUESTION);
    config.pszContent = text.c_str();
    config.cButtons = 2;
    config.pButtons = buttons;
    config.nDefaultButton = box.defaultButton == "No" ? IDNO : IDYES;
    int pressed = IDNO;
    if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) {
        // Without a task dialog, the plain message box with the same default.
        pressed = MessageBoxW(owner, text.c_str(), caption.c_str(),
                              MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    }
    return pressed == IDYES;
}

}  // namespace kryvet::win32
