#pragma once

#include <windows.h>

#include <functional>

#include "engine/progress_sink.h"
#include "engine/run_result.h"

namespace kryvet::win32 {

// Runs the rewrite on a thread of its own while this thread goes on
// painting and answering, with the user's input dropped; the progress goes
// to showProgress on this thread, every value in order. A quit asked for
// meanwhile is passed on once the file is complete.
Outcome RunInBackground(HWND window, const std::function<Outcome(ProgressSink&)>& rewrite,
                        const std::function<void(int)>& showProgress);

}  // namespace kryvet::win32
