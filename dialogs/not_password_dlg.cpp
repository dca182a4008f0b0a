#include "not_password_dlg.h"

#include <QLabel>

TNotPassword1::TNotPassword1(QWidget* parent)
    : QDialog(parent), Image2(new QLabel(this)), Image1(new QLabel(this)) {
    Image1->hide();
}
