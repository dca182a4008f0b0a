// Reads kryvet.exe's windows from outside, for the window tests under Wine:
// prints one JSON object on standard output.
//   window_probe form NAME            the form's window, controls and menu,
//                                     beside the form's description
//   window_probe wait NAME MS [gone]  waits until the form's window is
//                                     visible (or gone); exit 1 on timeout
//   window_probe box CAPTION [MS]     a system message box by caption: its
//                                     texts and buttons (waits up to MS)
//   window_probe forms                the forms' names and frames
//   window_probe hold PATH            locks the file, as another Kryvet
//                                     does, until standard input ends
// Controls are found by their ID, 1000 + their index in the description,
// and windows by their class, "Kryvet." + the form's name.
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "forms/form_description.h"

namespace {

using kryvet::FormDescription;

constexpr int kFirstControlId = 1000;

std::string Utf8(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string text(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                        nullptr, nullptr);
    return text;
}

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Rect(int left, int top, int width, int height) {
    return "[" + std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(width) +
           "," + std::to_string(height) + "]";
}

// WM_GETTEXT, which the system marshals across processes.
std::string TextOf(HWND window) {
    const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const auto copied =
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return Utf8(text);
}

std::string ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return Utf8(name);
}

const FormDescription* FindForm(std::string_view name) {
    for (const FormDescription* form : kryvet::AllForms()) {
        if (form->name == name) {
            return form;
        }
    }
    return nullptr;
}

HWND FormWindow(const FormDescription& form) {
    return FindWindowW((L"Kryvet." + Wide(form.name)).c_str(), nullptr);
}

struct ChildSearch {
    int id;
    HWND found;
};

