#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The files a run is about, from the names given, one at a time. A name
// given resolves as typed, links and all. A directory is refused unless the
// run goes through directories; then it is walked through descriptors, in
// name order: each directory below is opened from its parent's descriptor
// without following a link, and each file is left to be pinned from its
// own directory's descriptor, so that nothing swapped in below the named
// directory (a link, another directory) is ever followed. Whatever is
// neither a file nor a directory is skipped, never opened.
namespace kryvet::cli {

#ifdef _WIN32
// Windows gives no owner numbers; a folder's owner is not asked there.
using uid_t = unsigned;
#endif

// An open descriptor, closed with its last owner. On Windows a folder's
// handle, which fits in 32 bits.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

struct Target {
    std::string name;  // as shown: the name given, or it joined with the entries below
    enum class Kind {
        File,             // a name given, or a regular file found inside
        Directory,        // a directory, and no -r
        Unlistable,       // a directory that cannot be opened or read; `error` says why
        Unreachable,      // an entry that cannot be looked at; `error` says why
        Link,             // skipped inside: a symbolic link
        Special,          // skipped inside: a FIFO, a device or a socket
        OtherFileSystem,  // skipped under -x
        ForeignLinks,     // skipped inside: more links, and not the directory owner's
    } kind = Kind::File;
    int error = 0;
    // A file found inside: the directory it was found in, its entry there,
    // and the directory's owner and the device the walk stays on (-x).
    std::shared_ptr<const Descriptor> directory;
    std::string entry;
    uid_t directoryOwner = 0;
    bool directoryShared = false;  // writable by group or others (a share, /tmp)
    std::optional<dev_t> device;

    // Left alone on purpose, rather than refused.
    static bool IsSkip(Kind kind) {
        return kind == Kind::Link || kind == Kind::Special || kind == Kind::OtherFileSystem ||
               kind == Kind::ForeignLinks;
    }
};

class FileList {
public:
    FileList(std::vector<std::string> names, bool recursive, bool oneFileSystem);
    ~FileList();
    FileList(const FileList&) = delete;
    FileList& operator=(const FileList&) = delete;

    // The next file or problem, or nothing at the end.
    std::optional<Target> Next();

private:
    struct Frame;
    std::optional<Target> Enter(std::string name, int fd, std::optional<dev_t> device);
    std::optional<Target> Step(Frame& frame);

    std::vector<std::string> names_;
    std::size_t nextName_ = 0;
    bool recursive_;
    bool oneFileSystem_;
    std::vector<Frame> stack_;
};

// How many files a walk over the names would give, for the count of
// files left; the tree may change before the run reaches them.
std::size_t CountFiles(const std::vector<std::string>& names, bool recursive, bool oneFileSystem);

}  // namespace kryvet::cli
