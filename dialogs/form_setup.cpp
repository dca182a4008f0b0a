#include "dialogs/form_setup.h"

#include <QKeyEvent>
#include <QPushButton>

#include "dialogs/form_builder.h"

namespace kryvet {

NoticeForm::NoticeForm(const FormDescription& description, QWidget* parent) : QDialog(parent) {
    SetUpForm(*this, description);
    BuildControls(*this, description);
    auto* button = Built<QPushButton>(*this, description.defaultButton);
    button->setAutoDefault(true);
    const int result = ControlOf(description, description.defaultButton).modalResult;
    connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
}

void NoticeForm::reject() {
    done(kModalCancel);
}

void NoticeForm::keyPressEvent(QKeyEvent* event) {
    // No button is a cancel button, so Esc must not close the notice.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kryvet
