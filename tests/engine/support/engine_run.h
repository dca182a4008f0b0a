#pragma once

// The engine's operations run as a front end runs them, for the engine's own
// tests: the file prepared, then rewritten with a password, or what it
// carries finished without one. What came of it is said in a few words, so
// that a table can expect it.
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/file_task.h"
#include "engine/journal_record.h"
#include "engine/operations.h"

struct EngineRun {
    explicit EngineRun(kryvet::platform::PlatformFile& files, std::string name = "f")
        : files(files), name(std::move(name)) {}

    kryvet::platform::PlatformFile& files;
    std::string name;
    kryvet::RewriteOptions options{};
    kryvet::RecordTrust trust = kryvet::RecordTrust::OwnOnly;
    std::vector<int> gauge;  // the progress values reported
    // Told each progress value as it comes, e.g. by a process to be killed.
    std::function<void(int)> onProgress;
    // Runs where a front end asks for the password: after preparation, once
    // the file is to be rewritten; e.g. to change the file meanwhile.
    std::function<void()> beforeRewrite;
    // What the last run came to; none where it ended "prepared" or "put back".
    std::optional<kryvet::Outcome> outcome;
    // Where the last run finished a cut-short rewrite: the operation it was,
    // and what the file needed next (Done, or the operation asked to follow).
    std::optional<kryvet::journal::Operation> finishedInterrupted;
    std::optional<kryvet::NextStep::Kind> afterFinish;

    // With no password, the run stops once the file is prepared ("prepared").
    std::string Encrypt(const std::string& password = {}) { return Run(true, password); }
    std::string Decrypt(const std::string& password = {}) { return Run(false, password); }

private:
    std::string Run(bool encrypt, const std::string& password);
};

// "" when done; "refused:" and the refusal; "failed:" and the failure, with
// what became of the file after a slash unless it is unchanged; "put back"
// when preparation put back a rewrite that never began.
std::string Said(const kryvet::Outcome& outcome);
