#pragma once

namespace kryvet {

// Receives the share of the rewrite done, in whole percent, whenever it
// changes; the window moves its gauge with it.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void Progress(int percent) = 0;
};

}  // namespace kryvet
