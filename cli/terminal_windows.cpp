// The console: the password read with ReadConsoleW and the echo off, text
// written as UTF-16, so that any name and any language shows as it is.
#include <io.h>
#include <windows.h>

#include "cli/terminal.h"
#include "engine/windows_paths.h"
#include "engine/wipe.h"

namespace kryvet::cli {

namespace {

HANDLE OpenConsole(const wchar_t* name) {
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

void WriteWide(HANDLE console, std::string_view utf8) {
    const auto wide = platform::WideOfUtf8(std::string(utf8));
    DWORD written = 0;
    if (wide && !wide->empty()) {
        WriteConsoleW(console, wide->data(), static_cast<DWORD>(wide->size()), &written, nullptr);
    }
}

HANDLE ConsoleOf(int fd) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace

Terminal::Terminal() : input_(OpenConsole(L"CONIN$")), output_(OpenConsole(L"CONOUT$")) {
    DWORD mode = 0;
    if (input_ != INVALID_HANDLE_VALUE && !GetConsoleMode(input_, &mode)) {
        CloseHandle(input_);
        input_ = INVALID_HANDLE_VALUE;
    }
}

Terminal::~Terminal() {
    for (HANDLE handle : {input_, output_}) {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
}

bool Terminal::IsOpen() const {
    return input_ != INVALID_HANDLE_VALUE && output_ != INVALID_HANDLE_VALUE;
}

void Terminal::Say(const std::string& text) const {
    WriteWide(output_, text);
}

LineRead Terminal::ReadHidden(const std::string& prompt, int wakeFd) const {
    DWORD saved = 0;
    GetConsoleMode(input_, &saved);
    SetConsoleMode(input_, (saved | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) &
                               ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    Say(prompt);
    LineRead read;
    std::wstring typed;
    wchar_t block[256];
    const HANDLE wake = wakeFd == -1 ? nullptr : LongToHandle(wakeFd);
    for (;;) {
        DWORD n = 0;
        // Ctrl-C ends the read with nothing, its handler having set the wake-up.
        const BOOL got = ReadConsoleW(input_, block, 256, &n, nullptr);
        if (wake != nullptr && WaitForSingleObject(wake, 0) == WAIT_OBJECT_0) {
            read.end = LineRead::End::Stopped;
            break;
        }
        if (!got || n == 0) {
            // The handler of a Ctrl-C that ended the read may run a moment later.
            if (wake != nullptr && WaitForSingleObject(wake, 500) == WAIT_OBJECT_0) {
                read.end = LineRead::End::Stopped;
                break;
            }
            read.end = typed.empty() ? LineRead::End::NoInput : LineRead::End::Line;
            break;
        }
        typed.append(block, n);
        if (typed.size() > kLongestLine) {
            read.end = LineRead::End::TooLong;
            break;
        }
        if (typed.find(L'\n') != std::wstring::npos) {
            typed.resize(typed.find(L'\n'));
            break;
        }
    }
    WipeBytes(block, sizeof block);
    SetConsoleMode(input_, saved);
    Say("\n");
    if (!typed.empty() && typed.back() == L'\r') {
        typed.pop_back();
    }
    if (read.end == LineRead::End::Line && typed.find(L'\0') != std::wstring::npos) {
        read.end = LineRead::End::HasNul;
    }
    if (read.end == LineRead::End::Line) {
        std::string utf8 = platform::Utf8OfWide(typed);
        read.line.bytes().append(utf8);  // within the room the secret keeps
        WipeBytes(utf8.data(), utf8.size());
    }
    WipeBytes(typed.data(), typed.size() * sizeof(wchar_t));
    return read;
}

bool IsTerminal(int fd) {
    return ConsoleOf(fd) != nullptr;
}

std::size_t TerminalColumns(int fd) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    const HANDLE console = ConsoleOf(fd);
    if (console == nullptr || !GetConsoleScreenBufferInfo(console, &info)) {
        return 0;
    }
    return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

void WriteToTerminal(int fd, std::string_view text) {
    if (const HANDLE console = ConsoleOf(fd)) {
        WriteWide(console, text);
        return;
    }
    (void)!_write(fd, text.data(), static_cast<unsigned>(text.size()));
}

}  // namespace kryvet::cli
