#include "dialogs/not_file_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialogs/pictures.h"

namespace kryvet {

TNotFileDlg::TNotFileDlg(QWidget* parent)
    : NoticeForm("NotFileDlg", QStringLiteral("ないない ！"), {196, 145, 306, 110}, parent) {
    Image1 = AddPicture(this, "Image1", pictures::kStruckFolder, 24, 16,
                        QStringLiteral("×印の付いたフォルダーの絵"));
    LaNotFile =
        AddLabel(this, "LaNotFile", QStringLiteral("ファイルが見つかりません。"), 80, 24, 169, 17);
    BuOk1 = AddButton(this, "BuOk1", QStringLiteral("OK"), 104, 56, 89, 33);
    setAccessibleDescription(LaNotFile->text());
    InstallOkButton(BuOk1);
}

}  // namespace kryvet
