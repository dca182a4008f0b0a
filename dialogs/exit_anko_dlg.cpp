#include "dialogs/exit_anko_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialogs/pictures.h"

TExitAnko1::TExitAnko1(QWidget* parent) : NoticeForm(parent) {
    setObjectName(QStringLiteral("ExitAnko1"));
    SetUpFixedForm(*this, QStringLiteral("実行不可"), {196, 90, 158, 159});
    Image1 = AddPicture(this, "Image1", pictures::kClosedPadlock, 48, 16);
    Label1 = AddLabel(this, "Label1", QStringLiteral("※ 既に処理済みです。"), 24, 80, 124, 14);
    Button1 = AddButton(this, "Button1", QStringLiteral("ＯＫ"), 32, 104, 89, 33);
    InstallOkButton(Button1);
}
