#pragma once

#include "dialogs/form_setup.h"

class QLabel;
class QPushButton;

namespace kryvet {

// The password is wrong. The main window's timer uncovers the broken key
// (Image1) over the whole key (Image2) while this notice is shown.
class TNotPassword1 : public NoticeForm {
    Q_OBJECT
public:
    explicit TNotPassword1(QWidget* parent = nullptr);

    // Shows the broken key over the whole one, or hides it again.
    void SetKeyBroken(bool broken);

    QLabel* Image2;  // the whole key, visible
    QLabel* Image1;  // the broken key, hidden until the timer shows it
    QLabel* Label1;
    QPushButton* Button1;
};

}  // namespace kryvet
