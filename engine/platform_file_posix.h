#pragma once

#include <signal.h>

#include <map>

#include "engine/platform_file.h"

namespace kryvet::platform {

// The file services on POSIX. Handles are file descriptors; a pinned file is
// an O_PATH descriptor, which reads, writes and opens nothing.
class PosixPlatformFile : public PlatformFile {
public:
    PosixPlatformFile();
    ~PosixPlatformFile() override;

    Handle Pin(const std::string& name) override;
    int Status(Handle handle, FileStatus& status) override;
    int StatusOfName(const std::string& name, FileStatus& status) override;
    int SetMode(Handle handle, unsigned mode) override;
    Handle OpenPinned(Handle pinned, Access access) override;
    std::int32_t _lread(Handle handle, void* buffer, std::int32_t count) override;
    std::int32_t _lwrite(Handle handle, const void* buffer, std::int32_t count) override;
    std::int64_t _llseek(Handle handle, std::int64_t offset, int origin) override;
    int _lclose(Handle handle) override;
    std::int64_t GetDiskFreeSpace(Handle handle) override;
    int FindHoles(Handle handle, std::int64_t size, std::vector<ByteRange>& holes) override;
    int ReserveSpace(Handle handle, std::int64_t offset, std::int64_t length) override;
    int ReleaseSpace(Handle handle, std::int64_t offset, std::int64_t length) override;
    int FlushData(Handle handle) override;
    int FlushAll(Handle handle) override;
    int StartWriteback(Handle handle, std::int64_t offset, std::int64_t length) override;
    int ReadKept(Handle handle, KeptWord word, std::string& value) override;
    int WriteKept(Handle handle, KeptWord word, const std::string& value) override;
    int RemoveKept(Handle handle, KeptWord word) override;
    SystemTime GetLocalTime() override;
    int LastError() const override { return lastError_; }
    void HoldTermination() override;
    void ReleaseTermination() override;

private:
    int Fail();
    int lastError_ = 0;
    sigset_t savedMask_{};
    bool holding_ = false;
    // The names pins were made from, for systems without /proc.
    std::map<Handle, std::string> pinNames_;
};

// Names of the extended attributes that keep the whole mode of an encrypted
// file, and the size of a file while its records are being appended.
inline constexpr char kKeptModeAttribute[] = "user.kryvet.mode";
inline constexpr char kExtensionAttribute[] = "user.kryvet.extension";

}  // namespace kryvet::platform
