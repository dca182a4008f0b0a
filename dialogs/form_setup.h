#pragma once

#include <QDialog>

#include "forms/form_description.h"

class QPushButton;

namespace kryvet {

// The notices and the version box, built from their descriptions: one
// button with modal result 1 that has the focus and is the default, so Enter
// or Space presses it; Esc does nothing; the close box closes with 2.
class NoticeForm : public QDialog {
    Q_OBJECT
public:
    NoticeForm(const FormDescription& description, QWidget* parent);

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Modal results of the forms.
inline constexpr int kModalOk = 1;
inline constexpr int kModalCancel = 2;

}  // namespace kryvet
