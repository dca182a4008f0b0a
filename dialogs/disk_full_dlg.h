#pragma once

#include <QDialog>

class TDiskFull1 : public QDialog {
    Q_OBJECT
public:
    explicit TDiskFull1(QWidget* parent = nullptr);
};
