#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "app/program_state.h"

class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QFileDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QTimer;

namespace kryvet {

struct Forms;
class TGauge;

// The file-open dialog's filter as the form stores it, description and
// patterns alternating, separated by "|".
inline constexpr char kOpenDialogFilter[] =
    "Text *.TXT *.DOC|*.TXT;*.DOC|LOG *.LOG *.LIS|*.LOg;*.LIS|Files *.*|*.*";

// Qt's form of such a filter: one "description (patterns)" entry per pair,
// "*.*" given as "*" so that it also matches names without a dot.
QStringList QtNameFilters(const QString& classicFilter);

// Qt key of a stored virtual-key code (F1 = 112 ... F12 = 123), 0 for others.
int QtKeyForVirtualKey(int virtualKey);

// What the user confirmed in the file-open dialog.
struct OpenDialogChoice {
    QString path;
    QString nameFilter;
};

// The program's main window: the file-name box, the operation buttons and
// menu, the status labels, the progress gauge and the notice timer.
class TMainKryvet : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainKryvet(kryvet::Forms& forms);
    ~TMainKryvet() override;

    // Runs once right after the window's controls exist.
    void FormCreate();

    // Switch between the idle and the busy look while an operation runs;
    // `button` is the running operation's button (BuAngo or BuFukugo).
    void EnterBusyState(QPushButton* button);
    void LeaveBusyState(QPushButton* button);

    // Named after their types, which are therefore spelled in full here.
    kryvet::Forms& Forms;
    kryvet::ProgramState& ProgramState;

    QWidget* Client;
    QPushButton* BuVersion;
    QLineEdit* EditFileName;
    QPushButton* BuFindFile;
    QLabel* LaFilename;
    QPushButton* BuAngo;
    QPushButton* BuFukugo;
    QPushButton* Cancel1;
    QLabel* LaRun;
    TGauge* Gauge1;
    QLabel* Label2;
    QTimer* Timer1;
    QFileDialog* OpenDialog1;
    QMenuBar* MainMenu1;
    QMenu* KR1;
    QAction* KA1;
    QAction* N3;
    QAction* KF1;
    QAction* N2;
    QAction* KP1;
    QAction* KU1;
    QAction* N1;
    QAction* KE1;

    // A file named when the program was started (by a file manager's "Open
    // with"), as the bytes it was given: put in the box like one chosen with
    // the file-open dialog; a name that does not survive as text is refused
    // in the error box, anything else but an existing local file is passed
    // over in silence.
    void OpenFromDesktop(const QByteArray& path);
    // A file manager's context-menu action: `button` is pressed as the user
    // would, once the event loop runs, if the box has a file name by then.
    void PressOnceShown(QPushButton* button);
    // A request to end the program from outside (SIGTERM, SIGINT, SIGHUP):
    // open dialogs close as by their close box, then the program ends. While
    // a file is being rewritten, the request waits for the file.
    void RequestQuit();
    // Set while a rewrite runs on its own thread; clearing it honours a close
    // or quit request that came meanwhile.
    void SetRewriteRunning(bool running);

    // Shows OpenDialog1 and returns the confirmed choice, nothing when it was
    // cancelled. Tests replace it to stand in for the user.
    std::function<std::optional<OpenDialogChoice>(QFileDialog&)> RunOpenDialog;

public slots:
    void EditFileNameChange();
    void BuFindFileClick();
    void BuVersionClick();
    void Cancel1Click();
    void BuAngoClick();
    void BuFukugoClick();
    void Timer1Timer();

protected:
    // A file dropped from a file manager is taken like one chosen in the
    // file-open dialog.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The close box or the window manager's close: held while a file is
    // being rewritten, honoured once it is complete.
    void closeEvent(QCloseEvent* event) override;

private:
    void EditFileNameReturn();
    void RepaintNow();
    void CreateControls();
    void CreateMenu();

    // The dialog reopens with what was confirmed last, not with what was
    // browsed to and cancelled.
    QString lastPath_;
    QString lastFilter_;
    bool rewriteRunning_ = false;
    bool closePending_ = false;
    bool quitPending_ = false;
};

}  // namespace kryvet
