#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "app/enter_presses_button.h"
#include "app/exact_name.h"
#include "app/forms.h"
#include "app/outer_size.h"
#include "app/path_length_validator.h"
#include "app/readable_button_text.h"
#include "dialogs/form_builder.h"
#include "forms/main_kryvet_form.h"
#include "widgets/gauge.h"
#include "widgets/tcolor.h"

namespace kryvet {

namespace {

void ShowStatus(QLabel& label, const StatusLook& look) {
    SetBackgroundColor(label, look.color);
    label.setText(FormText(look.caption));
}

// The full path of the first of the dropped items, if that is a local file;
// an empty text when it is anything else (a folder, a web link, plain text).
QString DroppedFilePath(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) {
        return {};
    }
    const QUrl first = data->urls().constFirst();
    if (!first.isLocalFile()) {
        return {};
    }
    const QFileInfo info(first.toLocalFile());
    return info.isDir() ? QString() : info.absoluteFilePath();
}

}  // namespace

int QtKeyForVirtualKey(int virtualKey) {
    if (virtualKey >= 112 && virtualKey <= 123) {
        return Qt::Key_F1 + (virtualKey - 112);
    }
    return 0;
}

TMainKryvet::TMainKryvet(kryvet::Forms& forms)
    : QMainWindow(nullptr), Forms(forms), ProgramState(forms.State) {
    // The designed size; FormCreate replaces it before the window is shown.
    SetUpForm(*this, MainKryvetForm());
    CreateControls();
    CreateMenu();
    ConnectHandlers();
    setAcceptDrops(true);
}

TMainKryvet::~TMainKryvet() = default;

void TMainKryvet::CreateControls() {
    const FormDescription& form = MainKryvetForm();
    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("Client"));
    setCentralWidget(Client);
    BuildControls(*Client, form);

    BuVersion = Built<QPushButton>(*Client, "BuVersion");
    EditFileName = Built<QLineEdit>(*Client, "EditFileName");
    BuFindFile = Built<QPushButton>(*Client, "BuFindFile");
    LaFilename = Built<QLabel>(*Client, "LaFilename");
    BuAngo = Built<QPushButton>(*Client, "BuAngo");
    BuFukugo = Built<QPushButton>(*Client, "BuFukugo");
    Cancel1 = Built<QPushButton>(*Client, "Cancel1");
    LaRun = Built<QLabel>(*Client, "LaRun");
    Gauge1 = Built<TGauge>(*Client, "Gauge1");
    Label2 = Built<QLabel>(*Client, "Label2");
    Timer1 = Built<QTimer>(*Client, "Timer1");
    OpenDialog1 = std::make_unique<OpenDialogAdapter>(*this, ControlOf(form, "OpenDialog1"));

    // Any name a Linux file can have: every character, up to the path limit.
    // QLineEdit's own limit (32767 UTF-16 units) lies beyond it.
    EditFileName->setValidator(new PathLengthValidator(EditFileName));
    // A file dropped on the box goes to the window, which takes its path; the
    // box itself would insert the link's text at the cursor.
    EditFileName->setAcceptDrops(false);
    for (QPushButton* button : {BuAngo, BuFukugo, Cancel1}) {
        // The form's colour where it reads on the desktop's button face.
        const StoredColor ink = ControlOf(form, button->objectName().toStdString()).font.color;
        KeepButtonTextReadable(*button, ResolveColor(ink));
    }
    for (QPushButton* button : {BuVersion, BuFindFile, BuAngo, BuFukugo, Cancel1}) {
        PressOnEnter(*button);
    }
}

void TMainKryvet::CreateMenu() {
    const FormDescription& form = MainKryvetForm();
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(FormText(form.menuName));
    MainMenu1->setAccessibleName(FormText(form.menuAccessibleName));
    // The button Qt shows when the menu bar is too narrow for its menus.
    if (auto* more = MainMenu1->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"))) {
        more->setAccessibleName(QStringLiteral("その他のメニュー"));
    }
    for (const MenuDescription& menu : form.menu) {
        QMenu* entries = MainMenu1->addMenu(FormText(menu.caption));
        entries->setObjectName(FormText(menu.name));
        entries->setAccessibleName(FormText(menu.accessibleName));
        for (const MenuItemDescription& item : menu.items) {
            QAction* action = item.caption.empty() ? entries->addSeparator()
                                                   : entries->addAction(FormText(item.caption));
            action->setObjectName(FormText(item.name));
            if (item.caption.empty()) {
                continue;
            }
            action->setProperty("ShortCut", item.shortcut);
            if (item.shortcut != 0) {
                action->setShortcut(QKeySequence(QtKeyForVirtualKey(item.shortcut)));
            }
        }
    }
    KR1 = Built<QMenu>(*MainMenu1, "KR1");
    KA1 = Built<QAction>(*KR1, "KA1");
    KF1 = Built<QAction>(*KR1, "KF1");
    KP1 = Built<QAction>(*KR1, "KP1");
    KU1 = Built<QAction>(*KR1, "KU1");
    KE1 = Built<QAction>(*KR1, "KE1");
}

