#include "cli/progress_bar.h"

#include <cstdio>

#include "cli/messages.h"
#include "cli/terminal.h"
#include "cli/text_width.h"

namespace kryvet::cli {

namespace {

constexpr std::size_t kDefaultColumns = 80;
constexpr int kBarCells = 20;

std::size_t Columns(int fd) {
    const std::size_t columns = TerminalColumns(fd);
    return columns > 0 ? columns : kDefaultColumns;
}

}  // namespace

std::string ProgressLine(const std::string& shownName, int percent, double bytesPerSecond,
                         std::size_t filesLeft, std::size_t columns) {
    std::string bar(static_cast<std::size_t>(kBarCells * percent / 100), '#');
    bar.resize(kBarCells, '.');
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " [%s] %3d%% %7.1f MiB/s", bar.c_str(), percent,
                  bytesPerSecond / (1024.0 * 1024.0));
    std::string tail = numbers;
    if (filesLeft > 0) {
        tail += "  " + Fill(TrCount("{1} file left", "{1} files left", filesLeft),
                            {std::to_string(filesLeft)});
    }
    const std::size_t usable = columns > 0 ? columns - 1 : 0;
    const std::size_t tailColumns = ColumnsOf(tail);
    if (tailColumns + 1 >= usable) {
        return FitEnd(tail.substr(1), usable);  // too narrow for any of the name
    }
    return FitMiddle(shownName, usable - tailColumns) + tail;
}

ProgressBar::ProgressBar(int fd, bool quiet) : fd_(fd), shown_(!quiet && IsTerminal(fd)) {}

void ProgressBar::SetFile(std::string shownName, std::size_t filesLeft) {
    name_ = std::move(shownName);
    filesLeft_ = filesLeft;
}

void ProgressBar::Begin(std::int64_t bytes) {
    bytes_ = bytes;
    percent_ = -1;
    start_ = std::chrono::steady_clock::now();
    Draw(0);
}

void ProgressBar::Progress(int percent) {
    Draw(percent);
}

void ProgressBar::Draw(int percent) {
    if (!shown_ || percent == percent_) {
        return;
    }
    percent_ = percent;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double speed =
        seconds > 0 ? static_cast<double>(bytes_) * percent / 100.0 / seconds : 0.0;
    const std::string line =
        "\r" + ProgressLine(name_, percent, speed, filesLeft_, Columns(fd_)) + "\x1b[K";
    WriteToTerminal(fd_, line);
}

void ProgressBar::End() {
    if (shown_ && percent_ >= 0) {
        WriteToTerminal(fd_, "\r\x1b[K");
    }
    percent_ = -1;
}

}  // namespace kryvet::cli
