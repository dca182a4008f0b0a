#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "cli/engine_calls.h"

// The progress line on standard error while a file is rewritten: its name,
// its percentage, the speed and how many files remain. Drawn only where
// standard error is a terminal, fitted to its width at every drawing (so it
// follows a resize) and never wrapped, and taken off again when the file is
// done.
namespace kryvet::cli {

class ProgressBar : public FileProgress {
public:
    // `fd` is where to draw; nothing is drawn unless it is a terminal.
    ProgressBar(int fd, bool quiet);

    // The file that begins next, its name as shown, and how many files are
    // still to go after it.
    void SetFile(std::string shownName, std::size_t filesLeft);

    void Begin(std::int64_t bytes) override;
    void Progress(int percent) override;
    void End() override;

private:
    void Draw(int percent);

    int fd_;
    bool shown_;
    std::size_t filesLeft_ = 0;
    std::string name_;
    std::int64_t bytes_ = 0;
    int percent_ = -1;
    std::chrono::steady_clock::time_point start_;
};

// The line for one moment, fitted within `columns` with the last column
// left free (a terminal may wrap a line that fills it): exposed for its
// layout. `shownName` is quoted already.
std::string ProgressLine(const std::string& shownName, int percent, double bytesPerSecond,
                         std::size_t filesLeft, std::size_t columns);

}  // namespace kryvet::cli
