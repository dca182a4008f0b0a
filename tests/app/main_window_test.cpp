// The main window's controls, menu, file-open dialog and keyboard behaviour.
#include <sys/stat.h>

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "app/main_window_port.h"
#include "app/path_length_validator.h"
#include "dialogs/form_builder.h"
#include "forms/main_kryvet_form.h"
#include "tests/app/window_fixture.h"
#include "tests/dialogs/accessible_names.h"
#include "widgets/gauge.h"

using namespace kryvet;

namespace {

const QString kSpace3 = QStringLiteral("\u3000\u3000\u3000 ");

QColor Background(QLabel* label) {
    return label->palette().color(QPalette::Window);
}

TEST(TMainKryvetForm, StoredFormBeforeFormCreate) {
    Forms forms;
    TMainKryvet window(forms);
    EXPECT_EQ(MainControls(window).Gauge1->Progress(), 20);
    EXPECT_EQ(MainControls(window).LaRun->text(), QStringLiteral("暗号の作業中"));
    EXPECT_EQ(window.size(), QSize(520, 331));
}

TEST(TMainKryvetForm, FormCreateTakesTheSizeFromTheControls) {
    struct Case {
        QSize findFile;
        int editHeight;
        QSize window;
    };
    const std::vector<Case> cases = {
        {{124, 46}, 26, {522, 348}},
        {{100, 40}, 20, {420, 300}},
    };
    for (const Case& c : cases) {
        Forms forms;
        TMainKryvet window(forms);
        MainControls(window).BuFindFile->resize(c.findFile);
        MainControls(window).EditFileName->resize(445, c.editHeight);
        window.FormCreate();
        EXPECT_EQ(window.size(), c.window);
        EXPECT_EQ(MainControls(window).Gauge1->Progress(), 0);
        EXPECT_EQ(MainControls(window).LaRun->text(), kSpace3);
    }
}

TEST_F(MainWindowTest, ControlsHaveTheirNamesPlacesAndCaptions) {
    struct Control {
        QWidget* member;
        const char* name;
        QRect geometry;
        QString caption;
        bool visible;
        QString accessibleName = {};  // where it is not the caption
    };
    const std::vector<Control> controls = {
        {controls_->BuVersion,
         "BuVersion",
         {332, 11, 146, 35},
         QStringLiteral("バージョン情報"),
         true},
        {controls_->EditFileName,
         "EditFileName",
         {33, 78, 445, 26},
         QString(),
         true,
         QStringLiteral("ファイル名")},
        {controls_->BuFindFile, "BuFindFile", {354, 122, 124, 46}, QStringLiteral("参照"), true},
        {controls_->LaFilename,
         "LaFilename",
         {33, 44, 100, 20},
         QStringLiteral("ファイル名："),
         true},
        {controls_->BuAngo, "BuAngo", {22, 210, 146, 46}, QStringLiteral("暗号化"), true},
        {controls_->BuFukugo, "BuFukugo", {177, 210, 146, 46}, QStringLiteral("復号"), true},
        {controls_->Cancel1, "Cancel1", {332, 210, 146, 46}, QStringLiteral("終了"), true},
        {controls_->LaRun,
         "LaRun",
         {127, 122, 100, 19},
         kSpace3,
         false,
         QStringLiteral("作業の状態")},
        {controls_->Gauge1,
         "Gauge1",
         {39, 159, 273, 28},
         QString(),
         true,
         QStringLiteral("進み具合")},
        {controls_->Label2,
         "Label2",
         {44, 122, 250, 19},
         QStringLiteral("パスワードは一致していません。"),
         false},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(window_->findChild<QWidget*>(QString::fromLatin1(c.name)), c.member);
        EXPECT_EQ(c.member->parentWidget(), window_->centralWidget());
        EXPECT_EQ(c.member->geometry(), c.geometry);
        EXPECT_EQ(c.member->isVisible(), c.visible);
        if (auto* button = qobject_cast<QPushButton*>(c.member)) {
            EXPECT_EQ(button->text(), c.caption);
        } else if (auto* label = qobject_cast<QLabel*>(c.member)) {
            EXPECT_EQ(label->text(), c.caption);
        } else if (auto* edit = qobject_cast<QLineEdit*>(c.member)) {
            EXPECT_EQ(edit->text(), c.caption);
        }
        EXPECT_EQ(AccessibleText(c.member, QAccessible::Name),
                  c.accessibleName.isEmpty() ? c.caption : c.accessibleName);
    }
    // The gauge tells its value and range.
    QAccessibleInterface* gauge = QAccessible::queryAccessibleInterface(controls_->Gauge1);
    ASSERT_NE(gauge->valueInterface(), nullptr);
    EXPECT_EQ(gauge->role(), QAccessible::ProgressBar);
    EXPECT_EQ(gauge->valueInterface()->currentValue().toInt(), 0);
    EXPECT_EQ(gauge->valueInterface()->maximumValue().toInt(), 100);
    // The window, its menu and the dialogs it owns are named in Japanese;
    // Qt's own file dialog brings its own controls.
    EXPECT_EQ(AccessibleText(window_, QAccessible::Name),
              QStringLiteral("Kryvet ファイルの暗号化と復号"));
    EXPECT_EQ(AccessibleText(controls_->MainMenu1, QAccessible::Name), QStringLiteral("メニュー"));
    EXPECT_EQ(AccessibleText(controls_->KR1, QAccessible::Name), QStringLiteral("実行"));
    EXPECT_EQ(AccessibleText(controls_->OpenDialog1, QAccessible::Name),
              QStringLiteral("ファイルを開く"));
    EXPECT_EQ(Unnamed(window_, controls_->OpenDialog1), QStringList());
    EXPECT_EQ(window_->objectName(), QStringLiteral("MainKryvet"));
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Kryvet"));
    // The offscreen platform draws a frame of its own, as a window manager
    // does: the frame and all measure 522 × 348 once it is known.
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return window_->frameGeometry().size() == QSize(522, 348); }, kPatienceMs))
        << window_->frameGeometry().width() << "x" << window_->frameGeometry().height();
    const QMargins frame = window_->windowHandle()->frameMargins();
    EXPECT_FALSE(frame.isNull());
    EXPECT_EQ(window_->size(), QSize(522, 348).shrunkBy(frame));
    EXPECT_FALSE(window_->windowIcon().isNull());
    EXPECT_EQ(window_->windowIcon().availableSizes().value(0), QSize(32, 32));
    EXPECT_TRUE(FocusReaches(controls_->EditFileName)) << FocusName();
    EXPECT_TRUE(controls_->BuFindFile->isDefault());
}

