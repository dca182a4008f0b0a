#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

#include "dialogs/disk_full_dlg.h"
#include "dialogs/not_file_dlg.h"
#include "dialogs/not_password_dlg.h"
#include "dialogs/padlock_notice.h"
#include "dialogs/recovered_dlg.h"
#include "dialogs/version_dlg.h"
#include "tests/dialogs/accessible_names.h"
#include "tests/dialogs/modal_script.h"

using namespace kryvet;

namespace {

struct Control {
    const char* name;
    QRect geometry;
    QString text;                 // empty for pictures and the panel
    QString accessibleName = {};  // where it is not the text
};

struct NoticeCase {
    const char* name;
    std::function<std::unique_ptr<QDialog>()> make;
    QString caption;
    QPoint position;
    QSize clientSize;
    const char* buttonName;
    std::vector<Control> controls;   // geometry relative to the control's parent
    QString accessibleDescription;   // what the notice says, in words
    const char* formName = nullptr;  // the object name, where it is not `name`
};

template <typename T>
std::function<std::unique_ptr<QDialog>()> Make() {
    return [] { return std::make_unique<T>(); };
}

const std::vector<NoticeCase>& Notices() {
    static const std::vector<NoticeCase> notices = {
        {"NotFileDlg",
         Make<TNotFileDlg>(),
         QStringLiteral("ないない ！"),
         {196, 145},
         {306, 110},
         "BuOk1",
         {{"Image1", {24, 16, 32, 32}, {}, QStringLiteral("×印の付いたフォルダーの絵")},
          {"LaNotFile", {80, 24, 169, 17}, QStringLiteral("ファイルが見つかりません。")},
          {"BuOk1", {104, 56, 89, 33}, QStringLiteral("OK")}},
         QStringLiteral("ファイルが見つかりません。")},
        {"DiskFull1",
         Make<TDiskFull1>(),
         QStringLiteral("Ｄｉｓｋ容量不足"),
         {255, 127},
         {155, 110},
         "Button1",
         {{"Image1", {40, 32, 64, 32}, {}, QStringLiteral("満杯の容器の絵")},
          {"Button1", {24, 72, 105, 20}, QStringLiteral("ＯＫ")}},
         QStringLiteral("ディスクの空き容量が足りません。")},
        {"ExitAnko1",
         Make<TExitAnko1>(),
         QStringLiteral("実行不可"),
         {196, 90},
         {158, 159},
         "Button1",
         {{"Image1", {48, 16, 64, 64}, {}, QStringLiteral("閉じた錠前の絵")},
          {"Label1", {24, 80, 124, 14}, QStringLiteral("※ 既に処理済みです。")},
          {"Button1", {32, 104, 89, 33}, QStringLiteral("ＯＫ")}},
         QStringLiteral("※ 既に処理済みです。")},
        {"NoAngo1",
         Make<TNoAngo1>(),
         QStringLiteral("実行不可"),
         {189, 91},
         {185, 158},
         "Button1",
         {{"Image1", {56, 16, 64, 64}, {}, QStringLiteral("開いた錠前の絵")},
          {"Label1", {16, 80, 148, 14}, QStringLiteral("※ 未処理のファイルです。")},
          {"Button1", {48, 104, 89, 33}, QStringLiteral("ＯＫ")}},
         QStringLiteral("※ 未処理のファイルです。")},
        {"Recovered1",
         Make<TRecovered1>(),
         QStringLiteral("復旧"),
         {196, 120},
         {306, 110},
         "Button1",
         {{"Image1", {24, 16, 32, 32}, {}, QStringLiteral("元に戻った書類の絵")},
          {"Label1", {80, 24, 195, 14}, QStringLiteral("中断された暗号化を完了しました")},
          {"Button1", {108, 56, 89, 33}, QStringLiteral("ＯＫ")}},
         QStringLiteral("中断された暗号化を完了しました")},
        {"Recovered1Decryption",
         [] {
             auto form = std::make_unique<TRecovered1>();
             form->SetFinished(TRecovered1::Finished::Decryption);
             return std::unique_ptr<QDialog>(std::move(form));
         },
         QStringLiteral("復旧"),
         {196, 120},
         {306, 110},
         "Button1",
         {{"Image1", {24, 16, 32, 32}, {}, QStringLiteral("元に戻った書類の絵")},
          {"Label1", {80, 24, 195, 14}, QStringLiteral("中断された復号を完了しました")},
          {"Button1", {108, 56, 89, 33}, QStringLiteral("ＯＫ")}},
         QStringLiteral("中断された復号を完了しました"),
         "Recovered1"},
        {"NotPassword1",
         Make<TNotPassword1>(),
         QStringLiteral("不正"),
         {200, 91},
         {245, 179},
         "Button1",
         {{"Image2", {11, 22, 32, 32}, {}, QStringLiteral("鍵の絵")},
          {"Image1", {11, 22, 32, 32}, {}, QStringLiteral("折れた鍵の絵")},
          {"Label1", {66, 44, 139, 20}, QStringLiteral("※ パスワード異常")},
          {"Button1", {55, 100, 135, 45}, QStringLiteral("ＯＫ")}},
         QStringLiteral("※ パスワード異常")},
        {"VersionDlg",
         Make<TVersionDlg>(),
         QStringLiteral("バージョン情報"),
         {202, 175},
         {386, 208},
         "BuVersionOk",
         {{"Panel1", {11, 11, 367, 134}, {}, QStringLiteral("製品の情報")},
          {"Image1", {22, 22, 32, 32}, {}, QStringLiteral("Kryvet のアイコン")},
          {"LaProduct", {89, 22, -1, -1}, QStringLiteral("Product Name :  Kryvet95")},
          {"LaYear", {299, 22, -1, -1}, QStringLiteral("1996")},
          {"LaVersion", {89, 55, -1, -1}, QStringLiteral("Version :   05")},
          {"Label1", {216, 56, -1, -1}, QStringLiteral("for  Windows95")},
          {"LaMaker", {89, 89, -1, -1}, QStringLiteral("Kryvet Project")},
          {"BuVersionOk", {122, 155, 123, 46}, QStringLiteral("OK")}},
         QString()},
    };
    return notices;
}

void PrintTo(const NoticeCase& c, std::ostream* out) {
    *out << c.name;
}

class NoticeTest : public ::testing::TestWithParam<NoticeCase> {};

TEST_P(NoticeTest, CaptionPlaceAndControls) {
    const NoticeCase& c = GetParam();
    const auto form = c.make();
    EXPECT_EQ(form->objectName(), QString::fromLatin1(c.formName ? c.formName : c.name));
    EXPECT_EQ(form->windowTitle(), c.caption);
    EXPECT_EQ(form->pos(), c.position);
    EXPECT_EQ(form->minimumSize(), c.clientSize);
    EXPECT_EQ(form->maximumSize(), c.clientSize);
    EXPECT_FALSE(form->windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(form->windowFlags() & Qt::WindowCloseButtonHint);
    for (const Control& control : c.controls) {
        SCOPED_TRACE(control.name);
        auto* widget = form->findChild<QWidget*>(QString::fromLatin1(control.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->pos(), control.geometry.topLeft());
        auto* textLabel = qobject_cast<QLabel*>(widget);
        if (textLabel != nullptr && !control.text.isEmpty()) {
            // designed size, or wider where the text needs it
            const QSize hint = textLabel->sizeHint();
            const QSize designed = control.geometry.width() > 0 ? control.geometry.size() : hint;
            EXPECT_EQ(widget->size(), designed.expandedTo(hint));
        } else {
            EXPECT_EQ(widget->size(), control.geometry.size());
        }
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (control.text.isEmpty()) {
                ASSERT_FALSE(label->pixmap().isNull());
                EXPECT_EQ(label->pixmap().size(), control.geometry.size());
            } else {
                EXPECT_EQ(label->text(), control.text);
            }
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), control.text);
        }
        // A screen reader reads the visible text, or says what a picture shows.
        EXPECT_EQ(AccessibleText(widget, QAccessible::Name),
                  control.accessibleName.isEmpty() ? control.text : control.accessibleName);
    }
    // The notice is named by its caption and says its message.
    EXPECT_EQ(AccessibleText(form.get(), QAccessible::Name), c.caption);
    EXPECT_EQ(AccessibleText(form.get(), QAccessible::Description), c.accessibleDescription);
    EXPECT_EQ(Unnamed(form.get()), QStringList());
    // The single button is the only control that takes the focus.
    int focusable = 0;
    for (QWidget* child : form->findChildren<QWidget*>()) {
        if (child->focusPolicy() != Qt::NoFocus) {
            ++focusable;
        }
    }
    EXPECT_EQ(focusable, 1);
}

