#include "dialogs/disk_full_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialogs/pictures.h"

namespace kryvet {

TDiskFull1::TDiskFull1(QWidget* parent)
    : NoticeForm("DiskFull1", QStringLiteral("Ｄｉｓｋ容量不足"), {255, 127, 155, 110}, parent) {
    Image1 = AddPicture(this, "Image1", pictures::kFullContainer, 40, 32,
                        QStringLiteral("満杯の容器の絵"));
    // The caption and the picture say it; a screen reader gets it in words.
    setAccessibleDescription(QStringLiteral("ディスクの空き容量が足りません。"));
    Button1 = AddButton(this, "Button1", QStringLiteral("ＯＫ"), 24, 72, 105, 20);
    InstallOkButton(Button1);
}

}  // namespace kryvet