TEST_F(MainWindowTest, FontsAndColours) {
    EXPECT_EQ(window_->font().pixelSize(), 13);
    EXPECT_EQ(QFontInfo(controls_->LaFilename->font()).family(), QStringLiteral("IPAGothic"));
    for (QPushButton* button : {controls_->BuAngo, controls_->BuFukugo, controls_->Cancel1}) {
        EXPECT_EQ(button->font().pixelSize(), 19);
        EXPECT_EQ(QFontInfo(button->font()).family(), QStringLiteral("IPAMincho"));
        EXPECT_EQ(button->palette().color(QPalette::ButtonText), QColor(Qt::black));
    }
    EXPECT_EQ(controls_->BuFindFile->font().pixelSize(), 13);
    EXPECT_EQ(Background(controls_->Label2), QColor(255, 0, 0));
    EXPECT_TRUE(controls_->Label2->autoFillBackground());
    EXPECT_EQ(Background(controls_->LaRun), QApplication::palette().color(QPalette::Button));
    EXPECT_TRUE(controls_->LaRun->autoFillBackground());

    kryvet::TGauge* gauge = controls_->Gauge1;
    EXPECT_EQ(gauge->Progress(), 0);
    EXPECT_EQ(gauge->ForeColor(), kryvet::clBlue);
    EXPECT_EQ(gauge->BackColor(), kryvet::clWhite);
    EXPECT_EQ(gauge->BorderStyle(), kryvet::bsNone);
    EXPECT_EQ(gauge->Kind(), kryvet::gkHorizontalBar);
    EXPECT_TRUE(gauge->ShowText());
    EXPECT_EQ(gauge->Color(), kryvet::clBtnFace);
    EXPECT_FALSE(gauge->ParentColor());
    EXPECT_EQ(gauge->font(), window_->font());

    EXPECT_EQ(controls_->Timer1->interval(), 800);
    EXPECT_FALSE(controls_->Timer1->isActive());
}

TEST_F(MainWindowTest, TabOrder) {
    const std::vector<QWidget*> expected = {controls_->BuVersion,    controls_->BuFindFile,
                                            controls_->EditFileName, controls_->BuAngo,
                                            controls_->BuFukugo,     controls_->Cancel1};
    std::vector<QWidget*> order;
    QWidget* w = controls_->BuVersion;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled() &&
            w->window() == window_) {
            order.push_back(w);
        }
        w = w->nextInFocusChain();
    } while (w != controls_->BuVersion && order.size() < 20);
    EXPECT_EQ(order, expected);
}

