#include "dialogs/disk_full_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialogs/form_builder.h"
#include "forms/notice_forms.h"

namespace kryvet {

TDiskFull1::TDiskFull1(QWidget* parent)
    : NoticeForm(DiskFull1Form(), parent),
      Image1(Built<QLabel>(*this, "Image1")),
      Button1(Built<QPushButton>(*this, "Button1")) {}

}  // namespace kryvet
