#include "dialogs/padlock_notice.h"

#include <QLabel>
#include <QPushButton>

#include "dialogs/pictures.h"

namespace kryvet {

PadlockNotice::PadlockNotice(const Layout& layout, QWidget* parent)
    : NoticeForm(layout.name, QStringLiteral("実行不可"), layout.form, parent) {
    Image1 = AddPicture(this, "Image1", layout.padlock, layout.padlockAt.x(), layout.padlockAt.y(),
                        layout.padlockName);
    Label1 = AddLabel(this, "Label1", layout.text, layout.label.x(), layout.label.y(),
                      layout.label.width(), layout.label.height());
    Button1 = AddButton(this, "Button1", QStringLiteral("ＯＫ"), layout.button.x(),
                        layout.button.y(), layout.button.width(), layout.button.height());
    setAccessibleDescription(layout.text);
    InstallOkButton(Button1);
}

TExitAnko1::TExitAnko1(QWidget* parent)
    : PadlockNotice(
          {"ExitAnko1", FormGeometry{196, 90, 158, 159}, pictures::kClosedPadlock,
           QStringLiteral("閉じた錠前の絵"), QPoint(48, 16), QStringLiteral("※ 既に処理済みです。"),
           QRect(24, 80, 124, 14), QRect(32, 104, 89, 33)},
          parent) {}

TNoAngo1::TNoAngo1(QWidget* parent)
    : PadlockNotice({"NoAngo1", FormGeometry{189, 91, 185, 158}, pictures::kOpenPadlock,
                     QStringLiteral("開いた錠前の絵"), QPoint(56, 16),
                     QStringLiteral("※ 未処理のファイルです。"), QRect(16, 80, 148, 14),
                     QRect(48, 104, 89, 33)},
                    parent) {}

}  // namespace kryvet
