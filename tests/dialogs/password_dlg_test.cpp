#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <memory>
#include <optional>

#include "dialogs/password_box.h"
#include "dialogs/password_dlg.h"
#include "dialogs/picture_button.h"
#include "engine/cp932.h"
#include "tests/dialogs/accessible_names.h"
#include "tests/dialogs/modal_script.h"

using namespace kryvet;

namespace {

// How a step leaves a password dialog.
enum class Leave { OkButton, Enter, CancelButton, Esc, CloseBox, EnterOnOk, EnterOnCancel };

void LeaveDialog(PasswordForm& dlg, Leave how) {
    switch (how) {
        case Leave::OkButton:
            QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
            break;
        case Leave::Enter:
            QTest::keyClick(dlg.Password, Qt::Key_Return);
            break;
        case Leave::CancelButton:
            QTest::mouseClick(dlg.CancelBtn, Qt::LeftButton);
            break;
        case Leave::Esc:
            QTest::keyClick(dlg.Password, Qt::Key_Escape);
            break;
        case Leave::CloseBox:
            dlg.close();
            break;
        // Enter on a focused button presses that button; the keypad's Enter too.
        case Leave::EnterOnOk:
            dlg.OKBtn->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            break;
        case Leave::EnterOnCancel:
            dlg.CancelBtn->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
            break;
    }
}

// The two dialogs wired as start-up wires them.
struct Fixture {
    TPasswordDlg dlg;
    TPasswordDlg2& dlg2 = dlg.Confirmation();
    int dlg2Showings = 0;

