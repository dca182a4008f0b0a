#include "win32/main_kryvet.h"

#include <shellapi.h>

#include <utility>
#include <vector>

#include "forms/main_kryvet_form.h"
#include "forms/message_box_forms.h"
#include "win32/gauge_window.h"
#include "win32/message_boxes.h"
#include "win32/notices.h"
#include "win32/password_dlg.h"
#include "win32/typed_byte_limit.h"
#include "win32/version_dlg.h"

namespace kryvet::win32 {

namespace {

// Menu entries are commands 2000 + 100 × menu + entry.
constexpr int kFirstMenuId = 2000;
constexpr UINT_PTR kTimer1Id = 1;
// What may be typed into the name box, in bytes of its Shift-JIS form.
constexpr std::size_t kTypedNameBytes = 128;

std::wstring KeyName(int virtualKey) {
    if (virtualKey >= VK_F1 && virtualKey <= VK_F24) {
        return L"F" + std::to_wstring(virtualKey - VK_F1 + 1);
    }
    return {};
}

HMENU BuildMenu(const FormDescription& form) {
    HMENU bar = CreateMenu();
    for (std::size_t m = 0; m < form.menu.size(); ++m) {
        const MenuDescription& menu = form.menu[m];
        HMENU entries = CreatePopupMenu();
        for (std::size_t i = 0; i < menu.items.size(); ++i) {
            const MenuItemDescription& item = menu.items[i];
            if (item.caption.empty()) {
                AppendMenuW(entries, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            std::wstring caption = Wide(item.caption);
            if (item.shortcut != 0) {
                caption += L"\t" + KeyName(item.shortcut);
            }
            AppendMenuW(entries, MF_STRING, UINT_PTR(kFirstMenuId + 100 * int(m) + int(i)),
                        caption.c_str());
        }
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(entries), Wide(menu.caption).c_str());
    }
    return bar;
}

HACCEL BuildAccelerators(const FormDescription& form) {
    std::vector<ACCEL> keys;
    for (std::size_t m = 0; m < form.menu.size(); ++m) {
        for (std::size_t i = 0; i < form.menu[m].items.size(); ++i) {
            if (const int key = form.menu[m].items[i].shortcut; key != 0) {
                keys.push_back({FVIRTKEY, WORD(key), WORD(kFirstMenuId + 100 * m + i)});
            }
        }
    }
    return keys.empty() ? nullptr : CreateAcceleratorTableW(keys.data(), int(keys.size()));
}

}  // namespace

TMainKryvet::TMainKryvet()
    : FormWindow(MainKryvetForm(), nullptr, BuildMenu(MainKryvetForm())),
      BuVersion(Control("BuVersion")),
      EditFileName(Control("EditFileName")),
      BuFindFile(Control("BuFindFile")),
      LaFilename(Control("LaFilename")),
      BuAngo(Control("BuAngo")),
      BuFukugo(Control("BuFukugo")),
      Cancel1(Control("Cancel1")),
      LaRun(Control("LaRun")),
      Gauge1(Control("Gauge1")),
      Label2(Control("Label2")),
      Timer1(ControlOf(MainKryvetForm(), "Timer1")),
      OpenDialog1(ControlOf(MainKryvetForm(), "OpenDialog1")),
      MainMenu1(GetMenu(Handle())),
      accelerators_(BuildAccelerators(MainKryvetForm())) {
    LimitTypedBytes(EditFileName, kTypedNameBytes, ByteCount::Cp932OrOwn);
    DragAcceptFiles(Handle(), TRUE);
    // In the order start-up creates them.
    VersionDlg = std::make_unique<TVersionDlg>(Handle());
    NotFileDlg = std::make_unique<TNotFileDlg>(Handle());
    DiskFull1 = std::make_unique<TDiskFull1>(Handle());
    ExitAnko1 = std::make_unique<TExitAnko1>(Handle());
    NoAngo1 = std::make_unique<TNoAngo1>(Handle());
    NotPassword1 = std::make_unique<TNotPassword1>(Handle());
    PasswordDlg = std::make_unique<TPasswordDlg>(Handle());
    Recovered1 = std::make_unique<TRecovered1>(Handle());
}

TMainKryvet::~TMainKryvet() {
    if (accelerators_ != nullptr) {
        DestroyAcceleratorTable(accelerators_);
    }
}

void TMainKryvet::FormCreate() {
    SetGaugeProgress(0);
    SetWindowTextW(LaRun, Wide(kStatusAfterCreation.caption).c_str());
    // The outer size follows from the controls' sizes as they are now.
    RECT findFile;
    RECT edit;
    GetWindowRect(BuFindFile, &findFile);
    GetWindowRect(EditFileName, &edit);
    const OuterSize outer = MainKryvetOuterSize(
        findFile.right - findFile.left, findFile.bottom - findFile.top, edit.bottom - edit.top);
    SetWindowPos(Handle(), nullptr, 0, 0, outer.width, outer.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TMainKryvet::Run() {
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    FocusFileName();
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got < 0) {
            break;
        }
        if (accelerators_ != nullptr && TranslateAcceleratorW(Handle(), accelerators_, &message)) {
            continue;
        }
        if (!TranslateFormKeys(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return int(message.wParam);
}

void TMainKryvet::Command(std::string_view control, int code) {
    if (control == "EditFileName" && code == EN_CHANGE) {
        EditFileNameChange();
    }
}

void TMainKryvet::Clicked(std::string_view button) {
    if (button == "BuVersion") {
        BuVersionClick();
    } else if (button == "BuFindFile") {
        BuFindFileClick();
    } else if (button == "BuAngo") {
        BuAngoClick();
    } else if (button == "BuFukugo") {
        BuFukugoClick();
    } else if (button == "Cancel1") {
        Cancel1Click();
    }
}

// A menu entry runs the handler of its button.
void TMainKryvet::MenuCommand(std::string_view item) {
    static constexpr std::pair<std::string_view, std::string_view> kButtonOfEntry[] = {
        {"KA1", "BuVersion"}, {"KF1", "BuFindFile"}, {"KP1", "BuAngo"},
        {"KU1", "BuFukugo"},  {"KE1", "Cancel1"},
    };
    for (const auto& [entry, button] : kButtonOfEntry) {
        if (item == entry) {
            Clicked(button);
        }
    }
}

LRESULT TMainKryvet::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam == 0 && LOWORD(wParam) >= kFirstMenuId) {
                const int id = LOWORD(wParam) - kFirstMenuId;
                const auto& menu = Description().menu;
                const std::size_t m = std::size_t(id / 100);
                const std::size_t i = std::size_t(id % 100);
                if (m < menu.size() && i < menu[m].items.size()) {
                    MenuCommand(menu[m].items[i].name);
                }
                return 0;
            }
            break;
        case WM_TIMER:
            if (wParam == kTimer1Id) {
                Timer1Timer();
                return 0;
            }
            break;
        case WM_DROPFILES:
            DropFiles(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return FormWindow::HandleMessage(message, wParam, lParam);
}

void TMainKryvet::EditFileNameChange() {
    if (GetWindowTextLengthW(EditFileName) != 0) {
        SetDefault("BuFindFile", false);
    } else {
        SetDefault("BuAngo", false);
        SetDefault("BuFukugo", false);
        SetDefault("BuFindFile", true);
    }
}

void TMainKryvet::TakeFileName(const std::wstring& path) {
    SetEditText(EditFileName, path);
    SetForegroundWindow(Handle());
    SetFocus(EditFileName);
}

void TMainKryvet::BuFindFileClick() {
    if (const std::optional<std::wstring> path = OpenDialog1.Show(Handle())) {
        SetEditText(EditFileName, *path);
    }
    SetForegroundWindow(Handle());
    SetFocus(EditFileName);
}

void TMainKryvet::DropFiles(HDROP drop) {
    std::wstring path(std::size_t(DragQueryFileW(drop, 0, nullptr, 0)) + 1, L'\0');
    path.resize(DragQueryFileW(drop, 0, path.data(), UINT(path.size())));
    DragFinish(drop);
    // The first item, if it is a file; a folder is passed over.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (path.empty() || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return;
    }
    TakeFileName(path);
}

void TMainKryvet::OpenFromCommandLine(const std::wstring& path) {
    std::wstring full(std::size_t(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr)) + 1, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr));
    const DWORD attributes = GetFileAttributesW(full.c_str());
    // Anything but an existing file is passed over in silence.
    if (full.empty() || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return;
    }
    SetEditText(EditFileName, full);
}

void TMainKryvet::BuVersionClick() {
    VersionDlg->ShowModal();
    SetForegroundWindow(Handle());
    SetFocus(EditFileName);
}

void TMainKryvet::Cancel1Click() {
    CloseBox();
}

void TMainKryvet::CloseBox() {
    if (rewriteRunning_) {
        // The file first: closed once it is complete.
        closePending_ = true;
        return;
    }
    DestroyWindow(Handle());
}

void TMainKryvet::Timer1Timer() {
    NotPassword1->SetKeyBroken(true);
}

void TMainKryvet::SetTimer1Enabled(bool enabled) {
    if (enabled) {
        SetTimer(Handle(), kTimer1Id, UINT(Timer1.value), nullptr);
    } else {
        KillTimer(Handle(), kTimer1Id);
    }
}

HWND TMainKryvet::Button(OperationButton button) const {
    return button == OperationButton::BuAngo ? BuAngo : BuFukugo;
}

std::string TMainKryvet::FileNameText() const {
    return Utf8(Text("EditFileName"));
}

PasswordResult TMainKryvet::AskPassword(OperationButton operation) {
    SetGaugeProgress(0);
    ShowWindow(Label2, SW_HIDE);
    // The keyboard comes back before anything else happens, an error in the
    // answer included.
    struct GiveKeyboardBack {
        HWND window;
        ~GiveKeyboardBack() { SetForegroundWindow(window); }
    } giveBack{Handle()};
    return PasswordDlg->Ask(operation == OperationButton::BuAngo);
}

void TMainKryvet::ShowMismatch() {
    ShowWindow(Label2, SW_SHOWNA);
}

void TMainKryvet::RepaintNow() {
    // The operations hold the message loop until they end: what has become
    // invalid, the area a closed dialog uncovered included, is painted here.
    RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
}

void TMainKryvet::EnterBusyState(OperationButton button) {
    const StatusLook& look =
        button == OperationButton::BuAngo ? kStatusEncrypting : kStatusDecrypting;
    SetColor("LaRun", look.color);
    SetWindowTextW(LaRun, Wide(look.caption).c_str());
    ShowWindow(LaRun, SW_SHOWNA);
    for (HWND b : {BuAngo, BuFukugo, Cancel1, BuFindFile, BuVersion}) {
        EnableWindow(b, FALSE);
    }
    RepaintNow();
}

void TMainKryvet::LeaveBusyState(OperationButton button) {
    SetColor("LaRun", kStatusIdle.color);
    SetWindowTextW(LaRun, Wide(kStatusIdle.caption).c_str());
    RepaintNow();
    ShowWindow(LaRun, SW_HIDE);
    for (HWND b : {Cancel1, BuFindFile, BuVersion, BuAngo, BuFukugo}) {
        EnableWindow(b, TRUE);
    }
    SetFocus(Button(button));
}

void TMainKryvet::ShowNotice(Notice notice) {
    switch (notice) {
        case Notice::NotFile:
            NotFileDlg->ShowModal();
            break;
        case Notice::DiskFull:
            DiskFull1->ShowModal();
            break;
        case Notice::ExitAnko:
            ExitAnko1->ShowModal();
            break;
        case Notice::NoAngo:
            NoAngo1->ShowModal();
            break;
        case Notice::NotPassword:
            // The notice's own message loop dispatches Timer1's tick.
            SetTimer1Enabled(true);
            NotPassword1->ShowModal();
            SetTimer1Enabled(false);
            NotPassword1->SetKeyBroken(false);
            break;
        case Notice::RecoveredEncryption:
            Recovered1->SetText(RecoveredText::FinishedEncryption);
            Recovered1->ShowModal();
            break;
        case Notice::RecoveredDecryption:
            Recovered1->SetText(RecoveredText::FinishedDecryption);
            Recovered1->ShowModal();
            break;
        case Notice::UndoneEncryption:
            Recovered1->SetText(RecoveredText::UndoneEncryption);
            Recovered1->ShowModal();
            break;
        case Notice::UndoneDecryption:
            Recovered1->SetText(RecoveredText::UndoneDecryption);
            Recovered1->ShowModal();
            break;
    }
    SetForegroundWindow(Handle());
}

bool TMainKryvet::AskFinishForeignRecord(OperationButton operation) {
    const bool yes =
        AskYesNo(Handle(), ForeignRecordQuestion(operation == OperationButton::BuAngo));
    SetForegroundWindow(Handle());
    return yes;
}

void TMainKryvet::SetGaugeProgress(int percent) {
    kryvet::win32::SetGaugeProgress(Gauge1, percent);
}

void TMainKryvet::FocusFileName() {
    SetFocus(EditFileName);
}

void TMainKryvet::FocusButton(OperationButton button) {
    SetFocus(Button(button));
}

}  // namespace kryvet::win32
