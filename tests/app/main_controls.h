#pragma once

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include "widgets/gauge.h"

// The main window's controls, found by their names as assistive tools and
// the user see them: the window keeps its members to itself.
struct MainControls {
    explicit MainControls(const QObject& window) : window_(window) {}

    template <typename T>
    T* Find(const char* name) const {
        return window_.findChild<T*>(QString::fromLatin1(name));
    }

    const QObject& window_;
    QPushButton* const BuVersion = Find<QPushButton>("BuVersion");
    QLineEdit* const EditFileName = Find<QLineEdit>("EditFileName");
    QPushButton* const BuFindFile = Find<QPushButton>("BuFindFile");
    QLabel* const LaFilename = Find<QLabel>("LaFilename");
    QPushButton* const BuAngo = Find<QPushButton>("BuAngo");
    QPushButton* const BuFukugo = Find<QPushButton>("BuFukugo");
    QPushButton* const Cancel1 = Find<QPushButton>("Cancel1");
    QLabel* const LaRun = Find<QLabel>("LaRun");
    kryvet::TGauge* const Gauge1 = Find<kryvet::TGauge>("Gauge1");
    QLabel* const Label2 = Find<QLabel>("Label2");
    QTimer* const Timer1 = Find<QTimer>("Timer1");
    QFileDialog* const OpenDialog1 = Find<QFileDialog>("OpenDialog1");
    QMenuBar* const MainMenu1 = Find<QMenuBar>("MainMenu1");
    QMenu* const KR1 = Find<QMenu>("KR1");
    QAction* const KA1 = Find<QAction>("KA1");
    QAction* const N3 = Find<QAction>("N3");
    QAction* const KF1 = Find<QAction>("KF1");
    QAction* const N2 = Find<QAction>("N2");
    QAction* const KP1 = Find<QAction>("KP1");
    QAction* const KU1 = Find<QAction>("KU1");
    QAction* const N1 = Find<QAction>("N1");
    QAction* const KE1 = Find<QAction>("KE1");
};
