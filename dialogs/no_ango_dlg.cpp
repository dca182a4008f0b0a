#include "dialogs/no_ango_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialogs/pictures.h"

TNoAngo1::TNoAngo1(QWidget* parent) : NoticeForm(parent) {
    setObjectName(QStringLiteral("NoAngo1"));
    SetUpFixedForm(*this, QStringLiteral("実行不可"), {189, 91, 185, 158});
    Image1 = AddPicture(this, "Image1", pictures::kOpenPadlock, 56, 16);
    Label1 = AddLabel(this, "Label1", QStringLiteral("※ 未処理のファイルです。"), 16, 80, 148, 14);
    Button1 = AddButton(this, "Button1", QStringLiteral("ＯＫ"), 48, 104, 89, 33);
    InstallOkButton(Button1);
}
