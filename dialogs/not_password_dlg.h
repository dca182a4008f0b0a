#pragma once

#include <QDialog>

class QLabel;

class TNotPassword1 : public QDialog {
    Q_OBJECT
public:
    explicit TNotPassword1(QWidget* parent = nullptr);

    QLabel* Image2;  // the whole key
    QLabel* Image1;  // the broken key, shown over Image2 by the main window's timer
};
