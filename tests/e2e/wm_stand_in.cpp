// Acts as the window manager on a bare X server for one request:
//   wm_stand_in ping WINDOW   sends _NET_WM_PING and waits up to 1 s for the
//                             answer on the root window; prints the time taken
//   wm_stand_in close WINDOW  sends WM_DELETE_WINDOW, as a close box does
// Exit status 0 when the window answered (ping) or the message was sent.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

void SendProtocolMessage(Display* display, Window window, Atom protocol, Time time) {
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(protocol);
    event.xclient.data.l[1] = static_cast<long>(time);
    event.xclient.data.l[2] = static_cast<long>(window);
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ping|close WINDOW\n", argv[0]);
        return 64;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cannot open the display\n");
        return 2;
    }
    const Window window = static_cast<Window>(std::strtoul(argv[2], nullptr, 0));
    if (std::strcmp(argv[1], "close") == 0) {
        SendProtocolMessage(display, window, XInternAtom(display, "WM_DELETE_WINDOW", False),
                            CurrentTime);
        XCloseDisplay(display);
        return 0;
    }
    // The answer goes to the root window with substructure redirection,
    // which only a window manager selects: here, this program.
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(display, False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    const Time stamp = 4242;
    const auto start = std::chrono::steady_clock::now();
    SendProtocolMessage(display, window, ping, stamp);
    int status = 1;
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == ping &&
                static_cast<Time>(event.xclient.data.l[1]) == stamp) {
                const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - start);
                std::printf("answered in %lld ms\n", static_cast<long long>(ms.count()));
                status = 0;
                break;
            }
        }
        if (status == 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (status != 0) {
        std::printf("no answer within 1 s\n");
    }
    XCloseDisplay(display);
    return status;
}
