#include "dialogs/version_dlg.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "dialogs/pictures.h"

namespace kryvet {

TVersionDlg::TVersionDlg(QWidget* parent)
    : NoticeForm("VersionDlg", QStringLiteral("バージョン情報"), {202, 175, 386, 208}, parent) {
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(11, 11, 367, 134);
    Panel1->setAccessibleName(QStringLiteral("製品の情報"));

    Image1 = AddPicture(Panel1, "Image1", pictures::kAppIcon, 22, 22,
                        QStringLiteral("Kryvet のアイコン"));
    LaProduct =
        AddAutoSizeLabel(Panel1, "LaProduct", QStringLiteral("Product Name :  Kryvet95"), 89, 22);
    LaYear = AddAutoSizeLabel(Panel1, "LaYear", QStringLiteral("1996"), 299, 22);
    LaVersion = AddAutoSizeLabel(Panel1, "LaVersion", QStringLiteral("Version :   05"), 89, 55);
    Label1 = AddAutoSizeLabel(Panel1, "Label1", QStringLiteral("for  Windows95"), 216, 56);
    LaMaker = AddAutoSizeLabel(Panel1, "LaMaker", QStringLiteral("Kryvet Project"), 89, 89);

    BuVersionOk = AddButton(this, "BuVersionOk", QStringLiteral("OK"), 122, 155, 123, 46);
    InstallOkButton(BuVersionOk);
}

}  // namespace kryvet