    Fixture() {
        QObject::connect(&dlg2, &QDialog::finished, [this] { ++dlg2Showings; });
    }
};

using Answer = PasswordResult::Answer;

struct ConfirmCase {
    const char* name;
    bool confirm;  // encrypting
    QString firstText;
    Leave firstLeave;
    std::optional<QString> secondText;  // typed in the confirmation, if it opens
    Leave secondLeave;
    int expectedResult;
    Answer expectedAnswer;
    QString expectedBox;
    std::string expectedLastPassword;
    std::string expectedLastConfirmation;
    QString expectedBox2;
};

void PrintTo(const ConfirmCase& c, std::ostream* out) {
    *out << c.name;
}

class PasswordConfirmTest : public ::testing::TestWithParam<ConfirmCase> {};

TEST_P(PasswordConfirmTest, FollowsTheHandlers) {
    const ConfirmCase& c = GetParam();
    Fixture f;
    f.dlg.LastPassword = "before";
    f.dlg2.LastConfirmation = "before2";
    f.dlg2.Password->setText(QStringLiteral("stale"));

    ModalScript script;
    bool focusOnShow = false;
    QString box2OnShow = QStringLiteral("<never shown>");
    script.When(&f.dlg, [&] {
        focusOnShow = FocusReaches(f.dlg.Password);
        TypeText(f.dlg.Password, c.firstText);
        LeaveDialog(f.dlg, c.firstLeave);
    });
    if (c.secondText) {
        script.When(&f.dlg2, [&] {
            box2OnShow = f.dlg2.Password->text();
            TypeText(f.dlg2.Password, *c.secondText);
            LeaveDialog(f.dlg2, c.secondLeave);
        });
    }
    const PasswordResult answer = f.dlg.Ask(c.confirm);
    ASSERT_TRUE(script.Completed());

    EXPECT_TRUE(focusOnShow);
    EXPECT_EQ(f.dlg.result(), c.expectedResult);
    EXPECT_EQ(answer.answer, c.expectedAnswer);
    // The bytes of what was accepted, and nothing unless it was given.
    EXPECT_EQ(answer.bytes, c.expectedAnswer == Answer::Given
                                ? Utf8ToCp932(c.expectedLastPassword).value()
                                : std::string());
    EXPECT_EQ(f.dlg.Password->text(), c.expectedBox);
    EXPECT_EQ(f.dlg.LastPassword, c.expectedLastPassword);
    EXPECT_EQ(f.dlg2.LastConfirmation, c.expectedLastConfirmation);
    EXPECT_EQ(f.dlg2Showings, c.secondText ? 1 : 0);
    if (c.secondText) {
        EXPECT_EQ(box2OnShow, QString()) << "the confirmation must be typed anew";
        EXPECT_EQ(f.dlg2.Password->text(), c.expectedBox2);
    }
    EXPECT_FALSE(f.dlg.isVisible());
    EXPECT_FALSE(f.dlg2.isVisible());
}

const QString kSecret = QStringLiteral("Secret7");

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordConfirmTest,
    ::testing::Values(
        ConfirmCase{"EncryptSameText", true, kSecret, Leave::OkButton, kSecret, Leave::OkButton, 1,
                    Answer::Given, kSecret, "Secret7", "Secret7", kSecret},
        ConfirmCase{"EncryptSameTextByEnter", true, kSecret, Leave::Enter, kSecret, Leave::Enter, 1,
                    Answer::Given, kSecret, "Secret7", "Secret7", kSecret},
        ConfirmCase{"EncryptSameKanji", true, QStringLiteral("秘密ｱ"), Leave::OkButton,
                    QStringLiteral("秘密ｱ"), Leave::OkButton, 1, Answer::Given,
                    QStringLiteral("秘密ｱ"), "秘密ｱ", "秘密ｱ", QStringLiteral("秘密ｱ")},
        ConfirmCase{"EncryptDifferInCase", true, kSecret, Leave::OkButton,
                    QStringLiteral("secret7"), Leave::OkButton, 1, Answer::Mismatch, QString(), "",
                    "secret7", QStringLiteral("secret7")},
        ConfirmCase{"EncryptProperPrefix", true, kSecret, Leave::OkButton, QStringLiteral("Secret"),
                    Leave::OkButton, 1, Answer::Mismatch, QString(), "", "Secret",
                    QStringLiteral("Secret")},
        ConfirmCase{"EncryptLongerConfirmation", true, kSecret, Leave::OkButton,
                    QStringLiteral("Secret77"), Leave::OkButton, 1, Answer::Mismatch, QString(), "",
                    "Secret77", QStringLiteral("Secret77")},
        ConfirmCase{"EncryptKanjiDiffer", true, QStringLiteral("秘密"), Leave::OkButton,
                    QStringLiteral("秘蜜"), Leave::OkButton, 1, Answer::Mismatch, QString(), "",
                    "秘蜜", QStringLiteral("秘蜜")},
        // Cancel puts the last accepted confirmation back into the box.
        ConfirmCase{"EncryptConfirmationCancelled", true, kSecret, Leave::OkButton, kSecret,
                    Leave::CancelButton, 1, Answer::NotGiven, QString(), "", "before2",
                    QStringLiteral("before2")},
        ConfirmCase{"EncryptConfirmationEsc", true, kSecret, Leave::OkButton, kSecret, Leave::Esc,
                    1, Answer::NotGiven, QString(), "", "before2", QStringLiteral("before2")},
        // The close box runs no handler: the typed text stays.
        ConfirmCase{"EncryptConfirmationClosed", true, kSecret, Leave::OkButton, kSecret,
                    Leave::CloseBox, 1, Answer::NotGiven, QString(), "", "before2", kSecret},
        ConfirmCase{"EncryptEmptyOkAsksNothing", true, QString(), Leave::OkButton, std::nullopt,
                    Leave::OkButton, 1, Answer::NotGiven, QString(), "", "before2", QString()},
        ConfirmCase{"DecryptOkAsksNothing", false, kSecret, Leave::OkButton, std::nullopt,
                    Leave::OkButton, 1, Answer::Given, kSecret, "Secret7", "before2", QString()},
        ConfirmCase{"DecryptEmptyOk", false, QString(), Leave::Enter, std::nullopt, Leave::OkButton,
                    1, Answer::NotGiven, QString(), "", "before2", QString()},
        ConfirmCase{"CancelRestoresLastPassword", false, kSecret, Leave::CancelButton, std::nullopt,
                    Leave::OkButton, 2, Answer::NotGiven, QStringLiteral("before"), "before",
                    "before2", QString()},
        ConfirmCase{"EnterOnCancelRestoresLastPassword", false, kSecret, Leave::EnterOnCancel,
                    std::nullopt, Leave::OkButton, 2, Answer::NotGiven, QStringLiteral("before"),
                    "before", "before2", QString()},
        ConfirmCase{"EncryptEnterOnOkThenOnCancel", true, kSecret, Leave::EnterOnOk, kSecret,
                    Leave::EnterOnCancel, 1, Answer::NotGiven, QString(), "", "before2",
                    QStringLiteral("before2")},
        ConfirmCase{"EncryptEnterOnBothOks", true, kSecret, Leave::EnterOnOk, kSecret,
                    Leave::EnterOnOk, 1, Answer::Given, kSecret, "Secret7", "Secret7", kSecret},
        ConfirmCase{"EscRestoresLastPassword", true, kSecret, Leave::Esc, std::nullopt,
                    Leave::OkButton, 2, Answer::NotGiven, QStringLiteral("before"), "before",
                    "before2", QString()},
        ConfirmCase{"CloseBoxKeepsTypedText", true, kSecret, Leave::CloseBox, std::nullopt,
                    Leave::OkButton, 2, Answer::NotGiven, kSecret, "before", "before2", QString()}),
    [](const auto& info) { return std::string(info.param.name); });

