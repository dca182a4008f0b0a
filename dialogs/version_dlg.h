#pragma once

#include <QDialog>

class TVersionDlg : public QDialog {
    Q_OBJECT
public:
    explicit TVersionDlg(QWidget* parent = nullptr);
};
