// Files dropped on the main window from a file manager.
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
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
    };

    for (const DropCase& c : cases) {
        SCOPED_TRACE(c.name);
        window_->EditFileName->clear();
        window_->BuAngo->setFocus();
        ASSERT_TRUE(window_->BuFindFile->isDefault());

        QMimeData data;
        c.fill(data, folder);
        QWidget* spotWidget = c.spot == Spot::FileNameBox
                                  ? static_cast<QWidget*>(window_->EditFileName)
                                  : static_cast<QWidget*>(window_->Gauge1);
        const QPoint windowPos = spotWidget->mapTo(window_, spotWidget->rect().center());
        QWidget* receiver = DropReceiver(window_, windowPos);
        const QPoint pos = receiver->mapFrom(window_, windowPos);

        QDragEnterEvent enter(pos, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(receiver, &enter);
        QDropEvent drop(QPointF(pos), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(receiver, &drop);

        if (c.expected) {
            EXPECT_TRUE(enter.isAccepted());
            EXPECT_TRUE(drop.isAccepted());
            EXPECT_EQ(window_->EditFileName->text(), folder.filePath(*c.expected));
            // The change handler ran: Enter no longer opens the dialog.
            EXPECT_FALSE(window_->BuFindFile->isDefault());
            EXPECT_EQ(QApplication::focusWidget(), window_->EditFileName);
        } else {
            EXPECT_FALSE(enter.isAccepted());
            EXPECT_EQ(window_->EditFileName->text(), QString());
            EXPECT_TRUE(window_->BuFindFile->isDefault());
            EXPECT_EQ(QApplication::focusWidget(), window_->BuAngo);
        }
        EXPECT_EQ(dialogRuns_, 0);
    }
}

}  // namespace
