#pragma once

#include "dialogs/form_setup.h"

class QLabel;
class QPushButton;

namespace kryvet {

// The named file does not exist.
class TNotFileDlg : public NoticeForm {
    Q_OBJECT
public:
    explicit TNotFileDlg(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* LaNotFile;
    QPushButton* BuOk1;
};

}  // namespace kryvet
