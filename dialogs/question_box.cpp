#include "dialogs/question_box.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace kryvet {

bool AskYesNo(const QString& question) {
    const QPointer<QWidget> previous = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Question, QStringLiteral("Kryvet"), question,
                    QMessageBox::NoButton, previous);
    box.setObjectName(QStringLiteral("QuestionBox"));
    box.setTextFormat(Qt::PlainText);
    // The captions are given here: Qt's own would follow its translations.
    QPushButton* yes = box.addButton(QStringLiteral("はい"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
    yes->setObjectName(QStringLiteral("Yes"));
    no->setObjectName(QStringLiteral("No"));
    // Saying yes must take a deliberate choice.
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.setAccessibleName(QStringLiteral("Kryvet の質問"));
    box.setAccessibleDescription(question);
    if (auto* icon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"))) {
        icon->setAccessibleName(QStringLiteral("疑問の印"));
    }
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (previous) {
        previous->activateWindow();
    }
    return box.clickedButton() == yes;
}

}  // namespace kryvet
