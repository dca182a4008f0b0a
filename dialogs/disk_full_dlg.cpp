#include "disk_full_dlg.h"

TDiskFull1::TDiskFull1(QWidget* parent) : QDialog(parent) {}
