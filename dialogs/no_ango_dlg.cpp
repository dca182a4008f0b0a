#include "no_ango_dlg.h"

TNoAngo1::TNoAngo1(QWidget* parent) : QDialog(parent) {}
