#pragma once

#include <initializer_list>
#include <string>

#include "cli/engine_calls.h"
#include "cli/file_list.h"
#include "engine/failure_words.h"

// What kryvet-cli says, in the user's language: the English text is the
// message id, its translations come through gettext.
namespace kryvet::cli {

// Binds the program's message catalogue: next to the program
// (../share/locale), where both the build tree and an installation keep it.
void SetUpTextDomain();

// The translation of an English text, and the same for a count.
const char* Tr(const char* english);
const char* TrCount(const char* one, const char* many, unsigned long count);

// Why a file was not done, and what became of it; empty for a file done.
std::string EndMessage(const FileEnd& end);

// The note on an interrupted rewrite finished on the way.
std::string FinishedNotice(journal::Operation operation, bool changedNothing);

// Why a name met was not taken: skipped or refused.
std::string TargetMessage(Target::Kind kind, int error);

// Why a file could not be looked at.
std::string StateMessage(const Inspection& state);

}  // namespace kryvet::cli
