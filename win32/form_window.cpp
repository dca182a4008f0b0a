#include "win32/form_window.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "win32/fonts.h"
#include "win32/gauge_window.h"
#include "win32/picture_control.h"
#include "win32/window_class.h"

namespace kryvet::win32 {

namespace {

constexpr wchar_t kPanelClass[] = L"Kryvet.Panel";

std::wstring ClassName(const FormDescription& description) {
    return L"Kryvet." + Wide(description.name);
}

bool IsButton(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::PictureButton;
}

bool IsWindowed(ControlKind kind) {
    return kind != ControlKind::Timer && kind != ControlKind::OpenDialog;
}

// The outer rectangle of a window whose client area is `client`.
RECT OuterOf(RECT client, DWORD style, bool menu) {
    AdjustWindowRectEx(&client, style, menu, 0);
    return client;
}

constexpr wchar_t kDefaultProperty[] = L"Kryvet.Default";

// An owner-drawn button tells whether it is the default as the system's
// buttons do, through its dialog code.
LRESULT CALLBACK PictureButtonProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR) {
    if (message == WM_GETDLGCODE) {
        return DLGC_BUTTON | (GetPropW(button, kDefaultProperty) != nullptr ? DLGC_DEFPUSHBUTTON
                                                                            : DLGC_UNDEFPUSHBUTTON);
    }
    if (message == WM_NCDESTROY) {
        RemovePropW(button, kDefaultProperty);
        RemoveWindowSubclass(button, PictureButtonProcedure, 1);
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

}  // namespace

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(std::size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), length);
    return wide;
}

std::string Utf8(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(std::size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), length, nullptr,
                        nullptr);
    return utf8;
}

void SetEditText(HWND edit, const std::wstring& text) {
    SetWindowTextW(edit, text.c_str());
    SendMessageW(edit, EM_SETSEL, text.size(), LPARAM(text.size()));
}

int Scaled(int pixels) {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return MulDiv(pixels, dpi, 96);
}

COLORREF ResolveColor(StoredColor color) {
    if ((color & 0x80000000u) != 0) {
        return GetSysColor(int(color & 0xFFu));
    }
    return COLORREF(color & 0x00FFFFFFu);
}

FormWindow::FormWindow(const FormDescription& description, HWND owner, HMENU menu)
    : description_(description), owner_(owner) {
    const std::wstring className = ClassName(description);
    RegisterWindowClass(className.c_str(), Procedure, GetSysColorBrush(COLOR_BTNFACE),
                        description.icon.empty() ? nullptr : PictureIcon(description.icon));
    const FormRect& at = description.geometry;
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    int left = Scaled(at.left);
    int top = Scaled(at.top);
    int width = 0;
    int height = 0;
    if (description.frame == FormFrame::MainWindow) {
        // The designed outer size; the system places the window.
        style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
        left = CW_USEDEFAULT;
        top = CW_USEDEFAULT;
        width = Scaled(at.width);
        height = Scaled(at.height);
    } else {
        const RECT outer =
            OuterOf({0, 0, Scaled(at.width), Scaled(at.height)}, style, menu != nullptr);
        width = outer.right - outer.left;
        height = outer.bottom - outer.top;
    }
    formFont_ = CreateFormFont(description.font.face, description.font.pixelHeight);
    hwnd_ = CreateWindowExW(0, className.c_str(), Wide(description.caption).c_str(), style, left,
                            top, width, height, owner, menu, GetModuleHandleW(nullptr), this);
    if (hwnd_ == nullptr) {
        throw std::runtime_error("cannot create the window " + std::string(description.name));
    }
    CreateControls();
}

FormWindow::~FormWindow() {
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    for (HFONT font : fonts_) {
        DeleteObject(font);
    }
    DeleteObject(formFont_);
    for (const auto& [color, brush] : brushes_) {
        DeleteObject(brush);
    }
}

HFONT FormWindow::FontFor(const FontDescription& font) {
    if (font.face.empty()) {
        return formFont_;
    }
    fonts_.push_back(CreateFormFont(font.face, font.pixelHeight));
    return fonts_.back();
}

