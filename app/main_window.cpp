#include "app/main_window.h"

#include "dialogs/pictures.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "app/enter_presses_button.h"
#include "app/exact_name.h"
#include "app/forms.h"
#include "app/outer_size.h"
#include "app/path_length_validator.h"
#include "app/readable_button_text.h"
#include "widgets/gauge.h"
#include "widgets/tcolor.h"

namespace kryvet {

namespace {

const QString kBusyEncrypting = QStringLiteral("暗号の作業中 ");
const QString kBusyDecrypting = QStringLiteral("復号の作業中 ");
const QString kStatusAfterCreation = QStringLiteral("\u3000\u3000\u3000 ");
const QString kStatusIdle = QStringLiteral("\u3000\u3000\u3000\u3000\u3000\u3000 ");

QFont FaceFont(const QString& family, int pixelHeight) {
    QFont font(family);
    font.setPixelSize(pixelHeight);
    return font;
}

// A label's own background colour, not the window's.
void SetLabelColor(QLabel* label, TColor color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, ResolveColor(color));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->setProperty("Color", static_cast<uint>(color));
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    // Label text starts at the top-left corner, not centred vertically.
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
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

// Qt's own file dialog keeps its history, last folder and layout in a
// settings file in the user's configuration folder, reads it when it is
// created and writes it when it is destroyed. This program keeps nothing
// between runs, so Qt's settings are pointed at a place where no file can
// be read or made.
void KeepQtSettingsOffDisk() {
    const QString nowhere = QStringLiteral("/dev/null");
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, nowhere);
        QSettings::setPath(format, QSettings::SystemScope, nowhere);
    }
}

// The classic dialog matched "*.*" against every name, also one without a
// dot; Qt's pattern for that is "*".
QString QtPattern(const QString& classicPattern) {
    return classicPattern == QStringLiteral("*.*") ? QStringLiteral("*") : classicPattern;
}

// With the patterns hidden, Qt reports the chosen filter by its description
// alone; the whole entry is what selects it again.
QString WholeNameFilter(const QFileDialog& dialog) {
    const QString shown = dialog.selectedNameFilter();
    for (const QString& filter : dialog.nameFilters()) {
        if (filter == shown || filter.startsWith(shown + QStringLiteral(" ("))) {
            return filter;
        }
    }
    return shown;
}

std::optional<OpenDialogChoice> ExecOpenDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return OpenDialogChoice{dialog.selectedFiles().value(0), WholeNameFilter(dialog)};
}

}  // namespace