TEST_F(MainWindowTest, MenuEntries) {
    struct Entry {
        QAction* member;
        const char* name;
        QString caption;
        int virtualKey;
        Qt::Key key;
    };
    const std::vector<Entry> entries = {
        {controls_->KA1, "KA1", QStringLiteral("バージョン情報(&A)"), 112, Qt::Key_F1},
        {controls_->N3, "N3", QString(), 0, Qt::Key_unknown},
        {controls_->KF1, "KF1", QStringLiteral("参照(&F)..."), 113, Qt::Key_F2},
        {controls_->N2, "N2", QString(), 0, Qt::Key_unknown},
        {controls_->KP1, "KP1", QStringLiteral("暗号化(&P)"), 0, Qt::Key_unknown},
        {controls_->KU1, "KU1", QStringLiteral("復号(&U)"), 0, Qt::Key_unknown},
        {controls_->N1, "N1", QString(), 0, Qt::Key_unknown},
        {controls_->KE1, "KE1", QStringLiteral("終了(&E)"), 121, Qt::Key_F10},
    };
    EXPECT_EQ(controls_->KR1->title(), QStringLiteral("実行(&R)"));
    EXPECT_EQ(controls_->MainMenu1, window_->menuBar());
    ASSERT_EQ(controls_->MainMenu1->actions().size(), 1);
    EXPECT_EQ(controls_->MainMenu1->actions().front(), controls_->KR1->menuAction());
    const QList<QAction*> actions = controls_->KR1->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(actions[i], e.member);
        EXPECT_EQ(e.member->objectName(), QString::fromLatin1(e.name));
        const bool separator = e.name[0] == 'N';
        EXPECT_EQ(e.member->isSeparator(), separator);
        if (!separator) {
            EXPECT_EQ(e.member->text(), e.caption);
            EXPECT_EQ(e.member->property("ShortCut").toInt(), e.virtualKey);
            EXPECT_EQ(e.member->shortcut(), e.virtualKey ? QKeySequence(e.key) : QKeySequence());
            // A screen reader reads the caption without the mnemonic's marker.
            QAccessibleInterface* item =
                QAccessible::queryAccessibleInterface(controls_->KR1)->child(static_cast<int>(i));
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(item->text(QAccessible::Name), QString(e.caption).remove(QLatin1Char('&')));
        }
    }
}

TEST_F(MainWindowTest, HandlersAreWiredToButtonsAndMenuEntries) {
    // disconnect() reports whether exactly this connection existed.
    using Slot = void (TMainKryvet::*)();
    struct Wire {
        QObject* sender;
        bool isAction;
        Slot slot;
        const char* what;
    };
    const std::vector<Wire> wires = {
        {controls_->BuVersion, false, &TMainKryvet::BuVersionClick, "BuVersion"},
        {controls_->KA1, true, &TMainKryvet::BuVersionClick, "KA1"},
        {controls_->BuFindFile, false, &TMainKryvet::BuFindFileClick, "BuFindFile"},
        {controls_->KF1, true, &TMainKryvet::BuFindFileClick, "KF1"},
        {controls_->BuAngo, false, &TMainKryvet::BuAngoClick, "BuAngo"},
        {controls_->KP1, true, &TMainKryvet::BuAngoClick, "KP1"},
        {controls_->BuFukugo, false, &TMainKryvet::BuFukugoClick, "BuFukugo"},
        {controls_->KU1, true, &TMainKryvet::BuFukugoClick, "KU1"},
        {controls_->Cancel1, false, &TMainKryvet::Cancel1Click, "Cancel1"},
        {controls_->KE1, true, &TMainKryvet::Cancel1Click, "KE1"},
    };
    for (const Wire& w : wires) {
        const bool connected = w.isAction
                                   ? QObject::disconnect(static_cast<QAction*>(w.sender),
                                                         &QAction::triggered, window_, w.slot)
                                   : QObject::disconnect(static_cast<QPushButton*>(w.sender),
                                                         &QPushButton::clicked, window_, w.slot);
        EXPECT_TRUE(connected) << w.what;
    }
    EXPECT_TRUE(QObject::disconnect(controls_->Timer1, &QTimer::timeout, window_,
                                    &TMainKryvet::Timer1Timer));
}

TEST(OpenDialogFilter, ClassicFilterBecomesQtFilters) {
    const std::string_view filter = ControlOf(MainKryvetForm(), "OpenDialog1").text;
    EXPECT_EQ(filter, "Text *.TXT *.DOC|*.TXT;*.DOC|LOG *.LOG *.LIS|*.LOg;*.LIS|Files *.*|*.*");
    const QStringList expected = {QStringLiteral("Text *.TXT *.DOC (*.TXT *.DOC)"),
                                  QStringLiteral("LOG *.LOG *.LIS (*.LOg *.LIS)"),
                                  QStringLiteral("Files *.* (*)")};
    EXPECT_EQ(QtNameFilters(FormText(filter)), expected);
    Forms forms;
    TMainKryvet window(forms);
    EXPECT_EQ(MainControls(window).OpenDialog1->nameFilters(), expected);
    EXPECT_EQ(MainControls(window).OpenDialog1->fileMode(), QFileDialog::AnyFile);
    EXPECT_EQ(MainControls(window).OpenDialog1->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_TRUE(MainControls(window).OpenDialog1->defaultSuffix().isEmpty());
    EXPECT_TRUE(MainControls(window).OpenDialog1->testOption(QFileDialog::HideNameFilterDetails));
    EXPECT_EQ(QtNameFilters(QStringLiteral("A|*.*;*.C|B|*.**")),
              (QStringList{QStringLiteral("A (* *.C)"), QStringLiteral("B (*.**)")}));
}

// A Qt name filter without its patterns, as the dialog's list shows it.
QString Description(const QString& filter) {
    return filter.left(filter.indexOf(QStringLiteral(" (")));
}

// The names the dialog's file list shows, once it has read the folder.
QStringList ListedNames(QFileDialog& dialog) {
    auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    if (view == nullptr) {
        return {QStringLiteral("<no list view>")};
    }
    QStringList names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row) {
        names << view->model()->index(row, 0, root).data().toString();
    }
    names.sort();
    return names;
}

