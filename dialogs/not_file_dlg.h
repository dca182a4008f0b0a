#pragma once

#include <QDialog>

class TNotFileDlg : public QDialog {
    Q_OBJECT
public:
    explicit TNotFileDlg(QWidget* parent = nullptr);
};
