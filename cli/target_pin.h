#pragma once

#include <memory>
#include <string>

#include "cli/file_list.h"

// The name the engine is given for a target. A name given on the command
// line is handed over as typed. A file found inside a directory is pinned
// here first, from that directory's descriptor and without following a
// link, checked, and handed over as its pin's own entry in /proc, which
// leads to that very file whatever its name leads to by then.
namespace kryvet::cli {

class TargetPin {
public:
    explicit TargetPin(const Target& target);

    // File: the engine may have it; otherwise why it is skipped or refused.
    Target::Kind kind() const { return kind_; }
    int error() const { return error_; }
    const std::string& engineName() const { return engineName_; }

private:
    std::unique_ptr<Descriptor> pin_;
    Target::Kind kind_ = Target::Kind::File;
    int error_ = 0;
    std::string engineName_;
};

}  // namespace kryvet::cli
