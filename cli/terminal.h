#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "cli/password_input.h"

// The user's terminal, where the password is asked (the controlling
// terminal on Linux, the console on Windows), and the standard streams
// as far as they are one.
namespace kryvet::cli {

class Terminal {
public:
    Terminal();
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool IsOpen() const;
    // UTF-8 text, or the locale's where it is not UTF-8.
    void Say(const std::string& text) const;
    // A line typed with the echo off; the echo comes back however the read
    // ends. `wakeFd` ends the wait once a termination request came.
    LineRead ReadHidden(const std::string& prompt, int wakeFd) const;

private:
#ifdef _WIN32
    void* input_;
    void* output_;
#else
    int fd_;
#endif
};

// Whether the descriptor is a terminal, and its width in columns (0 when
// it does not say).
bool IsTerminal(int fd);
std::size_t TerminalColumns(int fd);
// Writes what it can; a line that cannot be drawn is not worth stopping for.
void WriteToTerminal(int fd, std::string_view text);

}  // namespace kryvet::cli
