#include "cli/file_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kryvet::cli {

Descriptor::~Descriptor() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

// An entry as the listing gave it: its name and its type (DT_*), which
// may be unknown.
struct Entry {
    std::string name;
    unsigned char type = DT_UNKNOWN;
    bool operator<(const Entry& other) const { return name < other.name; }
};

struct FileList::Frame {
    std::string path;
    std::shared_ptr<const Descriptor> directory;
    uid_t owner = 0;
    bool shared = false;  // others than its owner may add entries
    std::optional<dev_t> device;
    std::vector<Entry> entries;
    std::size_t next = 0;
};

namespace {

std::string Join(const std::string& directory, const std::string& entry) {
    return !directory.empty() && directory.back() == '/' ? directory + entry
                                                         : directory + "/" + entry;
}

// The entries of an open directory, in name order; the descriptor stays open.
bool ReadEntries(int fd, std::vector<Entry>& entries, int& error) {
    const int listed = dup(fd);
    DIR* listing = listed < 0 ? nullptr : fdopendir(listed);
    if (listing == nullptr) {
        error = errno;
        if (listed >= 0) {
            close(listed);
        }
        return false;
    }
    errno = 0;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            entries.push_back({name, entry->d_type});
        }
    }
    error = errno;
    closedir(listing);
    std::sort(entries.begin(), entries.end());
    return error == 0;
}

Target Problem(std::string name, Target::Kind kind, int error = 0) {
    Target target;
    target.name = std::move(name);
    target.kind = kind;
    target.error = error;
    return target;
}

}  // namespace

FileList::FileList(std::vector<std::string> names, bool recursive, bool oneFileSystem)
    : names_(std::move(names)), recursive_(recursive), oneFileSystem_(oneFileSystem) {}

FileList::~FileList() = default;

std::optional<Target> FileList::Enter(std::string name, int fd, std::optional<dev_t> device) {
    auto directory = std::make_shared<const Descriptor>(fd);
    struct stat status {};
    Frame frame;
    int error = 0;
    if (fstat(fd, &status) != 0 || !ReadEntries(fd, frame.entries, error)) {
        return Problem(std::move(name), Target::Kind::Unlistable, error != 0 ? error : errno);
    }
    frame.path = std::move(name);
    frame.directory = std::move(directory);
    frame.owner = status.st_uid;
    frame.shared = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    frame.device =
        oneFileSystem_ ? std::optional<dev_t>(device.value_or(status.st_dev)) : std::nullopt;
    stack_.push_back(std::move(frame));
    return std::nullopt;
}

// The type of an entry: as listed where the file system says, else looked
// at without following a link.
unsigned char TypeOf(int directory, const Entry& entry, int& error) {
    if (entry.type != DT_UNKNOWN) {
        return entry.type;
    }
    struct stat status {};
    if (fstatat(directory, entry.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        error = errno;
        return DT_UNKNOWN;
    }
    return S_ISDIR(status.st_mode)   ? DT_DIR
           : S_ISREG(status.st_mode) ? DT_REG
           : S_ISLNK(status.st_mode) ? DT_LNK
                                     : DT_FIFO;
}

std::optional<Target> FileList::Step(Frame& frame) {
    const Entry& entry = frame.entries[frame.next++];
    std::string path = Join(frame.path, entry.name);
    const int parent = frame.directory->fd();
    int error = 0;
    switch (TypeOf(parent, entry, error)) {
        case DT_UNKNOWN:
            return Problem(std::move(path), Target::Kind::Unreachable, error);
        case DT_LNK:
            return Problem(std::move(path), Target::Kind::Link);
        case DT_REG: {
            // Pinned and checked only when its turn comes (TargetPin).
            Target file;
            file.name = std::move(path);
            file.directory = frame.directory;
            file.entry = entry.name;
            file.directoryOwner = frame.owner;
            file.directoryShared = frame.shared;
            file.device = frame.device;
            return file;
        }
        case DT_DIR:
            break;
        default:
            return Problem(std::move(path), Target::Kind::Special);
    }
    // Opened without following a link: a directory that became a link or
    // anything else since it was listed is refused.
    const int fd = openat(parent, entry.name.c_str(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return Problem(std::move(path), Target::Kind::Unlistable, errno == ELOOP ? ENOTDIR : errno);
    }
    struct stat opened {};
    if (frame.device && (fstat(fd, &opened) != 0 || opened.st_dev != *frame.device)) {
        close(fd);
        return Problem(std::move(path), Target::Kind::OtherFileSystem);
    }
    return Enter(std::move(path), fd, frame.device);
}

std::optional<Target> FileList::Next() {
    for (;;) {
        while (!stack_.empty()) {
            Frame& frame = stack_.back();
            if (frame.next == frame.entries.size()) {
                stack_.pop_back();
                continue;
            }
            if (auto target = Step(frame)) {
                return target;
            }
        }
        if (nextName_ == names_.size()) {
            return std::nullopt;
        }
        std::string name = names_[nextName_++];
        struct stat status {};
        if (stat(name.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
            return Problem(std::move(name), Target::Kind::File);
        }
        if (!recursive_) {
            return Problem(std::move(name), Target::Kind::Directory);
        }
        // The named directory itself resolves as typed.
        const int fd = open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return Problem(std::move(name), Target::Kind::Unlistable, errno);
        }
        if (auto problem = Enter(std::move(name), fd, std::nullopt)) {
            return problem;
        }
    }
}

std::size_t CountFiles(const std::vector<std::string>& names, bool recursive, bool oneFileSystem) {
    std::size_t count = 0;
    FileList list(names, recursive, oneFileSystem);
    while (const auto target = list.Next()) {
        count += target->kind == Target::Kind::File ? 1 : 0;
    }
    return count;
}

}  // namespace kryvet::cli
