#include "dialogs/not_password_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialogs/form_builder.h"
#include "forms/notice_forms.h"

namespace kryvet {

TNotPassword1::TNotPassword1(QWidget* parent)
    : NoticeForm(NotPassword1Form(), parent),
      Image2(Built<QLabel>(*this, "Image2")),
      Image1(Built<QLabel>(*this, "Image1")),
      Label1(Built<QLabel>(*this, "Label1")),
      Button1(Built<QPushButton>(*this, "Button1")) {}

void TNotPassword1::SetKeyBroken(bool broken) {
    Image1->setVisible(broken);
}

}  // namespace kryvet