TEST(OpenDialogFilter, TheRealDialogListsWhatEachFilterMatches) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QStringList all = {QStringLiteral("B.DOC"),  QStringLiteral("Makefile"),
                             QStringLiteral("README"), QStringLiteral("a.txt"),
                             QStringLiteral("c.log"),  QStringLiteral("d.Lis"),
                             QStringLiteral("e.bin"),  QStringLiteral("f.txt.bak")};
    for (const QString& name : all) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    struct Case {
        int filter;
        QStringList listed;
    };
    const std::vector<Case> cases = {
        // Letter case does not matter: *.TXT lists a.txt.
        {0, {QStringLiteral("B.DOC"), QStringLiteral("a.txt")}},
        {1, {QStringLiteral("c.log"), QStringLiteral("d.Lis")}},
        // "*.*" lists every file, also those without a dot.
        {2, all},
    };
    Forms forms;
    TMainKryvet window(forms);
    QFileDialog& dialog = *MainControls(window).OpenDialog1;
    dialog.setDirectory(folder.path());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    for (const Case& c : cases) {
        const QString filter = dialog.nameFilters().value(c.filter);
        SCOPED_TRACE(filter.toStdString());
        dialog.selectNameFilter(filter);
        EXPECT_EQ(dialog.selectedNameFilter(), Description(filter));
        // The folder is read in the background: wait for the list.
        EXPECT_TRUE(QTest::qWaitFor([&] { return ListedNames(dialog) == c.listed; }, 20000))
            << ListedNames(dialog).join(QStringLiteral(", ")).toStdString();
    }
    dialog.hide();
}

// Runs only when FreshHome.BrowsingLeavesTheHomeFolderEmpty starts this
// program again with a fresh home folder: the real file-open dialog is
// cancelled once and confirmed once, then every form is destroyed (Qt's
// dialog would save its settings then).
TEST(FreshHome, DISABLED_BrowseWithTheRealDialog) {
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString chosen = elsewhere.filePath(QStringLiteral("chosen.txt"));
    {
        QFile file(chosen);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    Forms forms;
    CreateForms(forms);
    TMainKryvet& window = *forms.MainKryvet;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    struct Step {
        QString filterShown;  // the description the dialog opens with
        std::function<void(QFileDialog&)> act;
        QString boxAfter;
    };
    const std::vector<Step> steps = {
        {QStringLiteral("Text *.TXT *.DOC"),
         [](QFileDialog& dialog) {
             dialog.setDirectory(QDir::rootPath());
             dialog.reject();
         },
         QString()},
        {QStringLiteral("Text *.TXT *.DOC"),
         [&](QFileDialog& dialog) {
             dialog.selectNameFilter(dialog.nameFilters().value(2));
             dialog.setDirectory(elsewhere.path());
             // Typed into its name box, which has the focus.
             auto* nameBox = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
             ASSERT_NE(nameBox, nullptr);
             nameBox->setText(QFileInfo(chosen).fileName());
             // Through the dialog's own checks, as its Open button does.
             static_cast<QDialog&>(dialog).accept();
         },
         chosen},
        // The confirmed filter is offered again.
        {QStringLiteral("Files *.*"), [](QFileDialog& dialog) { dialog.reject(); }, chosen},
    };
    for (const Step& step : steps) {
        bool seen = false;
        QString filterShown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() == MainControls(window).OpenDialog1 &&
                MainControls(window).OpenDialog1->isVisible()) {
                poll.stop();
                seen = true;
                filterShown = MainControls(window).OpenDialog1->selectedNameFilter();
                step.act(*MainControls(window).OpenDialog1);
            }
        });
        poll.start(20);
        QTimer::singleShot(20000, MainControls(window).OpenDialog1,
                           &QDialog::reject);  // a watchdog
        MainControls(window).BuFindFile->click();
        EXPECT_TRUE(seen);
        EXPECT_EQ(filterShown, step.filterShown);
        EXPECT_EQ(MainControls(window).EditFileName->text(), step.boxAfter);
    }
}

