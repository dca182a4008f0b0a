#pragma once

#include "dialogs/form_setup.h"

class QLabel;
class QPushButton;

// The file is already encrypted.
class TExitAnko1 : public NoticeForm {
    Q_OBJECT
public:
    explicit TExitAnko1(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* Label1;
    QPushButton* Button1;
};
