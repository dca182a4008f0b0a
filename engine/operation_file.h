#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/operation_window.h"
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
    platform::PlatformFile& files() const { return files_; }

    // IoError unless the file still has the size measured before the open:
    // the size under the lock is the one the layout records.
    void CheckSizeUnchanged(std::int64_t measured) const;

    // Puts the data on the disk and closes the file; IoError when the flush fails.
    void FlushAndClose();
    void Close();
    void HoldTermination();
    void ReleaseTermination();

private:
    platform::PlatformFile& files_;
    platform::Handle handle_;
    bool open_ = true;
    bool holding_ = false;
};

// Opens the named file exclusively (mode 18). On failure the operation ends
// silently: the window idle, the attributes restored; the result is then -1.
platform::Handle OpenExclusively(platform::PlatformFile& files, OperationWindow& window,
                                 OperationButton button,
                                 const std::function<void()>& restoreAttributes);

// The end of a rewrite that succeeded: the file flushed, closed and given
// its attributes (when they are known), then the gauge full and the window idle.
void FinishRewrite(OperationFile& file, OperationWindow& window, OperationButton button,
                   const std::string& name, std::int32_t attributes);

// After a failure anywhere once the file is open: the file closed, the window
// idle, the attributes as they were before the operation.
void AbandonOperation(OperationFile& file, OperationWindow& window, OperationButton button,
                      const std::function<void()>& restoreAttributes);

}  // namespace kryvet::detail
