#include <windows.h>

#include <stdexcept>
#include <string>

#include "cli/stop_signals.h"

namespace kryvet::cli {

namespace {

// The console calls its handlers with nothing of ours: the one instance
// and its notice are found here. Only one lives at a time.
struct Listening {
    std::atomic<StopSignals*> instance{nullptr};
    std::string notice;
};

Listening& Current() {
    static Listening listening;
    return listening;
}

constexpr int kSigHup = 1;
constexpr int kSigInt = 2;

}  // namespace

StopSignals::StopSignals(std::string notice) {
    const HANDLE wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (wake == nullptr) {
        throw std::runtime_error("cannot watch for Ctrl-C: no event");
    }
    wake_ = HandleToLong(wake);
    Current().notice = std::move(notice);
    Current().instance = this;
    SetConsoleCtrlHandler(reinterpret_cast<PHANDLER_ROUTINE>(&StopSignals::OnConsoleEvent), TRUE);
}

StopSignals::~StopSignals() {
    SetConsoleCtrlHandler(reinterpret_cast<PHANDLER_ROUTINE>(&StopSignals::OnConsoleEvent), FALSE);
    Current().instance = nullptr;
    CloseHandle(LongToHandle(wake_));
}

int __stdcall StopSignals::OnConsoleEvent(unsigned long event) {
    StopSignals* self = Current().instance.load();
    if (self == nullptr) {
        return FALSE;
    }
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    int expected = 0;
    self->received_.compare_exchange_strong(expected, interrupt ? kSigInt : kSigHup);
    const std::string& notice = Current().notice;
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), notice.data(), static_cast<DWORD>(notice.size()),
              &written, nullptr);
    SetEvent(LongToHandle(self->wake_));
    // Ctrl-C is taken here, and the run stops after the file. A closing
    // console ends the process once the handlers return: the engine's
    // handler, after this one, waits until the file is whole.
    return interrupt ? TRUE : FALSE;
}

}  // namespace kryvet::cli