void TMainKryvet::ConnectHandlers() {
    connect(BuVersion, &QPushButton::clicked, this, &TMainKryvet::BuVersionClick);
    connect(BuFindFile, &QPushButton::clicked, this, &TMainKryvet::BuFindFileClick);
    connect(BuAngo, &QPushButton::clicked, this, &TMainKryvet::BuAngoClick);
    connect(BuFukugo, &QPushButton::clicked, this, &TMainKryvet::BuFukugoClick);
    connect(Cancel1, &QPushButton::clicked, this, &TMainKryvet::Cancel1Click);
    connect(EditFileName, &QLineEdit::textChanged, this, &TMainKryvet::EditFileNameChange);
    connect(EditFileName, &QLineEdit::returnPressed, this, &TMainKryvet::EditFileNameReturn);
    connect(Timer1, &QTimer::timeout, this, &TMainKryvet::Timer1Timer);
    connect(KA1, &QAction::triggered, this, &TMainKryvet::BuVersionClick);
    connect(KF1, &QAction::triggered, this, &TMainKryvet::BuFindFileClick);
    connect(KP1, &QAction::triggered, this, &TMainKryvet::BuAngoClick);
    connect(KU1, &QAction::triggered, this, &TMainKryvet::BuFukugoClick);
    connect(KE1, &QAction::triggered, this, &TMainKryvet::Cancel1Click);
}

void TMainKryvet::FormCreate() {
    Gauge1->SetProgress(0);
    LaRun->setText(FormText(kStatusAfterCreation.caption));
    // The outer size follows from the controls' sizes. Until a window
    // manager has framed the window it is given to the window itself (menu
    // bar included); on a bare X server, without a frame, that stays so.
    const OuterSize outer =
        MainKryvetOuterSize(BuFindFile->width(), BuFindFile->height(), EditFileName->height());
    resize(outer.width, height());
    resize(width(), outer.height);
    new OuterSizeKeeper(*this, size());
}

void TMainKryvet::EditFileNameChange() {
    if (!EditFileName->text().isEmpty()) {
        BuFindFile->setDefault(false);
    } else {
        BuAngo->setDefault(false);
        BuFukugo->setDefault(false);
        BuFindFile->setDefault(true);
    }
}

void TMainKryvet::EditFileNameReturn() {
    // Outside a dialog, Qt does not pass Enter on to the default button.
    for (QPushButton* button : {BuFindFile, BuAngo, BuFukugo, Cancel1, BuVersion}) {
        if (button->isDefault()) {
            button->click();
            return;
        }
    }
}

void TMainKryvet::SetOpenDialogRunner(OpenDialogRunner run) {
    OpenDialog1->Run = std::move(run);
}

void TMainKryvet::BuFindFileClick() {
    const std::optional<OpenDialogChoice> choice = OpenDialog1->Show();
    // Keys typed on a bare X server are lost unless the window is active again.
    activateWindow();
    if (choice && !choice->path.isEmpty()) {
        const QString path = QFileInfo(choice->path).absoluteFilePath();
        // The dialog gives text only: a name that may stand for another file
        // as well is refused.
        if (AmbiguousAsText(path)) {
            RefuseNameLater(this);
        } else {
            OpenDialog1->Remember({path, choice->nameFilter});
            EditFileName->setText(path);
        }
    }
    EditFileName->setFocus();
}

void TMainKryvet::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedFilePath(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void TMainKryvet::dropEvent(QDropEvent* event) {
    const QString path = DroppedFilePath(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (!SurvivesAsText(LocalPathBytes(event->mimeData()->urls().constFirst()))) {
        RefuseNameLater(this);
        return;
    }
    // As after the file-open dialog; the dialog itself keeps its own last
    // choice, since nothing was confirmed in it.
    EditFileName->setText(path);
    activateWindow();
    EditFileName->setFocus();
}

void TMainKryvet::BuVersionClick() {
    Forms.VersionDlg->exec();
    activateWindow();
    EditFileName->setFocus();
}

void TMainKryvet::Cancel1Click() {
    close();
}

void TMainKryvet::Timer1Timer() {
    if (Forms.NotPassword1) {
        Forms.NotPassword1->SetKeyBroken(true);
    }
}

QPushButton* TMainKryvet::Button(OperationButton button) const {
    return button == OperationButton::BuAngo ? BuAngo : BuFukugo;
}

QString TMainKryvet::FileName() const {
    return EditFileName->text();
}

void TMainKryvet::SetGaugeProgress(int percent) {
    Gauge1->SetProgress(percent);
}

void TMainKryvet::SetMismatchShown(bool shown) {
    Label2->setVisible(shown);
}

void TMainKryvet::SetTimer1Enabled(bool enabled) {
    if (enabled) {
        Timer1->start();
    } else {
        Timer1->stop();
    }
}

void TMainKryvet::FocusFileName() {
    EditFileName->setFocus();
}

void TMainKryvet::FocusButton(OperationButton button) {
    Button(button)->setFocus();
}

void TMainKryvet::RepaintNow() {
    // The operations keep the event loop waiting until they end, so what has
    // become invalid is painted here. A widget shown for the first time
    // announces its area in a posted event; take that in before painting.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
    repaint();
}

void TMainKryvet::EnterBusyState(OperationButton button) {
    ShowStatus(*LaRun, button == OperationButton::BuAngo ? kStatusEncrypting : kStatusDecrypting);
    LaRun->setAccessibleDescription(LaRun->text().trimmed());
    LaRun->setVisible(true);
    for (QPushButton* b : {BuAngo, BuFukugo, Cancel1, BuFindFile, BuVersion}) {
        b->setEnabled(false);
    }
    RepaintNow();
}

void TMainKryvet::LeaveBusyState(OperationButton button) {
    ShowStatus(*LaRun, kStatusIdle);
    LaRun->setAccessibleDescription(QString());
    RepaintNow();
    LaRun->setVisible(false);
    for (QPushButton* b : {Cancel1, BuFindFile, BuVersion, BuAngo, BuFukugo}) {
        b->setEnabled(true);
    }
    Button(button)->setFocus();
}

}  // namespace kryvet
