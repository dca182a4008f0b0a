#pragma once

#include <QDialog>

#include "engine/program_state.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TPasswordDlg2;

class TPasswordDlg : public QDialog {
    Q_OBJECT
public:
    // label2: the main window's mismatch label, shown when the confirmation differs.
    TPasswordDlg(kryvet::ProgramState& state, TPasswordDlg2& confirmation, QLabel& label2,
                 QWidget* parent = nullptr);

    QLineEdit* Password;
};

class TPasswordDlg2 : public QDialog {
    Q_OBJECT
public:
    explicit TPasswordDlg2(kryvet::ProgramState& state, QWidget* parent = nullptr);

    QLineEdit* Password;
};
