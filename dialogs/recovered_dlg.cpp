#include "dialogs/recovered_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialogs/pictures.h"

namespace kryvet {

namespace {

const QString kFinishedEncryption = QStringLiteral("中断された暗号化を完了しました");
const QString kFinishedDecryption = QStringLiteral("中断された復号を完了しました");
const QString kUndoneEncryption = QStringLiteral("中断された暗号化を取り消しました");
const QString kUndoneDecryption = QStringLiteral("中断された復号を取り消しました");

}  // namespace

// Laid out like the missing-file notice: the picture left of the text, which
// is too long to share the classic 241-pixel width with it.
TRecovered1::TRecovered1(QWidget* parent)
    : NoticeForm("Recovered1", QStringLiteral("復旧"), {196, 120, 306, 110}, parent) {
    Image1 = AddPicture(this, "Image1", pictures::kRestoredPage, 24, 16,
                        QStringLiteral("元に戻った書類の絵"));
    // Sized for the longer of the two texts.
    Label1 = AddLabel(this, "Label1", kFinishedEncryption, 80, 24, 195, 14);
    Button1 = AddButton(this, "Button1", QStringLiteral("ＯＫ"), 108, 56, 89, 33);
    SetFinished(Finished::Encryption);
    InstallOkButton(Button1);
}

void TRecovered1::SetFinished(Finished finished) {
    const QString* const texts[] = {&kFinishedEncryption, &kFinishedDecryption, &kUndoneEncryption,
                                    &kUndoneDecryption};
    Label1->setText(*texts[static_cast<int>(finished)]);
    setAccessibleDescription(Label1->text());
}

}  // namespace kryvet
