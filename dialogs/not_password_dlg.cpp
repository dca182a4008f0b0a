#include "dialogs/not_password_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialogs/pictures.h"

namespace kryvet {

TNotPassword1::TNotPassword1(QWidget* parent)
    : NoticeForm("NotPassword1", QStringLiteral("不正"), {200, 91, 245, 179}, parent) {
    Image2 = AddPicture(this, "Image2", pictures::kKey, 11, 22, QStringLiteral("鍵の絵"));
    // Created after Image2, so it is drawn above it.
    Image1 =
        AddPicture(this, "Image1", pictures::kBrokenKey, 11, 22, QStringLiteral("折れた鍵の絵"));
    Image1->hide();
    Label1 = AddLabel(this, "Label1", QStringLiteral("※ パスワード異常"), 66, 44, 139, 20);
    Button1 = AddButton(this, "Button1", QStringLiteral("ＯＫ"), 55, 100, 135, 45);
    setAccessibleDescription(Label1->text());
    InstallOkButton(Button1);
}

}  // namespace kryvet