QStringList QtNameFilters(const QString& classicFilter) {
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'));
        for (QString& pattern : patterns) {
            pattern = QtPattern(pattern);
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

int QtKeyForVirtualKey(int virtualKey) {
    if (virtualKey >= 112 && virtualKey <= 123) {
        return Qt::Key_F1 + (virtualKey - 112);
    }
    return 0;
}

TMainKryvet::TMainKryvet(kryvet::Forms& forms)
    : QMainWindow(nullptr), Forms(forms), ProgramState(forms.State) {
    setObjectName(QStringLiteral("MainKryvet"));
    setWindowTitle(QStringLiteral("Kryvet"));
    setAccessibleName(QStringLiteral("Kryvet ファイルの暗号化と復号"));
    // The same picture as in the version box.
    setWindowIcon(QIcon(pictures::kAppIcon));
    setFont(FaceFont(QStringLiteral("System"), 13));
    // The designed size; FormCreate replaces it before the window is shown.
    resize(520, 331);

    RunOpenDialog = ExecOpenDialog;
    CreateControls();
    CreateMenu();
    setAcceptDrops(true);
}

TMainKryvet::~TMainKryvet() = default;

void TMainKryvet::CreateControls() {
    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("Client"));
    setCentralWidget(Client);

    BuVersion =
        MakeButton(Client, "BuVersion", QStringLiteral("バージョン情報"), {332, 11, 146, 35});
    EditFileName = new QLineEdit(Client);
    EditFileName->setObjectName(QStringLiteral("EditFileName"));
    EditFileName->setGeometry(33, 78, 445, 26);
    EditFileName->setAccessibleName(QStringLiteral("ファイル名"));
    // Any name a Linux file can have: every character, up to the path limit.
    // QLineEdit's own limit (32767 UTF-16 units) lies beyond it.
    EditFileName->setValidator(new PathLengthValidator(EditFileName));
    // A file dropped on the box goes to the window, which takes its path; the
    // box itself would insert the link's text at the cursor.
    EditFileName->setAcceptDrops(false);
    BuFindFile = MakeButton(Client, "BuFindFile", QStringLiteral("参照"), {354, 122, 124, 46});
    BuFindFile->setDefault(true);
    LaFilename = MakeLabel(Client, "LaFilename", QStringLiteral("ファイル名："), {33, 44, 100, 20});

    const QFont buttonFont = FaceFont(QStringLiteral("ＭＳ 明朝"), 19);
    BuAngo = MakeButton(Client, "BuAngo", QStringLiteral("暗号化"), {22, 210, 146, 46});
    BuFukugo = MakeButton(Client, "BuFukugo", QStringLiteral("復号"), {177, 210, 146, 46});
    Cancel1 = MakeButton(Client, "Cancel1", QStringLiteral("終了"), {332, 210, 146, 46});
    for (QPushButton* button : {BuAngo, BuFukugo, Cancel1}) {
        button->setFont(buttonFont);
        // Black, where black reads on the desktop's button face.
        KeepButtonTextReadable(*button, Qt::black);
    }

    LaRun = MakeLabel(Client, "LaRun", QStringLiteral("暗号の作業中"), {127, 122, 100, 19});
    SetLabelColor(LaRun, clBtnFace);
    // Its text is blank while idle; the busy text goes into the description.
    LaRun->setAccessibleName(QStringLiteral("作業の状態"));
    LaRun->hide();

    Gauge1 = new TGauge(Client);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setGeometry(39, 159, 273, 28);
    Gauge1->setAccessibleName(QStringLiteral("進み具合"));
    Gauge1->SetColor(clBtnFace);
    Gauge1->SetForeColor(clBlue);
    Gauge1->SetBorderStyle(bsNone);
    Gauge1->SetProgress(20);

    Label2 = MakeLabel(Client, "Label2", QStringLiteral("パスワードは一致していません。"),
                       {44, 122, 250, 19});
    SetLabelColor(Label2, clRed);
    Label2->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(800);
    connect(Timer1, &QTimer::timeout, this, &TMainKryvet::Timer1Timer);

    KeepQtSettingsOffDisk();
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setAccessibleName(QStringLiteral("ファイルを開く"));
    // Qt's own dialog behaves the same everywhere and can be driven in tests.
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setNameFilters(QtNameFilters(QString::fromLatin1(kOpenDialogFilter)));
    // The list shows the descriptions alone, as the form has them; the
    // patterns Qt matches with may differ from the ones they name.
    OpenDialog1->setOption(QFileDialog::HideNameFilterDetails);

    setTabOrder(BuVersion, BuFindFile);
    setTabOrder(BuFindFile, EditFileName);
    setTabOrder(EditFileName, BuAngo);
    setTabOrder(BuAngo, BuFukugo);
    setTabOrder(BuFukugo, Cancel1);
    EditFileName->setFocus();

    for (QPushButton* button : {BuVersion, BuFindFile, BuAngo, BuFukugo, Cancel1}) {
        PressOnEnter(*button);
    }
    connect(BuVersion, &QPushButton::clicked, this, &TMainKryvet::BuVersionClick);
    connect(BuFindFile, &QPushButton::clicked, this, &TMainKryvet::BuFindFileClick);
    connect(BuAngo, &QPushButton::clicked, this, &TMainKryvet::BuAngoClick);
    connect(BuFukugo, &QPushButton::clicked, this, &TMainKryvet::BuFukugoClick);
    connect(Cancel1, &QPushButton::clicked, this, &TMainKryvet::Cancel1Click);
    connect(EditFileName, &QLineEdit::textChanged, this, &TMainKryvet::EditFileNameChange);
    connect(EditFileName, &QLineEdit::returnPressed, this, &TMainKryvet::EditFileNameReturn);
}

void TMainKryvet::CreateMenu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    MainMenu1->setAccessibleName(QStringLiteral("メニュー"));
    // The button Qt shows when the menu bar is too narrow for its menus.
    if (auto* more = MainMenu1->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"))) {
        more->setAccessibleName(QStringLiteral("その他のメニュー"));
    }
    KR1 = MainMenu1->addMenu(QStringLiteral("実行(&R)"));
    KR1->setObjectName(QStringLiteral("KR1"));
    KR1->setAccessibleName(QStringLiteral("実行"));

    auto entry = [this](const char* name, const QString& caption, int virtualKey) {
        auto* action = KR1->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setProperty("ShortCut", virtualKey);
        if (virtualKey != 0) {
            action->setShortcut(QKeySequence(QtKeyForVirtualKey(virtualKey)));
        }
        return action;
    };
    auto separator = [this](const char* name) {
        QAction* action = KR1->addSeparator();
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    KA1 = entry("KA1", QStringLiteral("バージョン情報(&A)"), 112);
    N3 = separator("N3");
    KF1 = entry("KF1", QStringLiteral("参照(&F)..."), 113);
    N2 = separator("N2");
    KP1 = entry("KP1", QStringLiteral("暗号化(&P)"), 0);
    KU1 = entry("KU1", QStringLiteral("復号(&U)"), 0);
    N1 = separator("N1");
    KE1 = entry("KE1", QStringLiteral("終了(&E)"), 121);

    connect(KA1, &QAction::triggered, this, &TMainKryvet::BuVersionClick);
    connect(KF1, &QAction::triggered, this, &TMainKryvet::BuFindFileClick);
    connect(KP1, &QAction::triggered, this, &TMainKryvet::BuAngoClick);
    connect(KU1, &QAction::triggered, this, &TMainKryvet::BuFukugoClick);
    connect(KE1, &QAction::triggered, this, &TMainKryvet::Cancel1Click);
}

void TMainKryvet::FormCreate() {
    Gauge1->SetProgress(0);
    LaRun->setText(kStatusAfterCreation);
    // The outer size follows from the controls' sizes. Until a window
    // manager has framed the window it is given to the window itself (menu
    // bar included); on a bare X server, without a frame, that stays so.
    resize(4 * BuFindFile->width() + EditFileName->height(), height());
    resize(width(), 7 * BuFindFile->height() + EditFileName->height());
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

void TMainKryvet::BuFindFileClick() {
    OpenDialog1->selectNameFilter(lastFilter_.isEmpty() ? OpenDialog1->nameFilters().value(0)
                                                        : lastFilter_);
    if (lastPath_.isEmpty()) {
        OpenDialog1->setDirectory(QDir::currentPath());
        OpenDialog1->selectFile(QString());
    } else {
        const QFileInfo last(lastPath_);
        OpenDialog1->setDirectory(last.absolutePath());
        OpenDialog1->selectFile(last.fileName());
    }
    const std::optional<OpenDialogChoice> choice = RunOpenDialog(*OpenDialog1);
    // Keys typed on a bare X server are lost unless the window is active again.
    activateWindow();
    if (choice && !choice->path.isEmpty()) {
        const QString path = QFileInfo(choice->path).absoluteFilePath();
        // The dialog gives text only: a name that may stand for another file
        // as well is refused.
        if (AmbiguousAsText(path)) {
            RefuseNameLater(this);
        } else {
            lastPath_ = path;
            lastFilter_ = choice->nameFilter;
            EditFileName->setText(lastPath_);
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
    if (Forms.NotPassword1 && Forms.NotPassword1->Image1 != nullptr) {
        Forms.NotPassword1->Image1->setVisible(true);
    }
}

void TMainKryvet::RepaintNow() {
    // The operations keep the event loop waiting until they end, so what has
    // become invalid is painted here. A widget shown for the first time
    // announces its area in a posted event; take that in before painting.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
    repaint();
}

void TMainKryvet::EnterBusyState(QPushButton* button) {
    if (button == BuAngo) {
        SetLabelColor(LaRun, clRed);
        LaRun->setText(kBusyEncrypting);
    } else {
        SetLabelColor(LaRun, clLime);
        LaRun->setText(kBusyDecrypting);
    }
    LaRun->setAccessibleDescription(LaRun->text().trimmed());
    LaRun->setVisible(true);
    for (QPushButton* b : {BuAngo, BuFukugo, Cancel1, BuFindFile, BuVersion}) {
        b->setEnabled(false);
    }
    RepaintNow();
}

void TMainKryvet::LeaveBusyState(QPushButton* button) {
    SetLabelColor(LaRun, clBtnFace);
    LaRun->setText(kStatusIdle);
    LaRun->setAccessibleDescription(QString());
    RepaintNow();
    LaRun->setVisible(false);
    for (QPushButton* b : {Cancel1, BuFindFile, BuVersion, BuAngo, BuFukugo}) {
        b->setEnabled(true);
    }
    (button == BuAngo ? BuAngo : BuFukugo)->setFocus();
}

}  // namespace kryvet
