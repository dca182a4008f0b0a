#pragma once

#include <functional>

#include "engine/progress_sink.h"
#include "engine/run_result.h"

namespace kryvet {

// Runs a rewrite on a thread of its own while this thread's event loop goes
// on: the window manager gets its answers and covered windows repaint, so no
// desktop takes the program for hung and offers to kill it mid-rewrite. User
// input to every window is dropped meanwhile, not deferred. Progress reaches
// `showProgress` on this thread, in order.
Outcome RunInBackground(const std::function<Outcome(ProgressSink&)>& rewrite,
                        const std::function<void(int)>& showProgress);

}  // namespace kryvet
