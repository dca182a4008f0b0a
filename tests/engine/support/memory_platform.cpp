#include "memory_platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

using kryvet::platform::Handle;

void MemoryPlatform::Add(const std::string& name, const std::string& data, bool readOnly) {
    File file;
    file.data = data;
    if (readOnly) {
        file.attributes = kryvet::platform::kAttrReadOnly | (0444 << 16);
    }
    files[name] = file;
}

std::vector<std::string> MemoryPlatform::FileCalls() const {
    std::vector<std::string> out;
    for (const auto& entry : log) {
        if (entry.rfind("_l", 0) == 0) {
            out.push_back(entry);
        }
    }
    return out;
}

bool MemoryPlatform::Faulted(const std::string& operation, std::int64_t& result) {
    const int count = ++counts_[operation];
    if (fault && fault->operation == operation && fault->nth == count) {
        result = fault->result;
        lastError_ = fault->error;
        Log(operation + " FAULT");
        return true;
    }
    return false;
}

std::int32_t MemoryPlatform::GetFileAttributesA(const std::string& name) {
    std::int64_t r = 0;
    if (Faulted("GetFileAttributesA", r))
        return static_cast<std::int32_t>(r);
    const auto it = files.find(name);
    const std::int32_t word = it == files.end() ? -1 : it->second.attributes;
    if (word < 0)
        lastError_ = ENOENT;
    Log("GetFileAttributesA=" + std::to_string(word));
    return word;
}

bool MemoryPlatform::SetFileAttributesA(const std::string& name, std::int32_t attributes) {
    std::int64_t r = 0;
    if (Faulted("SetFileAttributesA", r))
        return false;
    Log("SetFileAttributesA(" + std::to_string(attributes) + ")");
    const auto it = files.find(name);
    if (it == files.end() || attributes < 0) {
        lastError_ = ENOENT;
        return false;
    }
    it->second.attributes = attributes;
    return true;
}

int MemoryPlatform::FindFirstFileA(const std::string& name, kryvet::platform::FindData& data) {
    std::int64_t r = 0;
    if (Faulted("FindFirstFileA", r))
        return static_cast<int>(r);
    Log("FindFirstFileA");
    const auto it = files.find(name);
    if (it == files.end()) {
        lastError_ = ENOENT;
        return -1;
    }
    data.dwFileAttributes =
        it->second.attributes | (it->second.directory ? kryvet::platform::kAttrDirectory : 0);
    return 1;
}

void MemoryPlatform::FindClose(int) {
    Log("FindClose");
}

Handle MemoryPlatform::CreateFileA(const std::string& name) {
    std::int64_t r = 0;
    if (Faulted("CreateFileA", r))
        return static_cast<Handle>(r);
    Log("CreateFileA");
    const auto it = files.find(name);
    if (it == files.end()) {
        lastError_ = ENOENT;
        return -1;
    }
    if ((it->second.attributes & kryvet::platform::kAttrReadOnly) != 0 ||
        it->second.lockedElsewhere || it->second.directory) {
        lastError_ = EACCES;
        return -1;
    }
    const Handle h = nextHandle_++;
    handles_[h] = OpenState{name, 0};
    maxOpenHandles = std::max(maxOpenHandles, OpenHandles());
    return h;
}

std::int64_t MemoryPlatform::GetFileSize(Handle handle) {
    std::int64_t r = 0;
    if (Faulted("GetFileSize", r))
        return r;
    const auto size = static_cast<std::int64_t>(files.at(handles_.at(handle).name).data.size());
    Log("GetFileSize=" + std::to_string(size));
    return size;
}

bool MemoryPlatform::CloseHandle(Handle handle) {
    std::int64_t r = 0;
    const bool failed = Faulted("CloseHandle", r);
    handles_.erase(handle);
    if (failed)
        return false;
    Log("CloseHandle");
    return true;
}

Handle MemoryPlatform::OpenFile(const std::string& name, kryvet::platform::OfStruct& fullPath,
                                int mode) {
    std::int64_t r = 0;
    if (Faulted("OpenFile", r))
        return static_cast<Handle>(r);
    Log("OpenFile(" + std::to_string(mode) + ")");
    const auto it = files.find(name);
    if (it == files.end()) {
        lastError_ = ENOENT;
        return -1;
    }
    if ((it->second.attributes & kryvet::platform::kAttrReadOnly) != 0 ||
        it->second.lockedElsewhere || it->second.directory) {
        lastError_ = EACCES;
        return -1;
    }
    fullPath.szPathName = "/memory/" + name;
    const Handle h = nextHandle_++;
    handles_[h] = OpenState{name, 0};
    maxOpenHandles = std::max(maxOpenHandles, OpenHandles());
    return h;
}

