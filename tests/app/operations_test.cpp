// The encrypt and decrypt buttons driven through the real window, dialogs
// and notices, on real files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

#include "app/forms.h"
#include "app/main_window.h"
#include "tests/app/main_controls.h"
#include "tests/dialogs/modal_script.h"
#include "tests/support/patience.h"
#include "widgets/gauge.h"

using namespace kryvet;

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// Records, at every tick of `timer`, what `probe` says just before the tick
// is handled.
class TickWatch : public QObject {
public:
    TickWatch(QTimer* timer, std::function<bool()> probe) : probe_(std::move(probe)) {
        timer->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Timer) {
            wholeBefore.push_back(probe_());
        }
        return false;
    }
    std::vector<bool> wholeBefore;

private:
    std::function<bool()> probe_;
};

class OperationsTest : public ::testing::Test {
public:
    void SetUp() override {
        CreateForms(forms_);
        window_ = forms_.MainKryvet.get();
        controls_.emplace(*window_);
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_, kPatienceMs));
        dir_ = std::filesystem::temp_directory_path() /
               ("kryvet-ops-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "文書.txt").string();
        plain_.clear();
        for (int i = 0; i < 3000; ++i)
            plain_.push_back(static_cast<char>(i * 31));
        std::ofstream(path_, std::ios::binary).write(plain_.data(), plain_.size());
        chmod(path_.c_str(), 0640);
        controls_->EditFileName->setText(QString::fromStdString(path_));
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(dir_, ec);
    }

    // Types the password into the dialog and confirms it.
    std::function<void()> Type(QWidget* dialog, QLineEdit* box, const QString& text) {
        return [=] {
            box->clear();
            TypeText(box, text);
            QTest::keyClick(dialog, Qt::Key_Return);
        };
    }
    TPasswordDlg* Dlg() { return forms_.PasswordDlg.get(); }
    TPasswordDlg2* Dlg2() { return forms_.PasswordDlg2; }

    void Encrypt(const QString& password) {
        ModalScript script;
        script.When(Dlg(), Type(Dlg(), Dlg()->Password, password))
            .When(Dlg2(), Type(Dlg2(), Dlg2()->Password, password));
        window_->BuAngoClick();
        ASSERT_TRUE(script.Completed());
    }

    void ExpectIdle(QPushButton* focus) {
        EXPECT_TRUE(controls_->LaRun->isHidden());
        for (QPushButton* b : {controls_->BuAngo, controls_->BuFukugo, controls_->Cancel1,
                               controls_->BuFindFile, controls_->BuVersion}) {
            EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        }
        if (focus) {
            EXPECT_EQ(window_->focusWidget(), focus);
        }
    }

    Forms forms_;
    TMainKryvet* window_ = nullptr;
    std::optional<MainControls> controls_;
    std::filesystem::path dir_;
    std::string path_;
    std::string plain_;
};

TEST_F(OperationsTest, EncryptThenDecryptRestoresBytesAndPermissions) {
    Encrypt(QStringLiteral("秘密pass"));
    const std::string encrypted = Read(path_);
    ASSERT_EQ(encrypted.size(), plain_.size() + 128);
    // The marker, unmasked with the first key byte, and the stored size.
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(static_cast<char>(encrypted[i] ^ encrypted[6]), "Kryvet"[i]);
    }
    EXPECT_EQ(static_cast<unsigned char>(encrypted[64]) |
                  (static_cast<unsigned char>(encrypted[65]) << 8),
              3000);
    EXPECT_EQ(ModeOf(path_), 0440u);
    EXPECT_EQ(controls_->Gauge1->Progress(), 100);
    ExpectIdle(controls_->BuAngo);

    // The box offers the accepted password again; OK decrypts.
    ModalScript script;
    script.When(Dlg(), [this] {
        EXPECT_EQ(Dlg()->Password->text(), QStringLiteral("秘密pass"));
        QTest::keyClick(Dlg(), Qt::Key_Return);
    });
    window_->BuFukugoClick();
    ASSERT_TRUE(script.Completed());
    EXPECT_EQ(Read(path_), plain_);
    EXPECT_EQ(ModeOf(path_), 0640u);
    EXPECT_EQ(controls_->Gauge1->Progress(), 100);
    ExpectIdle(controls_->BuFukugo);
}

