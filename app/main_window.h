#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QString>
#include <memory>

#include "app/open_dialog.h"
#include "app/operation_window.h"
#include "app/program_state.h"

class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QTimer;

namespace kryvet {

struct Forms;
class TGauge;

// Qt key of a stored virtual-key code (F1 = 112 ... F12 = 123), 0 for others.
int QtKeyForVirtualKey(int virtualKey);

// The program's main window: the file-name box, the operation buttons and
// menu, the status labels, the progress gauge and the notice timer. Its
// controls are its own; the operations reach it in values.
class TMainKryvet : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainKryvet(kryvet::Forms& forms);
    ~TMainKryvet() override;

    // Runs once right after the window's controls exist.
    void FormCreate();

    // Switch between the idle and the busy look while an operation runs;
    // `button` is the running operation's button.
    void EnterBusyState(OperationButton button);
    void LeaveBusyState(OperationButton button);

    // What the operations read and set.
    QString FileName() const;  // the text of EditFileName
    void SetGaugeProgress(int percent);
    void SetMismatchShown(bool shown);  // Label2
    void SetTimer1Enabled(bool enabled);
    void FocusFileName();
    void FocusButton(OperationButton button);

    // A file named when the program was started (by a file manager's "Open
    // with"), as the bytes it was given: put in the box like one chosen with
    // the file-open dialog; a name that does not survive as text is refused
    // in the error box, anything else but an existing local file is passed
    // over in silence.
    void OpenFromDesktop(const QByteArray& path);
    // A file manager's context-menu action: the button is pressed as the user
    // would, once the event loop runs, if the box has a file name by then.
    void PressOnceShown(OperationButton button);
    // A request to end the program from outside (SIGTERM, SIGINT, SIGHUP):
    // open dialogs close as by their close box, then the program ends. While
    // a file is being rewritten, the request waits for the file.
    void RequestQuit();
    // Set while a rewrite runs on its own thread; clearing it honours a close
    // or quit request that came meanwhile.
    void SetRewriteRunning(bool running);

    // Stands in for the user in the file-open dialog; tests replace it.
    void SetOpenDialogRunner(OpenDialogRunner run);

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
    QPushButton* Button(OperationButton button) const;
    void EditFileNameReturn();
    void RepaintNow();
    void CreateControls();
    void CreateMenu();
    void ConnectHandlers();

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
    std::unique_ptr<OpenDialogAdapter> OpenDialog1;
    QMenuBar* MainMenu1;
    QMenu* KR1;
    QAction* KA1;
    QAction* KF1;
    QAction* KP1;
    QAction* KU1;
    QAction* KE1;

    bool rewriteRunning_ = false;
    bool closePending_ = false;
    bool quitPending_ = false;
};

}  // namespace kryvet
