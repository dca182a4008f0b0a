#pragma once

#include "dialogs/form_setup.h"

class QLabel;
class QPushButton;

namespace kryvet {

// The two notices that refuse an operation because of the file's state: a
// padlock, one line of text and the OK button under the caption "実行不可".
// They differ only in their descriptions.
class PadlockNotice : public NoticeForm {
    Q_OBJECT
public:
    QLabel* Image1;  // the padlock
    QLabel* Label1;
    QPushButton* Button1;

protected:
    PadlockNotice(const FormDescription& description, QWidget* parent);
};

// The file is already encrypted.
class TExitAnko1 : public PadlockNotice {
    Q_OBJECT
public:
    explicit TExitAnko1(QWidget* parent = nullptr);
};

// The file is not an encrypted file.
class TNoAngo1 : public PadlockNotice {
    Q_OBJECT
public:
    explicit TNoAngo1(QWidget* parent = nullptr);
};

}  // namespace kryvet
