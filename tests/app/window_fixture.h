#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <optional>

#include "app/forms.h"
#include "app/main_window.h"
#include "tests/app/main_controls.h"
#include "tests/support/patience.h"

// A fully created program (all forms), its window shown and active, with the
// file-open dialog replaced by a recording stand-in.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        kryvet::CreateForms(forms_);
        window_ = forms_.MainKryvet.get();
        controls_.emplace(*window_);
        window_->SetOpenDialogRunner([this](QFileDialog& dialog) {
            ++dialogRuns_;
            return chooser_ ? chooser_(dialog) : std::nullopt;
        });
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_, kPatienceMs));
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_, kPatienceMs));
    }

    // Runs `trigger`, which must open a modal dialog, and closes it. With
    // `onModal`, which gets the dialog and closes it, the dialog may also
    // come after `trigger` has returned, once the event loop runs again, and
    // may be gone when this returns. A watchdog closes whatever is open if
    // nothing happens.
    QWidget* RunModal(const std::function<void()>& trigger,
                      const std::function<void(QWidget*)>& onModal = {}) {
        QWidget* seen = nullptr;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                seen = modal;
                poll.stop();
                onModal ? onModal(modal) : void(modal->close());
            }
        });
        poll.start();
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            poll.stop();
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        });
        watchdog.start(kPatienceMs);
        trigger();
        if (onModal) {
            (void)QTest::qWaitFor([&] { return seen != nullptr || !watchdog.isActive(); },
                                  kPatienceMs);
        }
        poll.stop();
        watchdog.stop();
        return seen;
    }

    kryvet::Forms forms_;
    kryvet::TMainKryvet* window_ = nullptr;
    // Made once the window exists.
    std::optional<MainControls> controls_;
    int dialogRuns_ = 0;
    std::function<std::optional<kryvet::OpenDialogChoice>(QFileDialog&)> chooser_;
};

// What the error box says of a file name it refuses: the bytes and the
// text of the name would not name the same file.
inline const QString kNameRefusedText = QStringLiteral(
    "ファイル名に、この環境で扱えない文字が含まれています。名前を変えてから指定してください.");

// A file named by its bytes, with `bytes` as its contents.
inline void WriteRawNamed(const QByteArray& path, const QByteArray& bytes) {
    FILE* out = std::fopen(path.constData(), "wb");
    ASSERT_NE(out, nullptr) << path.toStdString();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out);
    std::fclose(out);
}

// Removes a file or an empty folder by its bytes at the end of a test: Qt
// removes by text, which cannot reach a name that is not UTF-8.
struct RemovedByBytes {
    QByteArray path;
    ~RemovedByBytes() { std::remove(path.constData()); }
};

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
