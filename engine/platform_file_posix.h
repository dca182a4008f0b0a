#pragma once

#include <signal.h>

#include "engine/platform_file.h"

namespace kryvet::platform {

// The file services on POSIX. Handles are file descriptors.
class PosixPlatformFile : public PlatformFile {
public:
    std::int32_t GetFileAttributesA(const std::string& name) override;
    bool SetFileAttributesA(const std::string& name, std::int32_t attributes) override;
    int FindFirstFileA(const std::string& name, FindData& data) override;
    void FindClose(int search) override;
    Handle CreateFileA(const std::string& name) override;
    std::int64_t GetFileSize(Handle handle) override;
    bool CloseHandle(Handle handle) override;
    Handle OpenFile(const std::string& name, OfStruct& fullPath, int mode) override;
    std::int32_t _lread(Handle handle, void* buffer, std::int32_t count) override;
    std::int32_t _lwrite(Handle handle, const void* buffer, std::int32_t count) override;
    std::int64_t _llseek(Handle handle, std::int64_t offset, int origin) override;
    int _lclose(Handle handle) override;
    std::int64_t GetDiskFreeSpace(Handle handle) override;
    int ReserveSpace(Handle handle, std::int64_t offset, std::int64_t length) override;
    int FlushData(Handle handle) override;
    SystemTime GetLocalTime() override;
    int LastError() const override { return lastError_; }
    void HoldTermination() override;
    void ReleaseTermination() override;

private:
    int Fail();
    int lastError_ = 0;
    sigset_t savedMask_{};
    bool holding_ = false;
};

// The attribute word of a file mode: permission bits in the high half,
// read-only / directory / normal flags in the low half.
std::int32_t AttributeWordFromMode(unsigned mode);
// The permission bits that an attribute word asks for.
unsigned ModeFromAttributeWord(std::int32_t attributes);
// The name made absolute against the current directory, links not resolved.
std::string FullPathOf(const std::string& name);

}  // namespace kryvet::platform
