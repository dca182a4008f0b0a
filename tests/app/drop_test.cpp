// Files dropped on the main window from a file manager.
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <vector>

#include "tests/app/window_fixture.h"
#include "widgets/gauge.h"

using namespace kryvet;

namespace {

// Where the drop lands, in the main window's coordinates.
enum class Spot { FileNameBox, Gauge };

struct DropCase {
    const char* name;
    // Builds the dragged data from a folder holding "a.txt" and "b.txt".
    std::function<void(QMimeData&, const QDir&)> fill;
    Spot spot;
    // The text the box holds afterwards (relative to the folder), or nothing
    // when the drop is refused and the window stays as it was.
    std::optional<QString> expected;
    // Refused in the error box, after the drop was taken.
    bool refused = false;
};

// Qt hands drag events to the widget under the pointer or, if that one takes
// no drops, to its nearest ancestor that does.
QWidget* DropReceiver(QWidget* window, QPoint windowPos) {
    QWidget* widget = window->childAt(windowPos);
    if (widget == nullptr) {
        widget = window;
    }
    while (widget != window && !widget->acceptDrops()) {
        widget = widget->parentWidget();
    }
    return widget;
}

class DropTest : public MainWindowTest {};

TEST_F(DropTest, TakesTheFirstLocalFileLikeTheFileOpenDialog) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDir folder(dir.path());
    for (const char* name : {"a.txt", "b.txt"}) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    // A name that is not UTF-8, and the name its text stands for.
    const QByteArray rawFolder = QFile::encodeName(folder.path());
    WriteRawNamed(rawFolder + "/rep\xff.txt", "named");
    const RemovedByBytes named{rawFolder + "/rep\xff.txt"};
    WriteRawNamed(rawFolder + "/rep\xef\xbf\xbd.txt", "look-alike");
    auto url = [](const QDir& d, const char* name) {
        return QUrl::fromLocalFile(d.filePath(QString::fromLatin1(name)));
    };

    const std::vector<DropCase> cases = {
        {"one file on the box", [&](QMimeData& m, const QDir& d) { m.setUrls({url(d, "a.txt")}); },
         Spot::FileNameBox, QStringLiteral("a.txt")},
        {"one file on the gauge",
         [&](QMimeData& m, const QDir& d) { m.setUrls({url(d, "b.txt")}); }, Spot::Gauge,
         QStringLiteral("b.txt")},
        {"several files: the first",
         [&](QMimeData& m, const QDir& d) {
             m.setUrls({url(d, "b.txt"), url(d, "a.txt")});
         },
         Spot::FileNameBox, QStringLiteral("b.txt")},
        {"a file that is gone by now is still named, as the dialog allows",
         [&](QMimeData& m, const QDir& d) { m.setUrls({url(d, "gone.txt")}); }, Spot::Gauge,
         QStringLiteral("gone.txt")},
        {"file manager data with text beside the links",
         [&](QMimeData& m, const QDir& d) {
             m.setUrls({url(d, "a.txt")});
             m.setText(QStringLiteral("something else"));
         },
         Spot::FileNameBox, QStringLiteral("a.txt")},
        {"a web link",
         [](QMimeData& m, const QDir&) {
             m.setUrls({QUrl(QStringLiteral("https://example.org/a.txt"))});
         },
         Spot::FileNameBox, std::nullopt},
        {"a web link before a local file",
         [&](QMimeData& m, const QDir& d) {
             m.setUrls({QUrl(QStringLiteral("https://example.org/a.txt")), url(d, "a.txt")});
         },
         Spot::Gauge, std::nullopt},
        {"a folder",
         [](QMimeData& m, const QDir& d) { m.setUrls({QUrl::fromLocalFile(d.path())}); },
         Spot::FileNameBox, std::nullopt},
        {"plain text only",
         [&](QMimeData& m, const QDir& d) { m.setText(d.filePath(QStringLiteral("a.txt"))); },
         Spot::FileNameBox, std::nullopt},
        {"a name that is not UTF-8, as a file manager encodes it",
         [&](QMimeData& m, const QDir&) {
             m.setData(QStringLiteral("text/uri-list"),
                       "file://" + QByteArray(rawFolder + "/rep\xff.txt").toPercentEncoding("/") +
                           "\r\n");
         },
         Spot::FileNameBox, std::nullopt, true},
    };

    for (const DropCase& c : cases) {
        SCOPED_TRACE(c.name);
        controls_->EditFileName->clear();
        controls_->BuAngo->setFocus();
        ASSERT_TRUE(controls_->BuFindFile->isDefault());

        QMimeData data;
        c.fill(data, folder);
        QWidget* spotWidget = c.spot == Spot::FileNameBox
                                  ? static_cast<QWidget*>(controls_->EditFileName)
                                  : static_cast<QWidget*>(controls_->Gauge1);
        const QPoint windowPos = spotWidget->mapTo(window_, spotWidget->rect().center());
        QWidget* receiver = DropReceiver(window_, windowPos);
        const QPoint pos = receiver->mapFrom(window_, windowPos);

        QDragEnterEvent enter(pos, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(receiver, &enter);
        QDropEvent drop(QPointF(pos), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
        QString shown;
        if (c.refused) {
            RunModal([&] { QCoreApplication::sendEvent(receiver, &drop); },
                     [&](QWidget* box) {
                         shown = static_cast<QMessageBox*>(box)->text();
                         box->close();
                     });
        } else {
            QCoreApplication::sendEvent(receiver, &drop);
        }
        EXPECT_EQ(shown, c.refused ? kNameRefusedText : QString());

        if (c.expected) {
            EXPECT_TRUE(enter.isAccepted());
            EXPECT_TRUE(drop.isAccepted());
            EXPECT_EQ(controls_->EditFileName->text(), folder.filePath(*c.expected));
            // The change handler ran: Enter no longer opens the dialog.
            EXPECT_FALSE(controls_->BuFindFile->isDefault());
            EXPECT_EQ(QApplication::focusWidget(), controls_->EditFileName);
        } else {
            EXPECT_EQ(enter.isAccepted(), c.refused);
            EXPECT_EQ(controls_->EditFileName->text(), QString());
            EXPECT_TRUE(controls_->BuFindFile->isDefault());
            // After the error box, once the window is active again.
            EXPECT_TRUE(FocusReaches(controls_->BuAngo)) << FocusName();
        }
        EXPECT_EQ(dialogRuns_, 0);
    }
}

}  // namespace
