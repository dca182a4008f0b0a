#include "dialogs/recovered_dlg.h"

#include <QLabel>
#include <QPushButton>

namespace kryvet {

TRecovered1::TRecovered1(QWidget* parent)
    : NoticeForm("Recovered1", QStringLiteral("復旧"), {196, 120, 241, 110}, parent) {
    Label1 =
        AddLabel(this, "Label1", QStringLiteral("中断された処理を完了しました"), 24, 24, 193, 14);
    Button1 = AddButton(this, "Button1", QStringLiteral("ＯＫ"), 76, 56, 89, 33);
    setAccessibleDescription(Label1->text());
    InstallOkButton(Button1);
}

}  // namespace kryvet