enum class Press { Click, Enter, Space, CloseBox, EscThenCloseBox };

struct PressCase {
    Press press;
    int expectedResult;
};

void PrintTo(const PressCase& c, std::ostream* out) {
    *out << static_cast<int>(c.press);
}

class NoticeButtonTest : public ::testing::TestWithParam<std::tuple<NoticeCase, PressCase>> {};

TEST_P(NoticeButtonTest, ResultOfEachWayOut) {
    const auto& [notice, press] = GetParam();
    const auto form = notice.make();
    auto* button = form->findChild<QPushButton*>(QString::fromLatin1(notice.buttonName));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isDefault());

    ModalScript script;
    bool focusOnButton = false;
    bool stillOpenAfterEsc = false;
    script.When(form.get(), [&] {
        focusOnButton = FocusReaches(button);
        switch (press.press) {
            case Press::Click:
                QTest::mouseClick(button, Qt::LeftButton);
                break;
            case Press::Enter:
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                break;
            case Press::Space:
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
                break;
            case Press::CloseBox:
                form->close();
                break;
            case Press::EscThenCloseBox:
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
                SettleEvents();
                stillOpenAfterEsc = form->isVisible();
                form->close();
                break;
        }
    });
    const int result = form->exec();
    ASSERT_TRUE(script.Completed());
    EXPECT_TRUE(focusOnButton);
    EXPECT_EQ(result, press.expectedResult);
    if (press.press == Press::EscThenCloseBox) {
        EXPECT_TRUE(stillOpenAfterEsc);
    }
}