TEST(FreshHome, BrowsingLeavesTheHomeFolderEmpty) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                             "XDG_CONFIG_DIRS"}) {
        environment.remove(QString::fromLatin1(name));
    }
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_also_run_disabled_tests"),
                 QStringLiteral("--gtest_filter=FreshHome.DISABLED_BrowseWithTheRealDialog")});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    ASSERT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    ASSERT_EQ(child.exitCode(), 0) << output.toStdString();
    ASSERT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();

    QStringList written;
    QDirIterator it(home.path(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        written << it.next();
    }
    EXPECT_EQ(written, QStringList());
}

TEST_F(MainWindowTest, EnterOpensTheDialogOnlyWhileTheBoxIsEmpty) {
    struct Step {
        const char* what;
        std::function<void()> act;
        bool findFileDefault;
        int dialogRunsAfterEnter;
    };
    QLineEdit* edit = controls_->EditFileName;
    const std::vector<Step> steps = {
        {"empty at start", [] {}, true, 1},
        {"typed a name", [edit] { QTest::keyClicks(edit, "a.txt"); }, false, 1},
        {"emptied, then a name without a Shift-JIS form",
         [edit] {
             edit->clear();
             QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("café€.txt"));
             QApplication::sendEvent(edit, &typed);
         },
         false, 1},
        {"emptied again", [edit] { edit->clear(); }, true, 2},
        {"name set by the program", [edit] { edit->setText(QStringLiteral("/tmp/x")); }, false, 2},
        {"emptied by backspace",
         [edit] {
             edit->setFocus();
             edit->end(false);
             for (int i = 0; i < 6; ++i) {
                 QTest::keyClick(edit, Qt::Key_Backspace);
             }
         },
         true, 3},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(controls_->BuFindFile->isDefault(), step.findFileDefault);
        EXPECT_FALSE(controls_->BuAngo->isDefault());
        EXPECT_FALSE(controls_->BuFukugo->isDefault());
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(dialogRuns_, step.dialogRunsAfterEnter);
    }
}

TEST_F(MainWindowTest, BrowseFillsTheBoxAndRemembersWhatWasConfirmed) {
    std::vector<QString> shownFilters;
    std::vector<QString> shownDirectories;
    std::vector<QStringList> shownSelections;
    auto record = [&](QFileDialog& dialog) {
        shownFilters.push_back(dialog.selectedNameFilter());
        shownDirectories.push_back(dialog.directory().absolutePath());
        shownSelections.push_back(dialog.selectedFiles());
    };
    const QStringList filters = controls_->OpenDialog1->nameFilters();
    const QString chosen = QDir::temp().absoluteFilePath(QStringLiteral("kryvet-chosen.log"));

    // First showing: current folder, first filter; the user confirms a file.
    chooser_ = [&](QFileDialog& dialog) -> std::optional<OpenDialogChoice> {
        record(dialog);
        return OpenDialogChoice{chosen, filters[1]};
    };
    controls_->EditFileName->setText(QStringLiteral("typed"));
    controls_->BuVersion->setFocus();
    window_->BuFindFileClick();
    EXPECT_EQ(controls_->EditFileName->text(), chosen);
    EXPECT_EQ(QApplication::focusWidget(), controls_->EditFileName);
    EXPECT_FALSE(controls_->BuFindFile->isDefault());

    // Next showing: what was confirmed; the user browses elsewhere and cancels.
    chooser_ = [&](QFileDialog& dialog) -> std::optional<OpenDialogChoice> {
        record(dialog);
        dialog.selectNameFilter(filters[2]);
        dialog.setDirectory(QDir::rootPath());
        return std::nullopt;
    };
    controls_->EditFileName->setText(QStringLiteral("kept"));
    controls_->BuAngo->setFocus();
    window_->BuFindFileClick();
    EXPECT_EQ(controls_->EditFileName->text(), QStringLiteral("kept"));
    EXPECT_EQ(QApplication::focusWidget(), controls_->EditFileName);

    // The cancelled browsing is forgotten; a confirmed empty path changes nothing.
    chooser_ = [&](QFileDialog& dialog) -> std::optional<OpenDialogChoice> {
        record(dialog);
        return OpenDialogChoice{QString(), filters[2]};
    };
    window_->BuFindFileClick();
    EXPECT_EQ(controls_->EditFileName->text(), QStringLiteral("kept"));

    ASSERT_EQ(shownFilters.size(), 3u);
    // The dialog shows a filter by its description alone.
    EXPECT_EQ(shownFilters[0], Description(filters[0]));
    EXPECT_EQ(shownDirectories[0], QDir::currentPath());
    EXPECT_EQ(shownFilters[1], Description(filters[1]));
    EXPECT_EQ(shownDirectories[1], QDir::tempPath());
    EXPECT_EQ(shownSelections[1].value(0), chosen);
    EXPECT_EQ(shownFilters[2], Description(filters[1]));
    EXPECT_EQ(shownDirectories[2], QDir::tempPath());

    // A choice whose text reads the same as another entry's bytes, in its
    // folder or in a folder on the way, could name either file: refused in
    // the error box, with the box and the remembered choice as they were.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray raw = QFile::encodeName(dir.path());
    WriteRawNamed(raw + "/rep\xff.txt", "named");
    const RemovedByBytes named{raw + "/rep\xff.txt"};
    WriteRawNamed(raw + "/rep\xef\xbf\xbd.txt", "look-alike");
    ASSERT_EQ(mkdir((raw + "/d\xff").constData(), 0700), 0);
    const RemovedByBytes folder{raw + "/d\xff"};
    for (const QString& name : {QStringLiteral("rep\uFFFD.txt"), QStringLiteral("d\uFFFD/x.txt")}) {
        SCOPED_TRACE(name.toStdString());
        chooser_ = [&](QFileDialog&) -> std::optional<OpenDialogChoice> {
            return OpenDialogChoice{dir.filePath(name), filters[0]};
        };
        QString shown;
        RunModal([this] { window_->BuFindFileClick(); },
                 [&](QWidget* box) {
                     shown = static_cast<QMessageBox*>(box)->text();
                     box->close();
                 });
        EXPECT_EQ(shown, kNameRefusedText);
        EXPECT_EQ(controls_->EditFileName->text(), QStringLiteral("kept"));
    }
    chooser_ = [&](QFileDialog& dialog) -> std::optional<OpenDialogChoice> {
        record(dialog);
        return std::nullopt;
    };
    window_->BuFindFileClick();
    EXPECT_EQ(shownDirectories.back(), QDir::tempPath());
}