// Any depth: the version box's controls lie on its panel.
HWND ChildWithId(HWND top, int id) {
    ChildSearch search{id, nullptr};
    EnumChildWindows(
        top,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<ChildSearch*>(data);
            if (GetDlgCtrlID(child) == s->id) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FocusOf(HWND top) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

// The rectangle within the parent's client area, as descriptions give it.
std::string RectInParent(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return Rect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

std::string DescriptionJson(const FormDescription& form) {
    std::string out =
        "{\"caption\":" + Quoted(form.caption) + ",\"geometry\":" +
        Rect(form.geometry.left, form.geometry.top, form.geometry.width, form.geometry.height) +
        ",\"defaultButton\":" + Quoted(form.defaultButton) + ",\"focus\":" +
        Quoted(form.focus.empty() && !form.tabOrder.empty() ? form.tabOrder.front() : form.focus) +
        ",\"tabOrder\":[";
    for (size_t i = 0; i < form.tabOrder.size(); ++i) {
        out += (i ? "," : "") + Quoted(form.tabOrder[i]);
    }
    out += "],\"controls\":[";
    for (size_t i = 0; i < form.controls.size(); ++i) {
        const auto& c = form.controls[i];
        out += std::string(i ? "," : "") + "{\"name\":" + Quoted(c.name) +
               ",\"kind\":" + std::to_string(static_cast<int>(c.kind)) +
               ",\"text\":" + Quoted(c.text) + ",\"picture\":" + Quoted(c.picture) +
               ",\"parent\":" + Quoted(c.parent) +
               ",\"visible\":" + (c.visible ? "true" : "false") + ",\"geometry\":" +
               Rect(c.geometry.left, c.geometry.top, c.geometry.width, c.geometry.height) +
               ",\"value\":" + std::to_string(c.value) + "}";
    }
    out += "],\"menu\":[";
    bool first = true;
    for (const auto& top : form.menu) {
        for (const auto& item : top.items) {
            out += std::string(first ? "" : ",") + "{\"name\":" + Quoted(item.name) +
                   ",\"caption\":" + Quoted(item.caption) +
                   ",\"shortcut\":" + std::to_string(item.shortcut) + "}";
            first = false;
        }
    }
    return out + "]}";
}

// The entries of every drop-down, in order, with the text after the tab.
std::string MenuJson(HWND top) {
    const HMENU bar = GetMenu(top);
    if (bar == nullptr) {
        return "null";
    }
    std::string out = "[";
    bool first = true;
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        const HMENU drop = GetSubMenu(bar, i);
        for (int j = 0; drop != nullptr && j < GetMenuItemCount(drop); ++j) {
            wchar_t text[256] = {};
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_STRING | MIIM_FTYPE;
            info.dwTypeData = text;
            info.cch = 255;
            GetMenuItemInfoW(drop, j, TRUE, &info);
            out += std::string(first ? "" : ",") + "{\"text\":" + Quoted(Utf8(text)) +
                   ",\"separator\":" + ((info.fType & MFT_SEPARATOR) ? "true" : "false") + "}";
            first = false;
        }
    }
    return out + "]";
}

int PrintForm(const FormDescription& form) {
    const HWND top = FormWindow(form);
    std::string out = "{\"description\":" + DescriptionJson(form);
    if (top == nullptr) {
        std::printf("%s,\"exists\":false}\n", out.c_str());
        return 0;
    }
    RECT outer{};
    GetWindowRect(top, &outer);
    RECT client{};
    GetClientRect(top, &client);
    POINT origin{0, 0};
    ClientToScreen(top, &origin);
    const HWND focus = FocusOf(top);
    out += ",\"exists\":true,\"visible\":" + std::string(IsWindowVisible(top) ? "true" : "false") +
           ",\"enabled\":" + (IsWindowEnabled(top) ? "true" : "false") +
           ",\"caption\":" + Quoted(TextOf(top)) + ",\"outer\":" +
           Rect(outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top) +
           ",\"client\":" + Rect(origin.x, origin.y, client.right, client.bottom) +
           ",\"foreground\":" + (GetForegroundWindow() == top ? "true" : "false") +
           ",\"focusId\":" + std::to_string(focus ? GetDlgCtrlID(focus) : -1) + ",\"controls\":{";
    for (size_t i = 0; i < form.controls.size(); ++i) {
        const auto& c = form.controls[i];
        const HWND window = ChildWithId(top, kFirstControlId + static_cast<int>(i));
        out += std::string(i ? "," : "") + Quoted(c.name) + ":";
        if (window == nullptr) {
            out += "null";
            continue;
        }
        const LONG style = GetWindowLongW(window, GWL_STYLE);
        const bool button = ClassOf(window) == "Button";
        out += "{\"id\":" + std::to_string(kFirstControlId + i) +
               ",\"class\":" + Quoted(ClassOf(window)) + ",\"text\":" + Quoted(TextOf(window)) +
               ",\"rect\":" + RectInParent(window) +
               // Its own flag: a hidden form's controls keep theirs.
               ",\"visible\":" + ((style & WS_VISIBLE) ? "true" : "false") +
               ",\"enabled\":" + (IsWindowEnabled(window) ? "true" : "false") +
               // An owner-drawn button tells its default state through its
               // dialog code.
               ",\"default\":" +
               (!button ? "false"
                : (style & 0x0F) == BS_OWNERDRAW
                    ? ((SendMessageW(window, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) ? "true"
                                                                                        : "false")
                : (style & 0x0F) == BS_DEFPUSHBUTTON ? "true"
                                                     : "false") +
               ",\"password\":" + ((style & ES_PASSWORD) && !button ? "true" : "false") +
               ",\"focused\":" + (window == focus ? "true" : "false") + "}";
    }
    std::printf("%s},\"menu\":%s}\n", out.c_str(), MenuJson(top).c_str());
    return 0;
}

struct BoxSearch {
    std::wstring caption;
    HWND found;
};

HWND FindBox(const std::wstring& caption) {
    BoxSearch search{caption, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<BoxSearch*>(data);
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring_view(name) == L"#32770" && IsWindowVisible(window) &&
                Wide(TextOf(window)) == s->caption) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int PrintBox(std::string_view caption, int waitMs) {
    HWND box = FindBox(Wide(caption));
    for (int waited = 0; box == nullptr && waited < waitMs; waited += 50) {
        Sleep(50);
        box = FindBox(Wide(caption));
    }
    if (box == nullptr) {
        std::printf("{\"exists\":false}\n");
        return 1;
    }
    std::string texts;
    std::string buttons;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string kind = ClassOf(child);
        std::string& list = kind == "Button" ? buttons : texts;
        if (kind == "Button" || kind == "Static") {
            // An icon is a static without text.
            const std::string text = TextOf(child);
            if (!text.empty()) {
                list += (list.empty() ? "" : ",") + Quoted(text);
            }
        }
    }
    const bool ownerDisabled =
        GetWindow(box, GW_OWNER) && !IsWindowEnabled(GetWindow(box, GW_OWNER));
    std::printf("{\"exists\":true,\"texts\":[%s],\"buttons\":[%s],\"ownerDisabled\":%s}\n",
                texts.c_str(), buttons.c_str(), ownerDisabled ? "true" : "false");
    return 0;
}

int Wait(const FormDescription& form, int waitMs, bool gone) {
    for (int waited = 0;; waited += 50) {
        const HWND top = FormWindow(form);
        const bool shown = top != nullptr && IsWindowVisible(top);
        if (shown != gone) {
            std::printf("{\"waited\":%d}\n", waited);
            return 0;
        }
        if (waited >= waitMs) {
            std::printf("{\"timeout\":%d}\n", waitMs);
            return 1;
        }
        Sleep(50);
    }
}

int ListForms() {
    std::string out = "[";
    for (const FormDescription* form : kryvet::AllForms()) {
        out += (out.size() > 1 ? "," : "") + std::string("{\"name\":") + Quoted(form->name) +
               ",\"frame\":" + std::to_string(static_cast<int>(form->frame)) + "}";
    }
    std::printf("%s]\n", out.c_str());
    return 0;
}

int Hold(std::string_view path) {
    const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    OVERLAPPED whole{};
    if (file == INVALID_HANDLE_VALUE ||
        !LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                    MAXDWORD, &whole)) {
        std::printf("{\"held\":false,\"error\":%lu}\n", GetLastError());
        return 1;
    }
    std::printf("{\"held\":true}\n");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    CloseHandle(file);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8(argv[i]));
    }
    if (args.size() == 1 && args[0] == "forms") {
        return ListForms();
    }
    if (args.size() == 2 && args[0] == "hold") {
        return Hold(args[1]);
    }
    if (args.size() >= 2 && args[0] == "box") {
        return PrintBox(args[1], args.size() > 2 ? std::stoi(args[2]) : 0);
    }
    const FormDescription* form = args.size() >= 2 ? FindForm(args[1]) : nullptr;
    if (form == nullptr) {
        std::fprintf(stderr, "usage: window_probe form|wait NAME [MS [gone]] | box CAPTION [MS]\n");
        return 2;
    }
    if (args[0] == "form") {
        return PrintForm(*form);
    }
    if (args[0] == "wait" && args.size() >= 3) {
        return Wait(*form, std::stoi(args[2]), args.size() > 3 && args[3] == "gone");
    }
    std::fprintf(stderr, "unknown request\n");
    return 2;
}
