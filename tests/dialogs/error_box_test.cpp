#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include "app/error_messages.h"
#include "dialogs/error_box.h"
#include "tests/dialogs/accessible_names.h"
#include "tests/dialogs/modal_script.h"

using namespace kryvet;

namespace {

struct ErrorCase {
    const char* name;
    QString message;
    QString shown;
};

void PrintTo(const ErrorCase& c, std::ostream* out) {
    *out << c.name;
}

class ErrorBoxTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorBoxTest, StopIconOneOkAndFullStop) {
    const ErrorCase& c = GetParam();
    QWidget window;
    window.setWindowTitle(QStringLiteral("Kryvet"));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, kPatienceMs));

    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = 0;
    bool windowBlocked = false;
    QString accessibleName;
    QString accessibleDescription;
    QStringList unnamed;
    ModalScript script;
    // The box is not known before it opens: take whatever modal comes.
    auto readAndClose = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        buttonCount = static_cast<int>(box->buttons().size());
        accessibleName = AccessibleText(box, QAccessible::Name);
        accessibleDescription = AccessibleText(box, QAccessible::Description);
        unnamed = Unnamed(box);
        windowBlocked = QApplication::activeModalWidget() != &window &&
                        box->windowModality() == Qt::ApplicationModal;
        ASSERT_NE(box->button(QMessageBox::Ok), nullptr);
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    };
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget() != nullptr) {
            poll.stop();
            QTimer::singleShot(0, readAndClose);
        }
    });
    poll.start();
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            box->done(0);
        }
    });
    watchdog.start(kPatienceMs);

    ShowErrorBox(c.message);

    EXPECT_EQ(text, c.shown);
    EXPECT_EQ(caption, QStringLiteral("Kryvet"));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttonCount, 1);
    EXPECT_EQ(accessibleName, QStringLiteral("Kryvet のエラー"));
    EXPECT_EQ(accessibleDescription, c.shown);
    EXPECT_EQ(unnamed, QStringList());
    EXPECT_TRUE(windowBlocked);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window, kPatienceMs));
    EXPECT_EQ(QApplication::activeWindow(), &window);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ErrorBoxTest,
    ::testing::Values(
        ErrorCase{"ListedCode", QString::fromStdString(kryvet::ClassicErrorMessage(2)),
                  QStringLiteral("ﾌｧｲﾙが見つかりません.")},
        ErrorCase{"DiskFullCode", QString::fromStdString(kryvet::ClassicErrorMessage(101)),
                  QStringLiteral("ﾃﾞｨｽｸがいっぱいです.")},
        ErrorCase{"UnlistedCode", QString::fromStdString(kryvet::ClassicErrorMessage(32)),
                  QStringLiteral("I/O ｴﾗｰ (32).")},
        ErrorCase{"FullStopAppendedAlways", QStringLiteral("Done."), QStringLiteral("Done..")}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