// A record made for another file: the question names the operation, いいえ
// is the default and has the focus, and only はい answers yes.
TEST_F(MainWindowTest, ForeignRecordQuestionDefaultsToNo) {
    using Answer = std::function<void(QMessageBox&)>;
    const Answer enter = [](QMessageBox&) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    };
    const Answer escape = [](QMessageBox&) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    };
    const Answer closeBox = [](QMessageBox& box) { box.close(); };
    const auto click = [](QMessageBox::ButtonRole role) {
        return Answer([role](QMessageBox& box) {
            for (QAbstractButton* button : box.buttons()) {
                if (box.buttonRole(button) == role) {
                    QTest::mouseClick(button, Qt::LeftButton);
                }
            }
        });
    };
    const struct {
        OperationButton operation;
        Answer answer;
        bool yes;
    } cases[] = {{OperationButton::BuAngo, enter, false},
                 {OperationButton::BuFukugo, escape, false},
                 {OperationButton::BuAngo, closeBox, false},
                 {OperationButton::BuFukugo, click(QMessageBox::YesRole), true},
                 {OperationButton::BuAngo, click(QMessageBox::YesRole), true},
                 {OperationButton::BuFukugo, click(QMessageBox::NoRole), false}};
    MainWindowPort port(forms_);
    for (const auto& c : cases) {
        QStringList seen;  // caption, icon, text, then the buttons, "*" on the focused one
        bool answer = !c.yes;
        RunModal([&] { answer = port.AskFinishForeignRecord(c.operation); },
                 [&](QWidget* modal) {
                     auto& box = *static_cast<QMessageBox*>(modal);
                     Eventually([&] { return box.isAncestorOf(QApplication::focusWidget()); });
                     seen << box.windowTitle() << QString::number(box.icon()) << box.text();
                     for (QAbstractButton* button : box.buttons()) {
                         seen << button->text() + (button->hasFocus() ? "*" : "");
                     }
                     c.answer(box);
                 });
        const QString name = c.operation == OperationButton::BuAngo ? QStringLiteral("暗号化")
                                                                    : QStringLiteral("復号");
        EXPECT_EQ(answer, c.yes);
        EXPECT_EQ(seen,
                  QStringList({QStringLiteral("Kryvet"), QString::number(QMessageBox::Question),
                               QStringLiteral("このファイルには中断された%1の記録がありますが、"
                                              "別のファイルのために作られた記録です。\nファイ"
                                              "ルがコピーされたか、よそから来たか、細工された"
                                              "可能性があります。\n記録のとおりに%1を完了しま"
                                              "すか？（アクセス権は記録からは与えません）")
                                   .arg(name),
                               QStringLiteral("はい"), QStringLiteral("いいえ*")}));
    }
}

