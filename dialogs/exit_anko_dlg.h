#pragma once

#include <QDialog>

class TExitAnko1 : public QDialog {
    Q_OBJECT
public:
    explicit TExitAnko1(QWidget* parent = nullptr);
};
