#include "version_dlg.h"

TVersionDlg::TVersionDlg(QWidget* parent) : QDialog(parent) {}