// One form for the recovery notices; each showing names its own rewrite.
TEST_F(MainWindowTest, RecoveryNoticeNamesTheFinishedRewrite) {
    MainWindowPort port(forms_);
    for (const auto& [notice, text] :
         {std::pair{Notice::RecoveredDecryption, "中断された復号を完了しました"},
          std::pair{Notice::RecoveredEncryption, "中断された暗号化を完了しました"},
          std::pair{Notice::UndoneEncryption, "中断された暗号化を取り消しました"},
          std::pair{Notice::UndoneDecryption, "中断された復号を取り消しました"}}) {
        QString shown;
        QWidget* modal = RunModal([&] { port.ShowNotice(notice); },
                                  [&](QWidget* form) {
                                      shown = forms_.Recovered1->Label1->text();
                                      form->close();
                                  });
        EXPECT_EQ(modal, forms_.Recovered1.get());
        EXPECT_EQ(shown, QString::fromUtf8(text));
    }
}

TEST_F(MainWindowTest, FunctionKeysOpenTheBoxesAndEndTheProgram) {
    // F1: the version box, then the focus back in the file-name box.
    controls_->BuVersion->setFocus();
    QWidget* modal = RunModal([this] { QTest::keyClick(window_, Qt::Key_F1); });
    EXPECT_EQ(modal, forms_.VersionDlg.get());
    // The window takes the keyboard back when the window system says so,
    // which may be well after the box has closed; the keys below need it.
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_, kPatienceMs));
    EXPECT_TRUE(FocusReaches(controls_->EditFileName)) << FocusName();

    // F2: the file-open dialog.
    QTest::keyClick(window_, Qt::Key_F2);
    EXPECT_EQ(dialogRuns_, 1);

    // The encrypt and decrypt entries have no key; other F-keys do nothing.
    for (Qt::Key key : {Qt::Key_F3, Qt::Key_F4, Qt::Key_F9, Qt::Key_F11}) {
        QTest::keyClick(window_, key);
    }
    EXPECT_EQ(dialogRuns_, 1);
    EXPECT_TRUE(window_->isVisible());

    // F10: the window closes, which ends the program.
    EXPECT_TRUE(window_->testAttribute(Qt::WA_QuitOnClose));
    QTest::keyClick(window_, Qt::Key_F10);
    EXPECT_FALSE(window_->isVisible());
}

TEST_F(MainWindowTest, EnterOnAFocusedButtonPressesIt) {
    struct Case {
        QPushButton* button;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QWidget* modal;  // what the button's handler opens
        int dialogRuns;
        bool windowVisible;
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const std::vector<Case> cases = {
        {controls_->BuVersion, Qt::Key_Return, none, forms_.VersionDlg.get(), 0, true},
        {controls_->BuVersion, Qt::Key_Enter, Qt::KeypadModifier, forms_.VersionDlg.get(), 0, true},
        {controls_->BuFindFile, Qt::Key_Return, none, nullptr, 1, true},
        {controls_->BuFindFile, Qt::Key_Enter, Qt::KeypadModifier, nullptr, 1, true},
        // A named file that does not exist: each operation says so.
        {controls_->BuAngo, Qt::Key_Return, none, forms_.NotFileDlg.get(), 0, true},
        {controls_->BuFukugo, Qt::Key_Enter, Qt::KeypadModifier, forms_.NotFileDlg.get(), 0, true},
        {controls_->BuAngo, Qt::Key_Return, Qt::ControlModifier, nullptr, 0, true},
        {controls_->Cancel1, Qt::Key_Return, none, nullptr, 0, false},
    };
    const QString missing = QDir::temp().absoluteFilePath(QStringLiteral("kryvet-no-such-file"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button->objectName().toStdString() + " key " + std::to_string(c.key) +
                     " modifiers " + std::to_string(c.modifiers.toInt()));
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
        controls_->EditFileName->setText(missing);
        c.button->setFocus();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return QApplication::focusWidget() == c.button; }, 10000));
        const int runsBefore = dialogRuns_;
        QWidget* modal = RunModal([&] { QTest::keyClick(c.button, c.key, c.modifiers); });
        EXPECT_EQ(modal, c.modal);
        EXPECT_EQ(dialogRuns_ - runsBefore, c.dialogRuns);
        EXPECT_EQ(window_->isVisible(), c.windowVisible);
    }
}

TEST_F(MainWindowTest, BrowseButtonRunsTheRealDialog) {
    window_->SetOpenDialogRunner([](QFileDialog& dialog) -> std::optional<OpenDialogChoice> {
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return OpenDialogChoice{dialog.selectedFiles().value(0), dialog.selectedNameFilter()};
    });
    QWidget* modal = RunModal([this] { controls_->BuFindFile->click(); });
    EXPECT_EQ(modal, controls_->OpenDialog1);
    EXPECT_TRUE(controls_->EditFileName->text().isEmpty());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_, kPatienceMs));
    EXPECT_TRUE(FocusReaches(controls_->EditFileName)) << FocusName();
}