TEST_F(OperationsTest, MismatchShowsLabel2AndChangesNothing) {
    ModalScript script;
    script.When(Dlg(), Type(Dlg(), Dlg()->Password, QStringLiteral("abc")))
        .When(Dlg2(), Type(Dlg2(), Dlg2()->Password, QStringLiteral("ABC")));
    window_->BuAngoClick();
    ASSERT_TRUE(script.Completed());
    EXPECT_FALSE(controls_->Label2->isHidden());
    EXPECT_EQ(Read(path_), plain_);
    EXPECT_EQ(ModeOf(path_), 0640u);
    EXPECT_EQ(controls_->Gauge1->Progress(), 0);
    // An empty name now gives the focus to the encrypt button.
    controls_->EditFileName->clear();
    window_->BuAngoClick();
    EXPECT_EQ(window_->focusWidget(), controls_->BuAngo);
    // The next prompt, even cancelled, hides the label: the focus goes back
    // to the box.
    controls_->EditFileName->setText(QString::fromStdString(path_));
    ModalScript cancel;
    cancel.When(Dlg(), [this] { QTest::keyClick(Dlg(), Qt::Key_Escape); });
    window_->BuAngoClick();
    ASSERT_TRUE(cancel.Completed());
    EXPECT_TRUE(controls_->Label2->isHidden());
    controls_->EditFileName->clear();
    controls_->BuAngo->setFocus();
    window_->BuAngoClick();
    EXPECT_EQ(window_->focusWidget(), controls_->EditFileName);
}

TEST_F(OperationsTest, NoticesOfTheRefusals) {
    const struct {
        const char* name;
        bool encrypt;
        std::function<void(OperationsTest&)> prepare;
        std::function<QWidget*(Forms&)> notice;
    } cases[] = {
        {"missing file", true,
         [](OperationsTest& t) {
             t.controls_->EditFileName->setText(QStringLiteral("/nonexistent/x"));
         },
         [](Forms& f) -> QWidget* { return f.NotFileDlg.get(); }},
        {"not encrypted", false, [](OperationsTest&) {},
         [](Forms& f) -> QWidget* { return f.NoAngo1.get(); }},
        {"already encrypted", true, [](OperationsTest& t) { t.Encrypt(QStringLiteral("k")); },
         [](Forms& f) -> QWidget* { return f.ExitAnko1.get(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        controls_->EditFileName->setText(QString::fromStdString(path_));
        c.prepare(*this);
        const std::string before = Read(path_);
        QWidget* notice = c.notice(forms_);
        ModalScript script;
        script.When(notice, [notice] { QTest::keyClick(notice, Qt::Key_Return); });
        c.encrypt ? window_->BuAngoClick() : window_->BuFukugoClick();
        EXPECT_TRUE(script.Completed());
        EXPECT_EQ(Read(path_), before);
        EXPECT_EQ(window_->focusWidget(), controls_->EditFileName);
        ExpectIdle(nullptr);
    }
}

TEST_F(OperationsTest, WrongPasswordShowsTheBrokenKeyAfterTheTimer) {
    Encrypt(QStringLiteral("right"));
    const std::string encrypted = Read(path_);
    TNotPassword1* notice = forms_.NotPassword1.get();
    // What the notice showed just before each tick reached the window: the
    // filter sees the timer event before the window's handler does, so the
    // check holds however late a busy machine delivers the tick.
    TickWatch ticks(controls_->Timer1, [notice] { return notice->Image1->isHidden(); });
    ModalScript script;
    bool timerRunsWhileShown = false;
    bool brokenLater = false;
    script.When(Dlg(), Type(Dlg(), Dlg()->Password, QStringLiteral("wrong"))).When(notice, [&] {
        timerRunsWhileShown = controls_->Timer1->isActive();
        brokenLater = Eventually([notice] { return !notice->Image1->isHidden(); });
        QTest::keyClick(notice, Qt::Key_Return);
    });
    window_->BuFukugoClick();
    ASSERT_TRUE(script.Completed());
    EXPECT_TRUE(timerRunsWhileShown);
    EXPECT_TRUE(brokenLater);
    ASSERT_FALSE(ticks.wholeBefore.empty());
    EXPECT_TRUE(ticks.wholeBefore.front()) << "the key broke before the first tick";
    EXPECT_TRUE(notice->Image1->isHidden()) << "whole again for the next showing";
    EXPECT_FALSE(controls_->Timer1->isActive());
    EXPECT_EQ(Read(path_), encrypted);
    EXPECT_EQ(ModeOf(path_), 0440u);
}

TEST_F(OperationsTest, IoErrorShowsTheErrorBoxAndKeepsReadOnly) {
    // Another run is rewriting the file: it is in use.
    const int holder = open(path_.c_str(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(fcntl(holder, F_OFD_SETLK, &lock), 0);
    chmod(path_.c_str(), 0440);

    QString caption;
    QString text;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            text = box->text();
            box->accept();
        }
    });
    poll.start();
    ModalScript watchdog;  // closes anything left open if the box never comes
    window_->BuAngoClick();
    poll.stop();
    close(holder);
    EXPECT_EQ(caption, QStringLiteral("Kryvet"));
    EXPECT_EQ(text, QStringLiteral("ﾌｧｲﾙは別の Kryvet が使用中です."));
    EXPECT_EQ(ModeOf(path_), 0440u) << "read-only protection kept";
    EXPECT_EQ(Read(path_), plain_);
    ExpectIdle(nullptr);
}

}  // namespace