void FormWindow::CreateControls() {
    RegisterWindowClass(kPanelClass, ContainerProcedure, GetSysColorBrush(COLOR_BTNFACE));
    RegisterPictureClass();
    RegisterGaugeClass();
    const auto& controls = description_.controls;
    controls_.assign(controls.size(), nullptr);
    defaults_.assign(controls.size(), false);
    colors_.clear();
    for (const ControlDescription& control : controls) {
        colors_.push_back(control.color);
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlDescription& control = controls[i];
        if (!IsWindowed(control.kind)) {
            continue;
        }
        HWND parent = control.parent.empty() ? hwnd_ : Control(control.parent);
        DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (control.visible ? WS_VISIBLE : 0);
        DWORD extended = 0;
        const wchar_t* className = L"STATIC";
        std::wstring text = Wide(control.text);
        switch (control.kind) {
            case ControlKind::Label:
                style |= SS_LEFT | SS_NOPREFIX;
                break;
            case ControlKind::Picture:
                className = kPictureClass;
                text = Wide(control.picture);
                break;
            case ControlKind::Edit:
            case ControlKind::PasswordEdit:
                className = L"EDIT";
                style |= ES_AUTOHSCROLL;
                if (control.kind == ControlKind::PasswordEdit) {
                    style |= ES_PASSWORD;
                }
                if (control.border) {
                    extended |= WS_EX_CLIENTEDGE;
                }
                break;
            case ControlKind::Button:
                className = L"BUTTON";
                style |= BS_PUSHBUTTON;
                break;
            case ControlKind::PictureButton:
                className = L"BUTTON";
                style |= BS_OWNERDRAW;
                break;
            case ControlKind::Panel:
                className = kPanelClass;
                break;
            case ControlKind::Gauge:
                className = kGaugeClass;
                break;
            case ControlKind::Timer:
            case ControlKind::OpenDialog:
                break;
        }
        const HFONT font = FontFor(control.font);
        FormRect at = control.geometry;
        if (control.kind == ControlKind::Label) {
            // Sized to its text, in its font. The designed sizes fit the
            // classic bitmap font; where the face that stands in runs wider,
            // the label grows rather than cut its text.
            HDC dc = GetDC(hwnd_);
            HGDIOBJ old = SelectObject(dc, font);
            SIZE extent{};
            GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
            SelectObject(dc, old);
            ReleaseDC(hwnd_, dc);
            at.width = std::max(at.width, MulDiv(extent.cx, 96, Scaled(96)));
            at.height = std::max(at.height, MulDiv(extent.cy, 96, Scaled(96)));
        }
        if (control.kind == ControlKind::Picture) {
            const SIZE size = PictureSize(control.picture);
            at.width = size.cx;
            at.height = size.cy;
        }
        HWND window = CreateWindowExW(
            extended, className, text.c_str(), style, Scaled(at.left), Scaled(at.top),
            Scaled(at.width), Scaled(at.height), parent,
            reinterpret_cast<HMENU>(INT_PTR(kFirstControlId + int(i))), GetModuleHandleW(nullptr),
            control.kind == ControlKind::Gauge ? const_cast<ControlDescription*>(&control)
                                               : nullptr);
        if (window == nullptr) {
            throw std::runtime_error("cannot create the control " + std::string(control.name));
        }
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (control.kind == ControlKind::PasswordEdit) {
            SendMessageW(window, EM_SETPASSWORDCHAR, L'*', 0);
        }
        if (control.kind == ControlKind::PictureButton) {
            SetWindowSubclass(window, PictureButtonProcedure, 1, 0);
        }
        // A later control lies above an earlier one.
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        controls_[i] = window;
    }
    if (!description_.defaultButton.empty()) {
        SetDefault(description_.defaultButton, true);
    }
}

HWND FormWindow::Control(std::string_view name) const {
    const auto& controls = description_.controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].name == name) {
            return controls_.empty() ? nullptr : controls_[i];
        }
    }
    throw std::logic_error("form " + std::string(description_.name) + " has no control " +
                           std::string(name));
}

const ControlDescription* FormWindow::DescriptionOf(HWND control) const {
    const auto found = std::find(controls_.begin(), controls_.end(), control);
    if (control == nullptr || found == controls_.end()) {
        return nullptr;
    }
    return &description_.controls[std::size_t(found - controls_.begin())];
}

