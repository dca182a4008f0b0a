#pragma once

#include <string>
#include <vector>

// The files a run is about, from the names given. A directory is refused
// unless the run goes through directories, and then its files are taken in
// name order, its subdirectories too; symbolic links met inside are never
// followed (a link named on the command line is, like any name given).
// Whatever is neither a file nor a directory inside is left out, as the
// engine would refuse it.
namespace kryvet::cli {

struct Target {
    std::string name;
    enum class Problem {
        None,
        Directory,   // a directory, and no -r
        Unlistable,  // a directory whose entries could not be read; `error` says why
    } problem = Problem::None;
    int error = 0;
};

std::vector<Target> ExpandNames(const std::vector<std::string>& names, bool recursive);

}  // namespace kryvet::cli
