#pragma once

#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string>

#include "app/operation_window.h"
#include "app/program_state.h"
#include "win32/form_window.h"
#include "win32/open_dialog.h"

namespace kryvet::win32 {

class TVersionDlg;
class TNotFileDlg;
class TDiskFull1;
class TExitAnko1;
class TNoAngo1;
class TNotPassword1;
class TPasswordDlg;
class TRecovered1;

// The program's main window: the file-name box, the operation buttons and
// menu, the status labels, the progress gauge and the notice timer. It owns
// the other forms and the program's state, and is what the operations see.
class TMainKryvet : public FormWindow, public OperationWindow {
public:
    TMainKryvet();
    ~TMainKryvet() override;

    // Runs once right after the window's controls exist.
    void FormCreate();
    // A file named on the command line: put in the box as if chosen.
    void OpenFromCommandLine(const std::wstring& path);
    // The messages until the window is closed; the exit code.
    int Run();

    // The handlers, named after their control and event.
    void EditFileNameChange();
    void BuFindFileClick();
    void BuVersionClick();
    void Cancel1Click();
    void BuAngoClick();
    void BuFukugoClick();
    void Timer1Timer();

    // OperationWindow.
    std::string FileNameText() const override;
    PasswordResult AskPassword(OperationButton operation) override;
    void ShowMismatch() override;
    void EnterBusyState(OperationButton button) override;
    void LeaveBusyState(OperationButton button) override;
    void ShowNotice(Notice notice) override;
    bool AskFinishForeignRecord(OperationButton operation) override;
    void SetGaugeProgress(int percent) override;
    void FocusFileName() override;
    void FocusButton(OperationButton button) override;
    Outcome RunRewrite(const std::function<Outcome(ProgressSink&)>& rewrite) override;

    HWND BuVersion;
    HWND EditFileName;
    HWND BuFindFile;
    HWND LaFilename;
    HWND BuAngo;
    HWND BuFukugo;
    HWND Cancel1;
    HWND LaRun;
    HWND Gauge1;
    HWND Label2;
    const ControlDescription& Timer1;
    OpenDialog OpenDialog1;
    HMENU MainMenu1;

protected:
    void Command(std::string_view control, int code) override;
    void Clicked(std::string_view button) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CloseBox() override;

private:
    HWND Button(OperationButton button) const;
    void MenuCommand(std::string_view item);
    void SetTimer1Enabled(bool enabled);
    void RepaintNow();
    void DropFiles(HDROP drop);
    void TakeFileName(const std::wstring& path);
    template <typename Operation>
    void RunOperation(Operation&& operation);

    kryvet::ProgramState ProgramState;
    HACCEL accelerators_ = nullptr;
    bool rewriteRunning_ = false;
    bool closePending_ = false;

    std::unique_ptr<TVersionDlg> VersionDlg;
    std::unique_ptr<TNotFileDlg> NotFileDlg;
    std::unique_ptr<TDiskFull1> DiskFull1;
    std::unique_ptr<TExitAnko1> ExitAnko1;
    std::unique_ptr<TNoAngo1> NoAngo1;
    std::unique_ptr<TNotPassword1> NotPassword1;
    std::unique_ptr<TPasswordDlg> PasswordDlg;
    std::unique_ptr<TRecovered1> Recovered1;
};

}  // namespace kryvet::win32
