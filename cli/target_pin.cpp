#include "cli/target_pin.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace kryvet::cli {

TargetPin::TargetPin(const Target& target) {
    if (!target.directory) {
        engineName_ = target.name;
        return;
    }
    const int fd =
        openat(target.directory->fd(), target.entry.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        kind_ = Target::Kind::Unreachable;
        error_ = errno;
        return;
    }
    pin_ = std::make_unique<Descriptor>(fd);
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        kind_ = Target::Kind::Unreachable;
        error_ = errno;
    } else if (S_ISLNK(status.st_mode)) {
        kind_ = Target::Kind::Link;  // swapped in since the directory was read
    } else if (!S_ISREG(status.st_mode)) {
        kind_ = Target::Kind::Special;
    } else if (target.device && status.st_dev != *target.device) {
        kind_ = Target::Kind::OtherFileSystem;
    } else if (status.st_nlink > 1 &&
               (status.st_uid != target.directoryOwner || target.directoryShared)) {
        // Where hard links are not protected, anyone can link another
        // user's file into her own directory, or into one anybody may
        // write: such a file is not hers to have rewritten by a run there.
        kind_ = Target::Kind::ForeignLinks;
    } else {
        engineName_ = "/proc/self/fd/" + std::to_string(fd);
    }
}

}  // namespace kryvet::cli
