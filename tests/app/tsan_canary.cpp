// Not a test: the ThreadSanitizer stage runs it and expects a report. A
// value the rewrite's worker writes and the window's thread reads with no
// order between them, across the event loop. Seen, it shows that the options
// which keep the sanitizer out of uninstrumented Qt still let it judge our
// code wherever Qt carries the call.
#include <QCoreApplication>
#include <atomic>

#include "app/background_rewrite.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int shared = 0;
    int seen = 0;
    // Relaxed: it orders nothing for the sanitizer, and keeps the worker
    // from handing over anything more (its end) before the read.
    std::atomic<bool> read{false};
    kryvet::RunInBackground(
        [&](kryvet::ProgressSink& progress) {
            progress.Progress(1);
            shared = 1;  // after the hand-over: unordered with the read
            while (!read.load(std::memory_order_relaxed)) {
            }
            return kryvet::Outcome{kryvet::Done{}};
        },
        [&](int) {
            seen = shared;
            read.store(true, std::memory_order_relaxed);
        });
    return seen >= 0 ? 0 : 1;
}
