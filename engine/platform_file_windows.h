#pragma once

#include <map>
#include <string>

#include "engine/platform_file.h"

namespace kryvet::platform {

// The file services on Windows, with wide-character names. Handles are
// numbers of this instance standing for the system's handles. A pin is a
// handle with access to the attributes alone, which reads, writes and
// shares nothing; a file is opened for a rewrite with share mode 0 and
// locked, and only where it is the very file pinned (volume serial and file
// index). Windows keeps no words beside a file here (no named streams are
// relied on), shows no holes of a file that is not sparse, and reserves
// space where the file system can: as on Linux's vfat.
class WindowsPlatformFile : public PlatformFile {
public:
    WindowsPlatformFile();
    ~WindowsPlatformFile() override;
    WindowsPlatformFile(const WindowsPlatformFile&) = delete;
    WindowsPlatformFile& operator=(const WindowsPlatformFile&) = delete;

    Handle Pin(const std::string& name) override;
    int Status(Handle handle, FileStatus& status) override;
    int StatusOfName(const std::string& name, FileStatus& status) override;
    int SetMode(Handle handle, unsigned mode) override;
    int SetAttributes(Handle handle, std::int32_t attributes) override;
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
    // Console events (Ctrl-C, Ctrl-Break, the window closed, log-off) wait
    // while any instance holds them, then take their ordinary course.
    void HoldTermination() override;
    void ReleaseTermination() override;

    // The Windows error code of the last call that failed, beside the
    // errno it was said in.
    unsigned long LastWindowsError() const { return lastWindowsError_; }

private:
    struct Entry {
        void* handle;       // the system's HANDLE
        std::wstring path;  // the long form of the name it was opened by
        // The volume's serial as found at the open: a file never leaves its
        // volume, and Wine reports 0 for a handle whose name moved away.
        std::uint64_t volume;
    };
    Entry* Find(Handle handle);
    int Fail();
    int FailWith(unsigned long windowsError);
    Handle Add(void* handle, std::wstring path, std::uint64_t volume);

    std::map<Handle, Entry> entries_;
    Handle next_ = 3;
    int lastError_ = 0;
    unsigned long lastWindowsError_ = 0;
    bool holding_ = false;
};

}  // namespace kryvet::platform
