#pragma once

#include <QDialog>

class TNoAngo1 : public QDialog {
    Q_OBJECT
public:
    explicit TNoAngo1(QWidget* parent = nullptr);
};
