#include "password_dlg.h"

#include <QLabel>
#include <QLineEdit>

TPasswordDlg::TPasswordDlg(kryvet::ProgramState&, TPasswordDlg2&, QLabel&, QWidget* parent)
    : QDialog(parent), Password(new QLineEdit(this)) {}

TPasswordDlg2::TPasswordDlg2(kryvet::ProgramState&, QWidget* parent)
    : QDialog(parent), Password(new QLineEdit(this)) {}
