#include "dialogs/not_file_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialogs/form_builder.h"
#include "forms/notice_forms.h"

namespace kryvet {

TNotFileDlg::TNotFileDlg(QWidget* parent)
    : NoticeForm(NotFileDlgForm(), parent),
      Image1(Built<QLabel>(*this, "Image1")),
      LaNotFile(Built<QLabel>(*this, "LaNotFile")),
      BuOk1(Built<QPushButton>(*this, "BuOk1")) {}

}  // namespace kryvet