std::wstring FormWindow::Text(std::string_view control) const {
    HWND window = Control(control);
    std::wstring text(std::size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

void FormWindow::SetText(std::string_view control, std::wstring_view text) {
    SetWindowTextW(Control(control), std::wstring(text).c_str());
}

void FormWindow::SetVisible(std::string_view control, bool visible) {
    ShowWindow(Control(control), visible ? SW_SHOWNA : SW_HIDE);
}

void FormWindow::Focus(std::string_view control) {
    SetFocus(Control(control));
}

void FormWindow::SetDefault(std::string_view button, bool isDefault) {
    HWND window = Control(button);
    const ControlDescription* control = DescriptionOf(window);
    defaults_[std::size_t(control - description_.controls.data())] = isDefault;
    if (control->kind == ControlKind::Button) {
        SendMessageW(window, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    } else if (isDefault) {
        SetPropW(window, kDefaultProperty, window);
        InvalidateRect(window, nullptr, TRUE);
    } else {
        RemovePropW(window, kDefaultProperty);
        InvalidateRect(window, nullptr, TRUE);
    }
}

bool FormWindow::IsDefault(std::string_view button) const {
    const ControlDescription* control = DescriptionOf(Control(button));
    return defaults_[std::size_t(control - description_.controls.data())];
}

void FormWindow::SetColor(std::string_view control, StoredColor color) {
    HWND window = Control(control);
    colors_[std::size_t(DescriptionOf(window) - description_.controls.data())] = color;
    InvalidateRect(window, nullptr, TRUE);
}

namespace {

BOOL CALLBACK DisableOther(HWND window, LPARAM data) {
    auto& blocked = *reinterpret_cast<std::pair<HWND, std::vector<HWND>>*>(data);
    if (window != blocked.first && IsWindowVisible(window) && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        blocked.second.push_back(window);
    }
    return TRUE;
}

}  // namespace

int FormWindow::ShowModal() {
    modal_ = true;
    done_ = false;
    result_ = 0;
    // Every other window of the program is blocked meanwhile, the owner and
    // a form that opened this one alike.
    HWND before = GetActiveWindow();
    std::pair<HWND, std::vector<HWND>> blocked{hwnd_, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableOther, reinterpret_cast<LPARAM>(&blocked));
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
    const std::string_view first =
        !description_.focus.empty()
            ? description_.focus
            : (description_.tabOrder.empty() ? std::string_view() : description_.tabOrder.front());
    if (!first.empty()) {
        Focus(first);
    }
    MSG message;
    bool quit = false;
    while (!done_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            quit = true;
            break;
        }
        if (!TranslateFormKeys(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The others first, so that one of them takes the activation.
    for (auto window = blocked.second.rbegin(); window != blocked.second.rend(); ++window) {
        EnableWindow(*window, TRUE);
    }
    ShowWindow(hwnd_, SW_HIDE);
    // The window that was active before is active again.
    HWND below = before != nullptr && before != hwnd_ && IsWindow(before) ? before : owner_;
    if (below != nullptr) {
        SetActiveWindow(below);
    }
    modal_ = false;
    if (quit) {
        PostQuitMessage(int(message.wParam));
        return kModalCancel;
    }
    return result_;
}

void FormWindow::EndModal(int result) {
    result_ = result;
    done_ = true;
}

bool FormWindow::TranslateFormKeys(MSG& message) {
    const bool input = (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) ||
                       (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST &&
                        message.message != WM_MOUSEMOVE);
    HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (input && root != nullptr && !IsWindowEnabled(root)) {
        // A form blocked by a modal one takes no input, even where the
        // keyboard focus has stayed with it.
        return true;
    }
    if (message.message != WM_KEYDOWN && message.message != WM_CHAR) {
        return false;
    }
    auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(root, GWLP_USERDATA));
    return form != nullptr && form->TakeKey(message);
}

void FormWindow::Press(HWND button) {
    // As the button's click tells it; BM_CLICK is lost where the form is not
    // yet the active window.
    SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

bool FormWindow::TakeKey(const MSG& message) {
    const WPARAM key = message.wParam;
    if (message.message == WM_CHAR) {
        // The edit boxes would beep for the keys taken below.
        return key == L'\t' || key == L'\r' || key == 27;
    }
    const bool plain = GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
    if (key == VK_TAB && plain) {
        MoveFocus(GetKeyState(VK_SHIFT) >= 0);
        return true;
    }
    if (key == VK_RETURN && plain) {
        HWND focused = GetFocus();
        const ControlDescription* control = DescriptionOf(focused);
        if (control != nullptr && IsButton(control->kind)) {
            Press(focused);
            return true;
        }
        for (std::size_t i = 0; i < defaults_.size(); ++i) {
            if (defaults_[i] && IsWindowEnabled(controls_[i])) {
                Press(controls_[i]);
                return true;
            }
        }
        return true;
    }
    if (key == VK_ESCAPE && plain) {
        if (!description_.cancelButton.empty()) {
            HWND cancel = Control(description_.cancelButton);
            if (IsWindowEnabled(cancel)) {
                Press(cancel);
            }
        }
        return true;
    }
    return false;
}

void FormWindow::MoveFocus(bool forward) {
    const auto& order = description_.tabOrder;
    if (order.empty()) {
        return;
    }
    const int count = int(order.size());
    int at = -1;
    for (int i = 0; i < count; ++i) {
        if (Control(order[std::size_t(i)]) == GetFocus()) {
            at = i;
        }
    }
    for (int step = 1; step <= count; ++step) {
        int next = at < 0 ? (forward ? step - 1 : count - step)
                          : ((at + (forward ? step : -step)) % count + count) % count;
        HWND window = Control(order[std::size_t(next)]);
        if (IsWindowVisible(window) && IsWindowEnabled(window)) {
            SetFocus(window);
            if (DescriptionOf(window)->kind == ControlKind::Edit ||
                DescriptionOf(window)->kind == ControlKind::PasswordEdit) {
                SendMessageW(window, EM_SETSEL, 0, -1);
            }
            return;
        }
    }
}

void FormWindow::Command(std::string_view, int) {}

void FormWindow::Clicked(std::string_view) {}

void FormWindow::CloseBox() {
    if (modal_) {
        EndModal(kModalCancel);
    }
}

HBRUSH FormWindow::Background(HWND control, HDC dc) {
    const ControlDescription* description = DescriptionOf(control);
    if (description != nullptr && description->font.color != kParentColor) {
        SetTextColor(dc, ResolveColor(description->font.color));
    }
    const StoredColor stored =
        description == nullptr ? kParentColor
                               : colors_[std::size_t(description - description_.controls.data())];
    if (stored == kParentColor) {
        SetBkMode(dc, TRANSPARENT);
        return GetSysColorBrush(COLOR_BTNFACE);
    }
    const COLORREF color = ResolveColor(stored);
    SetBkColor(dc, color);
    if ((stored & 0x80000000u) != 0) {
        return GetSysColorBrush(int(stored & 0xFFu));
    }
    // One brush per colour, kept while the form lives.
    HBRUSH& brush = brushes_[stored];
    if (brush == nullptr) {
        brush = CreateSolidBrush(color);
    }
    return brush;
}

LRESULT FormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int index = id - kFirstControlId;
            if (lParam != 0 && index >= 0 && index < int(controls_.size())) {
                const ControlDescription& control = description_.controls[std::size_t(index)];
                const int code = HIWORD(wParam);
                if (IsButton(control.kind) && code == BN_CLICKED) {
                    Clicked(control.name);
                    if (modal_ && control.modalResult != 0 && !done_) {
                        EndModal(control.modalResult);
                    }
                } else {
                    Command(control.name, code);
                }
                return 0;
            }
            break;
        }
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(
                Background(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)));
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (const ControlDescription* control = DescriptionOf(item.hwndItem)) {
                const bool isDefault =
                    defaults_[std::size_t(control - description_.controls.data())] ||
                    GetFocus() == item.hwndItem;
                DrawPictureButton(item, control->picture, isDefault);
                return TRUE;
            }
            break;
        }
        case WM_CLOSE:
            CloseBox();
            return 0;
        case 0x02E0: {  // WM_DPICHANGED, newer than the headers' target
            // The system's suggested frame; the contents keep the figures of
            // the resolution the program started at.
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top,
                         suggested.right - suggested.left, suggested.bottom - suggested.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK FormWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form =
            static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->hwnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return form->HandleMessage(message, wParam, lParam);
}

LRESULT CALLBACK FormWindow::ContainerProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            // A raised panel.
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT area;
            GetClientRect(window, &area);
            DrawEdge(dc, &area, BDR_RAISEDINNER, BF_RECT);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_DRAWITEM:
            // What its controls tell belongs to the form.
            return SendMessageW(GetParent(window), message, wParam, lParam);
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace kryvet::win32