// The box keeps its text from one showing to the next: an accepted password
// is offered again, a mismatch leaves it empty, a closed dialog keeps what
// was typed.
TEST(PasswordDialogTest, BoxCarriesOverBetweenShowings) {
    Fixture f;
    QStringList offered;
    auto showing = [&](const QString& first, const std::optional<QString>& second, Leave leave) {
        ModalScript script;
        script.When(&f.dlg, [&] {
            offered << f.dlg.Password->text();
            TypeText(f.dlg.Password, first);
            LeaveDialog(f.dlg, leave);
        });
        if (second) {
            script.When(&f.dlg2, [&] {
                TypeText(f.dlg2.Password, *second);
                LeaveDialog(f.dlg2, Leave::OkButton);
            });
        }
        const Answer answer = f.dlg.Ask(true).answer;
        EXPECT_TRUE(script.Completed());
        return answer;
    };

    EXPECT_EQ(showing(QStringLiteral("pw"), QStringLiteral("pw"), Leave::OkButton), Answer::Given);
    // offered "pw" again; typing nothing and OK must still be confirmed
    EXPECT_EQ(showing(QString(), QStringLiteral("pw"), Leave::OkButton), Answer::Given);
    EXPECT_EQ(f.dlg.Password->text(), QStringLiteral("pw"));
    EXPECT_EQ(showing(QString(), QStringLiteral("px"), Leave::OkButton), Answer::Mismatch);
    // A mismatch is told once: the next showing answers for itself.
    EXPECT_EQ(showing(QStringLiteral("typed"), std::nullopt, Leave::CloseBox), Answer::NotGiven);
    EXPECT_EQ(showing(QString(), std::nullopt, Leave::CancelButton), Answer::NotGiven);
    EXPECT_EQ(offered, (QStringList{QString(), QStringLiteral("pw"), QStringLiteral("pw"),
                                    QString(), QStringLiteral("typed")}));
    // Cancel went back to what the mismatch left: nothing.
    EXPECT_EQ(f.dlg.Password->text(), QString());
}

struct LimitCase {
    const char* name;
    QString accepted;  // typed first; all of it must be taken
    QString refused;   // typed after; none of it may be taken
    std::string expectedBytes;
};

void PrintTo(const LimitCase& c, std::ostream* out) {
    *out << c.name;
}

class PasswordLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(PasswordLimitTest, TypingStopsAtFiftyBytes) {
    const LimitCase& c = GetParam();
    TPasswordDlg dlg;
    TPasswordDlg2& dlg2 = dlg.Confirmation();
    for (QLineEdit* box : {dlg.Password, dlg2.Password}) {
        TypeText(box, c.accepted);
        EXPECT_EQ(box->text(), c.accepted) << box->window()->objectName().toStdString();
        TypeText(box, c.refused);
        EXPECT_EQ(box->text(), c.accepted) << box->window()->objectName().toStdString();
        EXPECT_EQ(PasswordCp932Bytes(*box), c.expectedBytes);
    }
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordLimitTest,
    ::testing::Values(LimitCase{"FiftyAscii", QString(50, QLatin1Char('a')), QStringLiteral("b"),
                                std::string(50, 'a')},
                      LimitCase{"TwentyFiveKanji", QString(25, QChar(0x6F22)),
                                QString(QChar(0x6F22)), Repeat("\x8A\xBF", 25)},
                      LimitCase{"KanjiWouldSplitTheLimit", QString(49, QLatin1Char('a')),
                                QStringLiteral("漢"), std::string(49, 'a')},
                      LimitCase{"HalfWidthKanaIsOneByte", QString(50, QChar(0xFF71)),
                                QStringLiteral("ｱ"), std::string(50, '\xB1')},
                      LimitCase{"EmojiHasNoForm", QStringLiteral("ok"),
                                QString::fromUtf8("\xF0\x9F\x98\x80"), "ok"},
                      LimitCase{"HangulHasNoForm", QString(), QStringLiteral("한"), ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct PasteCase {
    const char* name;
    QString before;
    QString pasted;
    QString after;
};

void PrintTo(const PasteCase& c, std::ostream* out) {
    *out << c.name;
}

class PasswordPasteTest : public ::testing::TestWithParam<PasteCase> {};

TEST_P(PasswordPasteTest, PastingIsTakenWholeOrNotAtAll) {
    const PasteCase& c = GetParam();
    TPasswordDlg2 dlg2;
    dlg2.Password->setText(c.before);
    dlg2.Password->end(false);
    QApplication::clipboard()->setText(c.pasted);
    ASSERT_EQ(QApplication::clipboard()->text(), c.pasted);
    dlg2.Password->paste();
    EXPECT_EQ(dlg2.Password->text(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordPasteTest,
    ::testing::Values(
        PasteCase{"FitsExactly", QStringLiteral("秘"),
                  QString(46, QLatin1Char('x')) + QStringLiteral("密"),
                  QStringLiteral("秘") + QString(46, QLatin1Char('x')) + QStringLiteral("密")},
        PasteCase{"OneByteTooMany", QStringLiteral("秘"),
                  QString(47, QLatin1Char('x')) + QStringLiteral("密"), QStringLiteral("秘")},
        PasteCase{"UnmappableInside", QStringLiteral("a"),
                  QString::fromUtf8("b\xF0\x9F\x98\x80"
                                    "c"),
                  QStringLiteral("a")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PasswordDialogTest, LayoutAndButtons) {
    TPasswordDlg dlg;
    TPasswordDlg2& dlg2 = dlg.Confirmation();
    struct Expected {
        PasswordForm* form;
        QString caption;
        QPoint position;
    };
    for (const Expected& e : {Expected{&dlg, QStringLiteral("パスワードの入力"), {189, 129}},
                              Expected{&dlg2, QStringLiteral("もう一度"), {198, 153}}}) {
        PasswordForm& f = *e.form;
        SCOPED_TRACE(f.objectName().toStdString());
        EXPECT_EQ(f.windowTitle(), e.caption);
        EXPECT_EQ(f.pos(), e.position);
        EXPECT_EQ(f.minimumSize(), QSize(236, 93));
        EXPECT_EQ(f.maximumSize(), QSize(236, 93));
        EXPECT_FALSE(f.windowFlags() &
                     (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_TRUE(f.windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_EQ(f.Label1->text(), QStringLiteral("Ｐａｓｓｗｏｒｄ:"));
        EXPECT_EQ(f.Label1->pos(), QPoint(40, 9));
        EXPECT_EQ(f.Label1->size(), QSize(100, 14).expandedTo(f.Label1->sizeHint()));
        EXPECT_EQ(f.Image1->geometry(), QRect(12, 24, 32, 32));
        EXPECT_EQ(f.Password->geometry(), QRect(56, 27, 172, 19));
        EXPECT_EQ(f.OKBtn->geometry(), QRect(66, 59, 77, 27));
        EXPECT_EQ(f.CancelBtn->geometry(), QRect(152, 59, 77, 27));
        EXPECT_EQ(f.OKBtn->text(), QStringLiteral("OK"));
        EXPECT_EQ(f.CancelBtn->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        EXPECT_TRUE(f.OKBtn->isDefault());
        EXPECT_FALSE(f.CancelBtn->isDefault());
        EXPECT_EQ(f.Password->nextInFocusChain(), f.OKBtn);
        EXPECT_EQ(f.OKBtn->nextInFocusChain(), f.CancelBtn);
        EXPECT_EQ(f.Password->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(f.Password->hasFrame());
        for (const char* name : {"Label1", "Image1", "Password", "OKBtn", "CancelBtn"}) {
            EXPECT_NE(f.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
        }
        // What a screen reader reads: the visible text, or what the control is.
        const std::vector<std::pair<QWidget*, QString>> names = {
            {&f, e.caption},
            {f.Label1, QStringLiteral("Ｐａｓｓｗｏｒｄ:")},
            {f.Image1, QStringLiteral("鍵の絵")},
            {f.Password, QStringLiteral("パスワード")},
            {f.OKBtn, QStringLiteral("OK")},
            {f.CancelBtn, QStringLiteral("ｷｬﾝｾﾙ")},
        };
        for (const auto& [widget, name] : names) {
            EXPECT_EQ(AccessibleText(widget, QAccessible::Name), name)
                << widget->objectName().toStdString();
        }
        EXPECT_EQ(Unnamed(&f), QStringList());
    }
}

TEST(PasswordDialogTest, EveryCharacterShowsAsAsterisk) {
    TPasswordDlg2 dlg2;
    TypeText(dlg2.Password, QStringLiteral("秘密ab ｱ"));
    EXPECT_EQ(dlg2.Password->displayText(), QStringLiteral("******"));
    EXPECT_EQ(PasswordCp932Bytes(*dlg2.Password),
              "\x94\xE9\x96\xA7"
              "ab \xB1");
}

}  // namespace
