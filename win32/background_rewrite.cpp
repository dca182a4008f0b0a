#include "win32/background_rewrite.h"

#include <exception>
#include <thread>

namespace kryvet::win32 {

namespace {

constexpr UINT kProgressed = WM_APP + 1;
constexpr UINT kFinished = WM_APP + 2;

class PostedProgress : public ProgressSink {
public:
    explicit PostedProgress(HWND window) : window_(window) {}
    void Progress(int percent) override { PostMessageW(window_, kProgressed, WPARAM(percent), 0); }

private:
    HWND window_;
};

bool IsInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && message != WM_MOUSEMOVE) ||
           message == WM_DROPFILES || message == WM_CONTEXTMENU;
}

}  // namespace

Outcome RunInBackground(HWND window, const std::function<Outcome(ProgressSink&)>& rewrite,
                        const std::function<void(int)>& showProgress) {
    PostedProgress progress(window);
    Outcome outcome;
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            outcome = rewrite(progress);
        } catch (...) {
            error = std::current_exception();
        }
        // Posted behind every progress value, so none is lost.
        PostMessageW(window, kFinished, 0, 0);
    });
    bool quit = false;
    int quitCode = 0;
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // The file comes first; the quit once it is complete.
            quit = true;
            quitCode = int(message.wParam);
            continue;
        }
        if (got < 0) {
            continue;
        }
        if (message.hwnd == window && message.message == kFinished) {
            break;
        }
        if (message.hwnd == window && message.message == kProgressed) {
            showProgress(int(message.wParam));
            continue;
        }
        if (IsInput(message.message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    worker.join();
    if (quit) {
        PostQuitMessage(quitCode);
    }
    if (error) {
        std::rethrow_exception(error);
    }
    return outcome;
}

}  // namespace kryvet::win32
