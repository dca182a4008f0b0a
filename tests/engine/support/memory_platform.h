#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/platform_file.h"

// File services over files held in memory. Every call is logged, and any
// call can be made to fail, so the engine's handling of each can be tested.
class MemoryPlatform : public kryvet::platform::PlatformFile {
public:
    struct File {
        std::string data;
        std::int32_t attributes = kryvet::platform::kAttrNormal | (0644 << 16);
        bool directory = false;
        bool lockedElsewhere = false;  // held exclusively by another program
    };

    // Makes the nth call (1-based) of `operation` fail with `result` and `error`.
    struct Fault {
        std::string operation;
        int nth = 1;
        std::int64_t result = -1;
        int error = 5;
        // For _lread and _lwrite: instead of `result`, transfer half of what
        // the call would have and return that count with no error.
        bool halfTransfer = false;
    };

    std::map<std::string, File> files;
    std::vector<std::string> log;
    kryvet::platform::SystemTime now{2026, 12, 1, 7, 10, 11, 12, 345};
    std::int64_t freeSpace = std::int64_t{1} << 30;
    std::optional<Fault> fault;
    bool reserveFails = false;
    bool termininationHeld = false;
    int maxOpenHandles = 0;

    void Add(const std::string& name, const std::string& data, bool readOnly = false);
    const std::string& Data(const std::string& name) const { return files.at(name).data; }
    int OpenHandles() const { return static_cast<int>(handles_.size()); }
    // How often `operation` was called, faulted calls included.
    int Calls(const std::string& operation) const {
        const auto it = counts_.find(operation);
        return it == counts_.end() ? 0 : it->second;
    }
    // _lwrite calls asked to write a negative count.
    int negativeWrites = 0;
    // The log without the calls that do not touch the file's bytes.
    std::vector<std::string> FileCalls() const;

    std::int32_t GetFileAttributesA(const std::string& name) override;
    bool SetFileAttributesA(const std::string& name, std::int32_t attributes) override;
    int FindFirstFileA(const std::string& name, kryvet::platform::FindData& data) override;
    void FindClose(int search) override;
    kryvet::platform::Handle CreateFileA(const std::string& name) override;
    std::int64_t GetFileSize(kryvet::platform::Handle handle) override;
    bool CloseHandle(kryvet::platform::Handle handle) override;
    kryvet::platform::Handle OpenFile(const std::string& name, kryvet::platform::OfStruct& fullPath,
                                      int mode) override;
    std::int32_t _lread(kryvet::platform::Handle handle, void* buffer, std::int32_t count) override;
    std::int32_t _lwrite(kryvet::platform::Handle handle, const void* buffer,
                         std::int32_t count) override;
    std::int64_t _llseek(kryvet::platform::Handle handle, std::int64_t offset, int origin) override;
    int _lclose(kryvet::platform::Handle handle) override;
    std::int64_t GetDiskFreeSpace(kryvet::platform::Handle handle) override;
    int ReserveSpace(kryvet::platform::Handle handle, std::int64_t offset,
                     std::int64_t length) override;
    int FlushData(kryvet::platform::Handle handle) override;
    kryvet::platform::SystemTime GetLocalTime() override;
    int LastError() const override { return lastError_; }
    void HoldTermination() override;
    void ReleaseTermination() override;

private:
    struct OpenState {
        std::string name;
        std::int64_t position = 0;
    };
    // Counts the call; true (and sets the error) when it is the one to fail.
    bool Faulted(const std::string& operation, std::int64_t& result);
    void Log(const std::string& entry) { log.push_back(entry); }

    std::map<kryvet::platform::Handle, OpenState> handles_;
    std::map<std::string, int> counts_;
    kryvet::platform::Handle nextHandle_ = 3;
    int lastError_ = 0;
};