std::string NoticeButtonCaseName(
    const ::testing::TestParamInfo<std::tuple<NoticeCase, PressCase>>& info) {
    static const char* const kPress[] = {"Click", "Enter", "Space", "CloseBox", "EscThenCloseBox"};
    return std::string(std::get<0>(info.param).name) + "_" +
           kPress[static_cast<int>(std::get<1>(info.param).press)];
}

INSTANTIATE_TEST_SUITE_P(Forms, NoticeTest, ::testing::ValuesIn(Notices()),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Forms, NoticeButtonTest,
    ::testing::Combine(::testing::ValuesIn(Notices()),
                       ::testing::Values(PressCase{Press::Click, 1}, PressCase{Press::Enter, 1},
                                         PressCase{Press::Space, 1}, PressCase{Press::CloseBox, 2},
                                         PressCase{Press::EscThenCloseBox, 2})),
    NoticeButtonCaseName);

// The broken key, once shown, covers the whole key exactly, and pixel for
// pixel what is seen changes from one picture to the other.
TEST(NotPasswordTest, BrokenKeyLiesOverWholeKey) {
    TNotPassword1 form;
    form.show();
    SettleEvents();
    const QPoint centre = form.Image2->geometry().center();
    EXPECT_TRUE(form.Image2->isVisible());
    EXPECT_FALSE(form.Image1->isVisible());
    EXPECT_EQ(form.childAt(centre), form.Image2);
    const QImage whole = form.grab(form.Image2->geometry()).toImage();
    EXPECT_EQ(whole, form.Image2->pixmap().toImage().convertToFormat(whole.format()));

    form.Image1->show();
    EXPECT_EQ(form.childAt(centre), form.Image1);
    const QImage broken = form.grab(form.Image2->geometry()).toImage();
    EXPECT_EQ(broken, form.Image1->pixmap().toImage().convertToFormat(broken.format()));
    EXPECT_NE(broken, whole);
    form.hide();
}

}  // namespace
