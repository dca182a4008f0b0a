#include "not_file_dlg.h"

TNotFileDlg::TNotFileDlg(QWidget* parent) : QDialog(parent) {}