// Any name a Linux file can have: every character as typed, and as many
// bytes of its UTF-8 form as a path may hold; typing past that is refused
// whole, never cut short.
TEST_F(MainWindowTest, FileNameBoxTakesAnyNameUpToThePathLimit) {
    struct Case {
        QString before;
        QString typed;  // one key press
        bool taken;
    };
    const QString a4093(kMaxPathBytes - 2, u'a');
    const QString a4094(kMaxPathBytes - 1, u'a');
    const std::vector<Case> cases = {
        {QStringLiteral("caf"), QStringLiteral("é"), true},  // no Shift-JIS form
        {QStringLiteral("x"), QStringLiteral("€"), true},
        {QStringLiteral("memo"), QStringLiteral("🔒"), true},    // outside the BMP
        {QStringLiteral("e"), QStringLiteral("\u0301"), true},  // combining accent
        {QStringLiteral("/home/"), QStringLiteral("файл"), true},
        {QString(300, u'あ'), QStringLiteral("い"), true},  // far past 128 bytes
        {a4094, QStringLiteral("b"), true},                 // 4095 bytes: the limit
        {a4093, QStringLiteral("é"), true},
        {a4094, QStringLiteral("é"), false},  // 4096 bytes
        {a4094 + u'b', QStringLiteral("c"), false},
        {a4093, QStringLiteral("🔒"), false},
    };
    QLineEdit* edit = controls_->EditFileName;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        edit->setText(c.before);
        edit->end(false);
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, c.typed);
        QApplication::sendEvent(edit, &key);
        EXPECT_EQ(edit->text(), c.taken ? c.before + c.typed : c.before);
    }

    // Pasted text is taken whole as well, or not at all.
    const QString path =
        QStringLiteral("/home/利用者/書類/") + QString(280, u'x') + QStringLiteral("/café 🔒.txt");
    const std::vector<std::pair<QString, bool>> pastes = {{path, true}, {path + a4094, false}};
    for (const auto& [paste, taken] : pastes) {
        edit->clear();
        edit->insert(paste);
        EXPECT_EQ(edit->text(), taken ? paste : QString());
    }
}

TEST_F(MainWindowTest, TimerTickShowsTheBrokenKey) {
    ASSERT_NE(forms_.NotPassword1->Image1, nullptr);
    EXPECT_TRUE(forms_.NotPassword1->Image1->isHidden());
    window_->Timer1Timer();
    EXPECT_FALSE(forms_.NotPassword1->Image1->isHidden());
    EXPECT_FALSE(controls_->Timer1->isActive());  // the tick does not stop or start the timer
}

TEST(MainWindowClose, CloseBoxAndExitButtonEndTheEventLoop) {
    struct Case {
        const char* how;
        std::function<void(TMainKryvet&)> close;
    };
    const std::vector<Case> cases = {
        {"close box",
         [](TMainKryvet& w) {
             QCloseEvent event;  // what the window system sends for the close box
             QCoreApplication::sendEvent(w.windowHandle(), &event);
         }},
        {"exit button", [](TMainKryvet& w) { MainControls(w).Cancel1->click(); }},
        {"F10", [](TMainKryvet& w) { QTest::keyClick(&w, Qt::Key_F10); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        Forms forms;
        CreateForms(forms);
        TMainKryvet& window = *forms.MainKryvet;
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, kPatienceMs));
        bool endedByWatchdog = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            endedByWatchdog = true;
            QApplication::quit();
        });
        watchdog.start(kPatienceMs);
        QTimer::singleShot(0, &window, [&] { c.close(window); });
        QApplication::exec();
        EXPECT_FALSE(endedByWatchdog);
        EXPECT_FALSE(window.isVisible());
    }
}

TEST(Forms, EveryFormIsCreatedOnce) {
    Forms forms;
    CreateForms(forms);
    EXPECT_NE(forms.MainKryvet, nullptr);
    const std::vector<QWidget*> dialogs = {
        forms.VersionDlg.get(),  forms.NotFileDlg.get(), forms.DiskFull1.get(),
        forms.ExitAnko1.get(),   forms.NoAngo1.get(),    forms.NotPassword1.get(),
        forms.PasswordDlg.get(), forms.PasswordDlg2,
    };
    for (QWidget* dialog : dialogs) {
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->parentWidget(), forms.MainKryvet.get());
    }
    // The main window lists its children in the order they were created:
    // the version box first, the confirmation dialog last.
    std::vector<QWidget*> created;
    for (QObject* child : forms.MainKryvet->children()) {
        if (std::find(dialogs.begin(), dialogs.end(), child) != dialogs.end()) {
            created.push_back(static_cast<QWidget*>(child));
        }
    }
    EXPECT_EQ(created, dialogs);
    EXPECT_EQ(QtKeyForVirtualKey(112), Qt::Key_F1);
    EXPECT_EQ(QtKeyForVirtualKey(121), Qt::Key_F10);
    EXPECT_EQ(QtKeyForVirtualKey(13), 0);
}

}  // namespace
