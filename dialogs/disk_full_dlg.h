#pragma once

#include "dialogs/form_setup.h"

class QLabel;
class QPushButton;

namespace kryvet {

// Not enough free space on the drive; the caption and picture say it all.
class TDiskFull1 : public NoticeForm {
    Q_OBJECT
public:
    explicit TDiskFull1(QWidget* parent = nullptr);

    QLabel* Image1;
    QPushButton* Button1;
};

}  // namespace kryvet
