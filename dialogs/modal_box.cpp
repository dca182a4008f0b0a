#include "dialogs/modal_box.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include "dialogs/form_builder.h"

namespace kryvet {

namespace {

// The box's buttons are its standard ones of the same names; their captions
// are the description's, not Qt's, which would follow its translations.
QMessageBox::StandardButton StandardButton(std::string_view name) {
    if (name == "Yes") {
        return QMessageBox::Yes;
    }
    if (name == "No") {
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconOf(std::string_view picture) {
    return picture == "question" ? QMessageBox::Question : QMessageBox::Critical;
}

void AddControls(QMessageBox& box, const FormDescription& description) {
    for (const ControlDescription& control : description.controls) {
        if (control.kind == ControlKind::Picture) {
            box.setIcon(IconOf(control.picture));
            if (auto* icon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"))) {
                icon->setAccessibleName(FormText(control.accessibleName));
            }
            continue;
        }
        QPushButton* button = box.addButton(StandardButton(control.name));
        button->setText(FormText(control.text));
        button->setObjectName(FormText(control.name));
    }
    if (!description.defaultButton.empty()) {
        box.setDefaultButton(Built<QPushButton>(box, description.defaultButton));
    }
    if (!description.cancelButton.empty()) {
        box.setEscapeButton(Built<QPushButton>(box, description.cancelButton));
    }
}

}  // namespace

std::string_view RunMessageBox(const FormDescription& description, const QString& text) {
    const QPointer<QWidget> previous = QApplication::activeWindow();
    QMessageBox box(previous);
    SetUpForm(box, description);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setAccessibleDescription(text);
    AddControls(box, description);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (previous) {
        previous->activateWindow();
    }
    const QAbstractButton* clicked = box.clickedButton();
    for (const ControlDescription& control : description.controls) {
        if (clicked != nullptr && clicked->objectName() == FormText(control.name)) {
            return control.name;
        }
    }
    return description.cancelButton;
}

}  // namespace kryvet
