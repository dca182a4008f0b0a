// The rewrite runs on a thread of its own: the window's event loop goes on,
// user input is dropped, a close waits for the file, and the gauge gets
// every value in order. And a file named on the command line.
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

#include <QFile>

#include "app/background_rewrite.h"
#include "app/main_window_port.h"
#include "widgets/gauge.h"
#include "window_fixture.h"

using namespace kryvet;

TEST_F(MainWindowTest, TheWindowKeepsAnsweringWhileTheRewriteRuns) {
    std::atomic<int> ticks = 0;
    std::atomic<bool> inputSent = false;
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&] { ++ticks; });
    clock.start(20);
    // While the rewrite runs: typing, a click, a close request.
    QTimer::singleShot(0, [&] {
        QTest::keyClicks(controls_->EditFileName, "typed");
        QTest::mouseClick(controls_->BuVersion, Qt::LeftButton);
        window_->close();
        inputSent = true;
    });
    std::vector<int> shown;
    bool visibleAtTheEnd = false;
    {
        MainWindowPort port(forms_);
        window_->SetRewriteRunning(true);
        const kryvet::Outcome outcome = RunInBackground(
            [&](kryvet::ProgressSink& sink) {
                for (int percent = 0; percent <= 100; ++percent) {
                    sink.Progress(percent);
                    if (percent == 50) {
                        // Halfway, the rewrite waits for the window's own
                        // events instead of hoping a fixed time is enough on
                        // a busy machine; a window that stood still lets it
                        // go on after the limit, and the checks below fail.
                        const auto limit = std::chrono::steady_clock::now() +
                                           std::chrono::milliseconds(kPatienceMs);
                        while (!(inputSent && ticks >= 10) &&
                               std::chrono::steady_clock::now() < limit) {
                            std::this_thread::sleep_for(std::chrono::milliseconds(5));
                        }
                    }
                }
                return kryvet::Outcome{kryvet::Done{}};
            },
            [&](int percent) { shown.push_back(percent); });
        EXPECT_TRUE(std::holds_alternative<kryvet::Done>(outcome));
        visibleAtTheEnd = window_->isVisible();
        window_->SetRewriteRunning(false);
    }
    clock.stop();
    EXPECT_TRUE(inputSent) << "the event loop stood still during the rewrite";
    EXPECT_GE(ticks, 10) << "the event loop stood still during the rewrite";
    ASSERT_EQ(shown.size(), 101u);
    for (int i = 0; i <= 100; ++i) {
        EXPECT_EQ(shown[static_cast<std::size_t>(i)], i);
    }
    EXPECT_EQ(controls_->EditFileName->text(), QString()) << "typing reached the box";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the click reached a button";
    EXPECT_TRUE(visibleAtTheEnd) << "closed before the file was complete";
    // The close, honoured afterwards.
    EXPECT_TRUE(Eventually([this] { return !window_->isVisible(); }));
}

TEST_F(MainWindowTest, ExceptionsOfTheRewriteReachTheWindowsThread) {
    const auto run = [] {
        RunInBackground([](kryvet::ProgressSink&) -> kryvet::Outcome { throw std::bad_alloc(); },
                        [](int) {});
    };
    EXPECT_THROW(run(), std::bad_alloc);
}

TEST_F(MainWindowTest, AFileNamedOnTheCommandLineGoesIntoTheBox) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("報告書.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    // A name that is not UTF-8, and the name its text stands for.
    const QByteArray folder = QFile::encodeName(dir.path());
    WriteRawNamed(folder + "/rep\xff.txt", "named");
    const RemovedByBytes named{folder + "/rep\xff.txt"};
    WriteRawNamed(folder + "/rep\xef\xbf\xbd.txt", "look-alike");
    const QString saved = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const struct {
        QByteArray argument;
        QString box;
        bool refused;  // in the error box
    } cases[] = {
        {"報告書.txt", QDir(dir.path()).absoluteFilePath("報告書.txt"), false},
        {QFile::encodeName(dir.filePath("報告書.txt")),
         QDir(dir.path()).absoluteFilePath("報告書.txt"), false},
        {QFile::encodeName(dir.filePath("missing.txt")), QString(), false},
        {folder, QString(), false},  // a folder
        {QByteArray(), QString(), false},
        {folder + "/rep\xff.txt", QString(), true},
        {"rep\xff.txt", QString(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument.toStdString());
        controls_->EditFileName->clear();
        QString shown;
        if (c.refused) {
            RunModal([&] { window_->OpenFromDesktop(c.argument); },
                     [&](QWidget* box) {
                         shown = static_cast<QMessageBox*>(box)->text();
                         box->close();
                     });
        } else {
            window_->OpenFromDesktop(c.argument);
        }
        EXPECT_EQ(shown, c.refused ? kNameRefusedText : QString());
        EXPECT_EQ(controls_->EditFileName->text(), c.box);
    }
    QDir::setCurrent(saved);
}

// The context-menu actions: the named file's operation starts as if its
// button were pressed.
TEST_F(MainWindowTest, AContextMenuActionPressesItsButton) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray plain = QFile::encodeName(dir.filePath("plain.txt"));
    WriteRawNamed(plain, "plain");
    const struct {
        OperationButton button;
        QWidget* expected;  // the dialog the operation opens first
    } cases[] = {
        {OperationButton::BuAngo, forms_.PasswordDlg.get()},
        {OperationButton::BuFukugo, forms_.NoAngo1.get()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected->objectName().toStdString());
        controls_->EditFileName->clear();
        window_->OpenFromDesktop(plain);
        QWidget* shown = nullptr;
        RunModal([&] { window_->PressOnceShown(c.button); },
                 [&](QWidget* modal) {
                     shown = modal;
                     static_cast<QDialog*>(modal)->done(2);
                 });
        EXPECT_EQ(shown, c.expected);
    }
}
