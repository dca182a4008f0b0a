#pragma once

#include "dialogs/form_setup.h"

class QFrame;
class QLabel;
class QPushButton;

namespace kryvet {

// The version box.
class TVersionDlg : public NoticeForm {
    Q_OBJECT
public:
    explicit TVersionDlg(QWidget* parent = nullptr);

    QFrame* Panel1;
    QLabel* Image1;  // the application's icon
    QLabel* LaProduct;
    QLabel* LaYear;
    QLabel* LaVersion;
    QLabel* Label1;
    QLabel* LaMaker;
    QPushButton* BuVersionOk;
};

}  // namespace kryvet
