// Qt's own texts in the program's windows speak Japanese once Qt's
// translations are installed; the program's own texts stay as they are.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTranslator>
#include <memory>
#include <vector>

#include "app/forms.h"
#include "app/main_window.h"
#include "app/qt_translations.h"
#include "dialogs/picture_button.h"

using namespace kryvet;

namespace {

QStringList ActionTexts(QMenu& menu) {
    QStringList texts;
    for (QAction* action : menu.actions()) {
        if (!action->isSeparator()) {
            texts << action->text().section(QLatin1Char('\t'), 0, 0);
        }
    }
    return texts;
}

// A button's caption as shown, without its mnemonic: "開く(&O)" reads 開く.
QString Caption(const QAbstractButton* button) {
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)|&"));
    return button->text().remove(mnemonic);
}

QString LabelText(QFileDialog& dialog, const char* name) {
    auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
    return label != nullptr ? label->text() : QStringLiteral("(no label %1)").arg(name);
}

TEST(QtTexts, FileDialogAndContextMenusSpeakJapanese) {
    std::unique_ptr<QTranslator> translator(InstallQtTranslations(nullptr));
    ASSERT_NE(translator, nullptr) << "qtbase_ja.qm is not installed (qt6-translations-l10n)";
    Forms forms;
    CreateForms(forms);
    QFileDialog& dialog = *MainControls(*forms.MainKryvet).OpenDialog1;
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);

    struct Text {
        const char* what;
        QString shown;
        QString expected;
    };
    const std::vector<Text> texts = {
        {"open button", Caption(buttons->button(QDialogButtonBox::Open)), QStringLiteral("開く")},
        {"cancel button", Caption(buttons->button(QDialogButtonBox::Cancel)),
         QStringLiteral("キャンセル")},
        {"folder label", LabelText(dialog, "lookInLabel"), QStringLiteral("アドレス:")},
        {"name label", LabelText(dialog, "fileNameLabel"), QStringLiteral("ファイル名(&N):")},
        // The program's own texts are untouched.
        {"browse button", MainControls(*forms.MainKryvet).BuFindFile->text(),
         QStringLiteral("参照")},
        {"password cancel", forms.PasswordDlg->CancelBtn->text(), QStringLiteral("ｷｬﾝｾﾙ")},
    };
    for (const Text& t : texts) {
        EXPECT_EQ(t.shown, t.expected) << t.what;
    }

    // Every edit box's context menu: file name and passwords alike.
    for (QLineEdit* box :
         {MainControls(*forms.MainKryvet).EditFileName, forms.PasswordDlg->Password}) {
        std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
        const QStringList entries = ActionTexts(*menu);
        ASSERT_FALSE(entries.isEmpty());
        for (const QString& entry : entries) {
            EXPECT_FALSE(entry.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2}"))))
                << entry.toStdString() << " in the menu of " << box->objectName().toStdString();
        }
    }

    // Without the translator a new dialog speaks Qt's English: the texts
    // above came from it.
    translator.reset();
    QFileDialog english;
    english.setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_EQ(Caption(english.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)),
              QStringLiteral("Cancel"));
}

}  // namespace
