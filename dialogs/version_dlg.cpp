#include "dialogs/version_dlg.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "dialogs/form_builder.h"
#include "forms/version_form.h"

namespace kryvet {

TVersionDlg::TVersionDlg(QWidget* parent)
    : NoticeForm(VersionDlgForm(), parent),
      Panel1(Built<QFrame>(*this, "Panel1")),
      Image1(Built<QLabel>(*this, "Image1")),
      LaProduct(Built<QLabel>(*this, "LaProduct")),
      LaYear(Built<QLabel>(*this, "LaYear")),
      LaVersion(Built<QLabel>(*this, "LaVersion")),
      Label1(Built<QLabel>(*this, "Label1")),
      LaMaker(Built<QLabel>(*this, "LaMaker")),
      BuVersionOk(Built<QPushButton>(*this, "BuVersionOk")) {}

}  // namespace kryvet
