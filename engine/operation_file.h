#pragma once

#include <cstdint>

#include "engine/platform_file.h"

namespace kryvet::detail {

// The file an operation holds open exclusively: closed exactly once on every
// path, and termination requests held back only while its bytes change.
class OperationFile {
public:
    OperationFile(platform::PlatformFile& files, platform::Handle handle)
        : files_(files), handle_(handle) {}
    ~OperationFile();
    OperationFile(const OperationFile&) = delete;
    OperationFile& operator=(const OperationFile&) = delete;

    platform::Handle handle() const { return handle_; }

    // IoError unless the file still has the size measured before the open:
    // the size under the lock is the one the layout records.
    void CheckSizeUnchanged(std::int64_t measured) const;

    void Close();
    void HoldTermination();
    void ReleaseTermination();

private:
    platform::PlatformFile& files_;
    platform::Handle handle_;
    bool open_ = true;
    bool holding_ = false;
};

}  // namespace kryvet::detail