std::int32_t MemoryPlatform::_lread(Handle handle, void* buffer, std::int32_t count) {
    std::int64_t r = 0;
    const bool faulted = Faulted("_lread", r);
    if (faulted && !fault->halfTransfer) {
        return static_cast<std::int32_t>(r);
    }
    auto& state = handles_.at(handle);
    const std::string& data = files.at(state.name).data;
    const std::int64_t available =
        std::max<std::int64_t>(0, static_cast<std::int64_t>(data.size()) - state.position);
    auto n = static_cast<std::int32_t>(std::min<std::int64_t>(count, available));
    if (faulted)
        n /= 2;
    if (n > 0)
        std::memcpy(buffer, data.data() + state.position, static_cast<std::size_t>(n));
    state.position += n;
    Log("_lread(" + std::to_string(count) + ")=" + std::to_string(n));
    return n;
}

std::int32_t MemoryPlatform::_lwrite(Handle handle, const void* buffer, std::int32_t count) {
    if (count < 0)
        ++negativeWrites;
    std::int64_t r = 0;
    const bool faulted = Faulted("_lwrite", r);
    // Half of nothing is nothing: a zero-count write still sets the end.
    if (faulted && (!fault->halfTransfer || count > 0)) {
        if (fault->halfTransfer)
            r = count / 2;
        // A short write still puts its bytes down, as a real one would.
        if (r > 0) {
            auto& state = handles_.at(handle);
            std::string& data = files.at(state.name).data;
            const auto end = static_cast<std::size_t>(state.position + r);
            if (data.size() < end)
                data.resize(end, '\0');
            std::memcpy(data.data() + state.position, buffer, static_cast<std::size_t>(r));
            state.position += r;
        }
        return static_cast<std::int32_t>(r);
    }
    auto& state = handles_.at(handle);
    std::string& data = files.at(state.name).data;
    const auto position = static_cast<std::size_t>(state.position);
    if (count == 0) {
        data.resize(position, '\0');
    } else {
        if (data.size() < position + static_cast<std::size_t>(count)) {
            data.resize(position + static_cast<std::size_t>(count), '\0');
        }
        std::memcpy(data.data() + position, buffer, static_cast<std::size_t>(count));
        state.position += count;
    }
    Log("_lwrite(" + std::to_string(count) + ")@" + std::to_string(position));
    return count;
}

std::int64_t MemoryPlatform::_llseek(Handle handle, std::int64_t offset, int origin) {
    std::int64_t r = 0;
    if (Faulted("_llseek", r))
        return r;
    auto& state = handles_.at(handle);
    const std::int64_t target = origin == 1 ? state.position + offset : offset;
    if (target < 0) {
        lastError_ = EINVAL;
        return -1;
    }
    state.position = target;
    Log("_llseek(" + std::to_string(offset) + "," + std::to_string(origin) +
        ")=" + std::to_string(target));
    return target;
}

int MemoryPlatform::_lclose(Handle handle) {
    std::int64_t r = 0;
    const bool failed = Faulted("_lclose", r);
    handles_.erase(handle);
    if (failed)
        return -1;
    Log("_lclose");
    return 0;
}

std::int64_t MemoryPlatform::GetDiskFreeSpace(Handle) {
    std::int64_t r = 0;
    if (Faulted("GetDiskFreeSpace", r))
        return r;
    Log("GetDiskFreeSpace");
    return freeSpace;
}

int MemoryPlatform::ReserveSpace(Handle, std::int64_t offset, std::int64_t length) {
    std::int64_t r = 0;
    if (Faulted("ReserveSpace", r))
        return static_cast<int>(r);
    Log("ReserveSpace(" + std::to_string(offset) + "," + std::to_string(length) + ")");
    if (reserveFails) {
        lastError_ = ENOSPC;
        return -1;
    }
    return 0;
}

int MemoryPlatform::FlushData(Handle) {
    std::int64_t r = 0;
    if (Faulted("FlushData", r))
        return static_cast<int>(r);
    Log("FlushData");
    return 0;
}

kryvet::platform::SystemTime MemoryPlatform::GetLocalTime() {
    Log("GetLocalTime");
    return now;
}

void MemoryPlatform::HoldTermination() {
    termininationHeld = true;
}

void MemoryPlatform::ReleaseTermination() {
    termininationHeld = false;
}
