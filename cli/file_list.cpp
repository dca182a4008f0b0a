#include "cli/file_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace kryvet::cli {

namespace {

std::string Join(const std::string& directory, const std::string& entry) {
    return !directory.empty() && directory.back() == '/' ? directory + entry
                                                         : directory + "/" + entry;
}

void Walk(const std::string& directory, std::vector<Target>& out) {
    std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(directory.c_str()), closedir);
    if (!listing) {
        out.push_back({directory, Target::Problem::Unlistable, errno});
        return;
    }
    std::vector<std::string> entries;
    errno = 0;
    while (const dirent* entry = readdir(listing.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            entries.push_back(name);
        }
    }
    if (errno != 0) {
        out.push_back({directory, Target::Problem::Unlistable, errno});
        return;
    }
    std::sort(entries.begin(), entries.end());
    for (const std::string& entry : entries) {
        const std::string path = Join(directory, entry);
        struct stat status {};
        if (fstatat(dirfd(listing.get()), entry.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            out.push_back({path});  // gone meanwhile: the engine says so
        } else if (S_ISDIR(status.st_mode)) {
            Walk(path, out);
        } else if (S_ISREG(status.st_mode)) {
            out.push_back({path});
        }
    }
}

}  // namespace

std::vector<Target> ExpandNames(const std::vector<std::string>& names, bool recursive) {
    std::vector<Target> out;
    for (const std::string& name : names) {
        struct stat status {};
        if (stat(name.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
            out.push_back({name});
        } else if (!recursive) {
            out.push_back({name, Target::Problem::Directory});
        } else {
            Walk(name, out);
        }
    }
    return out;
}

}  // namespace kryvet::cli
