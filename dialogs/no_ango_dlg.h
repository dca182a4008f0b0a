#pragma once

#include "dialogs/form_setup.h"

class QLabel;
class QPushButton;

// The file is not an encrypted file.
class TNoAngo1 : public NoticeForm {
    Q_OBJECT
public:
    explicit TNoAngo1(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* Label1;
    QPushButton* Button1;
};
