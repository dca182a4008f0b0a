#pragma once

#include <initializer_list>
#include <string>

#include "engine/run_result.h"

// What the engine reports, in words: the one table every front end takes
// them from. `english` is the command line's, which its message catalogue
// translates; `japanese` the window's error box's. Where a step differs by
// front end (how to go on), each column says its own.
namespace kryvet {

struct Words {
    const char* english;
    const char* japanese;
};

// The cause of a failure; nothing (both null) for FailureKind::System,
// whose words are the system's for its error.
Words CauseWords(FailureKind kind);

// What became of the file, to follow the cause; nothing for an unchanged
// file. Where the file is damaged, {1} stands for where it stopped.
Words FileStateWords(FileState state);

// A text with {1} to {9} filled in by the values, in order.
std::string Fill(const char* text, std::initializer_list<std::string> values);

}  // namespace kryvet
