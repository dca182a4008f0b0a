#include "exit_anko_dlg.h"

TExitAnko1::TExitAnko1(QWidget* parent) : QDialog(parent) {}
