#include "memory_platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "engine/file_attributes.h"

using kryvet::platform::Handle;

void MemoryPlatform::Add(const std::string& name, const std::string& data, bool readOnly) {
    File file;
    file.data = data;
    file.inode = nextInode_++;
    if (readOnly) {
        file.attributes = kryvet::kAttrReadOnly | (0444 << 16);
    }
    files[name] = file;
}

void MemoryPlatform::Replace(const std::string& name, const std::string& data) {
    File& old = files.at(name);
    replaced_[old.inode] = old;
    File fresh = old;
    fresh.data = data;
    fresh.inode = nextInode_++;
    fresh.lockedElsewhere = false;
    fresh.known = {};
    files[name] = fresh;
}

void ByteRanges::Add(std::int64_t from, std::int64_t to) {
    if (from >= to)
        return;
    // Take in every range that overlaps or touches [from, to).
    auto it = ranges_.upper_bound(from);
    if (it != ranges_.begin() && std::prev(it)->second >= from)
        --it;
    while (it != ranges_.end() && it->first <= to) {
        from = std::min(from, it->first);
        to = std::max(to, it->second);
        it = ranges_.erase(it);
    }
    ranges_[from] = to;
}

void ByteRanges::CutAt(std::int64_t end) {
    auto it = ranges_.lower_bound(end);
    ranges_.erase(it, ranges_.end());
    if (!ranges_.empty() && ranges_.rbegin()->second > end)
        ranges_.rbegin()->second = end;
}

std::optional<std::int64_t> ByteRanges::FirstMissing(std::int64_t from, std::int64_t to) const {
    if (from >= to)
        return std::nullopt;
    auto it = ranges_.upper_bound(from);
    if (it == ranges_.begin())
        return from;
    --it;
    if (it->second >= to)
        return std::nullopt;
    return std::max(from, it->second);
}

MemoryPlatform::~MemoryPlatform() {
    if (unreadOverwrites.empty())
        return;
    for (const auto& breach : unreadOverwrites)
        std::fprintf(stderr, "MemoryPlatform: written before it was read: %s\n", breach.c_str());
    std::abort();
}

void MemoryPlatform::StartRunIfFirst(std::uint64_t inode) {
    for (const auto& [handle, state] : handles_) {
        if (state.inode == inode)
            return;
    }
    if (File* file = Find(inode))
        file->known = {};
}

void MemoryPlatform::CheckReadFirst(const File& file, std::int64_t from, std::int64_t to,
                                    const std::string& call) {
    if (!checksReadAhead)
        return;
    const auto held = std::min<std::int64_t>(to, static_cast<std::int64_t>(file.data.size()));
    if (const auto unread = file.known.FirstMissing(from, held))
        unreadOverwrites.push_back(call + ": byte " + std::to_string(*unread) + " unread");
}

bool MemoryPlatform::Faulted(const std::string& operation, std::int64_t& result) {
    const int count = ++counts_[operation];
    if (fault && fault->operation == operation && fault->nth == count) {
        result = fault->result;
        lastError_ = fault->error;
        eventsAtFault = events.size();
        Log(operation + " FAULT");
        return true;
    }
    return false;
}

MemoryPlatform::File* MemoryPlatform::Find(std::uint64_t inode) {
    for (auto& [name, file] : files) {
        if (file.inode == inode) {
            return &file;
        }
    }
    const auto it = replaced_.find(inode);
    return it == replaced_.end() ? nullptr : &it->second;
}

MemoryPlatform::File& MemoryPlatform::FileOf(Handle handle) {
    File* file = Find(handles_.at(handle).inode);
    if (file == nullptr) {
        // Removed by the test: the open file lives on, as an unlinked one does.
        return replaced_[handles_.at(handle).inode];
    }
    return *file;
}

Handle MemoryPlatform::Pin(const std::string& name) {
    std::int64_t r = 0;
    if (Faulted("Pin", r))
        return static_cast<Handle>(r);
    Log("Pin");
    const auto it = files.find(name);
    if (name.empty() || it == files.end()) {
        lastError_ = ENOENT;
        return -1;
    }
    if (it->second.inode == 0) {
        it->second.inode = nextInode_++;
    }
    StartRunIfFirst(it->second.inode);
    const Handle h = nextHandle_++;
    handles_[h] = OpenState{it->second.inode, true, false, 0};
    maxOpenHandles = std::max(maxOpenHandles, OpenHandles());
    return h;
}

namespace {

void Fill(const MemoryPlatform::File& file, kryvet::platform::FileStatus& status) {
    status.identity = {1, file.inode};
    status.regular = !file.directory;
    status.mode = (static_cast<std::uint32_t>(file.attributes) >> 16) & 07777u;
    status.size =
        file.reportedSize >= 0 ? file.reportedSize : static_cast<std::int64_t>(file.data.size());
    status.allocated = status.size;
    status.modifiedNs = file.modified;
}

}  // namespace

int MemoryPlatform::Status(Handle handle, kryvet::platform::FileStatus& status) {
    std::int64_t r = 0;
    if (Faulted("Status", r))
        return static_cast<int>(r);
    Fill(FileOf(handle), status);
    Log("Status=" + std::to_string(status.size));
    return 0;
}

int MemoryPlatform::StatusOfName(const std::string& name, kryvet::platform::FileStatus& status) {
    std::int64_t r = 0;
    if (Faulted("StatusOfName", r))
        return static_cast<int>(r);
    Log("StatusOfName");
    const auto it = files.find(name);
    if (it == files.end()) {
        lastError_ = ENOENT;
        return -1;
    }
    Fill(it->second, status);
    return 0;
}

int MemoryPlatform::SetMode(Handle handle, unsigned mode) {
    std::int64_t r = 0;
    if (Faulted("SetMode", r))
        return static_cast<int>(r);
    Log("SetMode(" + std::to_string(mode) + ")");
    if (recordEvents)
        events.push_back(Event{Event::Mode, mode, {}});
    FileOf(handle).attributes = kryvet::AttributeWordFromMode(mode);
    return 0;
}

Handle MemoryPlatform::OpenPinned(Handle pinned, Access access) {
    std::int64_t r = 0;
    if (Faulted("OpenPinned", r))
        return static_cast<Handle>(r);
    const bool writing = access == Access::ReadWrite;
    Log(writing ? "OpenPinned" : access == Access::Look ? "OpenPinned(look)" : "OpenPinned(read)");
    File& file = FileOf(pinned);
    if (file.directory || (writing && (file.attributes & kryvet::kAttrReadOnly) != 0)) {
        lastError_ = EACCES;
        return -1;
    }
    if (file.lockedElsewhere && access != Access::Look) {
        lastError_ = EBUSY;
        return -1;
    }
    const Handle h = nextHandle_++;
    handles_[h] = OpenState{file.inode, false, writing, 0};
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
    const std::string& data = FileOf(handle).data;
    const std::int64_t available =
        std::max<std::int64_t>(0, static_cast<std::int64_t>(data.size()) - state.position);
    auto n = static_cast<std::int32_t>(std::min<std::int64_t>(count, available));
    if (faulted)
        n /= 2;
    if (n > 0) {
        std::memcpy(buffer, data.data() + state.position, static_cast<std::size_t>(n));
        FileOf(handle).known.Add(state.position, state.position + n);
    }
    state.position += n;
    Log("_lread(" + std::to_string(count) + ")=" + std::to_string(n));
    return n;
}

std::int32_t MemoryPlatform::_lwrite(Handle handle, const void* buffer, std::int32_t count) {
    if (count < 0)
        ++negativeWrites;
    std::int64_t r = 0;
    const bool faulted = Faulted("_lwrite", r);
    auto& state = handles_.at(handle);
    if (!state.writable) {
        lastError_ = EBADF;  // a handle opened for reading only
        return -1;
    }
    File& file = FileOf(handle);
    std::string& data = file.data;
    const std::string call =
        "_lwrite(" + std::to_string(count) + ")@" + std::to_string(state.position);
    CheckReadFirst(file, state.position,
                   count == 0 ? static_cast<std::int64_t>(data.size()) : state.position + count,
                   call);
    // Half of nothing is nothing: a zero-count write still sets the end.
    if (faulted && (!fault->halfTransfer || count > 0)) {
        // A disk that runs out of room mid-write stops at a boundary of its
        // blocks: the sectors written are whole.
        if (fault->halfTransfer)
            r = std::max<std::int64_t>(0,
                                       (state.position + count / 2) / 512 * 512 - state.position);
        r = std::min<std::int64_t>(r, count);  // a short write never writes more
        // A short write still puts its bytes down, as a real one would.
        if (r > 0) {
            const auto end = static_cast<std::size_t>(state.position + r);
            if (data.size() < end) {
                file.known.Add(static_cast<std::int64_t>(data.size()), state.position);
                data.resize(end, '\0');
            }
            std::memcpy(data.data() + state.position, buffer, static_cast<std::size_t>(r));
            file.known.Add(state.position, state.position + r);
            state.position += r;
            ++file.modified;
        }
        return static_cast<std::int32_t>(r);
    }
    if (overwriteRoom >= 0 && count > 0) {
        const std::int64_t overwritten = std::clamp<std::int64_t>(
            static_cast<std::int64_t>(data.size()) - state.position, 0, count);
        if (overwritten > overwriteRoom) {
            const std::int64_t fits = std::max<std::int64_t>(
                0, (state.position + overwriteRoom) / 512 * 512 - state.position);
            overwriteRoom = 0;
            lastError_ = ENOSPC;
            eventsAtFault = events.size();
            if (fits == 0)
                return -1;
            count = static_cast<std::int32_t>(fits);  // a short write
        } else {
            overwriteRoom -= overwritten;
        }
    }
    const auto position = static_cast<std::size_t>(state.position);
    if (recordEvents) {
        events.push_back(count == 0 ? Event{Event::Cut, state.position, {}}
                                    : Event{Event::Write, state.position,
                                            std::string(static_cast<const char*>(buffer),
                                                        static_cast<std::size_t>(count))});
    }
    if (count == 0) {
        // Cut there, or filled up to there with zeros of the engine's making.
        file.known.CutAt(state.position);
        file.known.Add(static_cast<std::int64_t>(data.size()), state.position);
        data.resize(position, '\0');
    } else {
        // A gap before the bytes is zeros of the engine's making too.
        file.known.Add(std::min(static_cast<std::int64_t>(data.size()), state.position),
                       state.position + count);
        if (data.size() < position + static_cast<std::size_t>(count)) {
            const auto grown = static_cast<std::int64_t>(position) + count -
                               static_cast<std::int64_t>(data.size());
            file.reservedBeyondEnd = std::max<std::int64_t>(0, file.reservedBeyondEnd - grown);
            data.resize(position + static_cast<std::size_t>(count), '\0');
        }
        std::memcpy(data.data() + position, buffer, static_cast<std::size_t>(count));
        state.position += count;
    }
    ++file.modified;
    Log("_lwrite(" + std::to_string(count) + ")@" + std::to_string(position));
    if (count > 0 && afterWrite)
        afterWrite();
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
    const bool pinned = handles_.at(handle).pinned;
    handles_.erase(handle);
    if (failed)
        return -1;
    Log(pinned ? "_lclose(pin)" : "_lclose");
    return 0;
}

std::int64_t MemoryPlatform::GetDiskFreeSpace(Handle) {
    std::int64_t r = 0;
    if (Faulted("GetDiskFreeSpace", r))
        return r;
    Log("GetDiskFreeSpace");
    return freeSpace;
}

int MemoryPlatform::FindHoles(Handle, std::int64_t,
                              std::vector<kryvet::platform::ByteRange>& holes) {
    std::int64_t r = 0;
    holes.clear();
    if (Faulted("FindHoles", r))
        return static_cast<int>(r);
    return 0;
}

int MemoryPlatform::ReserveSpace(Handle handle, std::int64_t offset, std::int64_t length) {
    std::int64_t r = 0;
    if (Faulted("ReserveSpace", r))
        return static_cast<int>(r);
    Log("ReserveSpace(" + std::to_string(offset) + "," + std::to_string(length) + ")");
    File& file = FileOf(handle);
    // Space runs out partway, as it does on a real file system.
    const std::int64_t beyond = offset + length - static_cast<std::int64_t>(file.data.size());
    file.reservedBeyondEnd = std::max<std::int64_t>(file.reservedBeyondEnd, beyond / 2);
    if (reserveFails) {
        lastError_ = ENOSPC;
        return -1;
    }
    file.reservedBeyondEnd = std::max<std::int64_t>(file.reservedBeyondEnd, beyond);
    return 0;
}

int MemoryPlatform::ReleaseSpace(Handle handle, std::int64_t offset, std::int64_t length) {
    std::int64_t r = 0;
    if (Faulted("ReleaseSpace", r))
        return static_cast<int>(r);
    Log("ReleaseSpace(" + std::to_string(offset) + "," + std::to_string(length) + ")");
    File& file = FileOf(handle);
    if (offset <= static_cast<std::int64_t>(file.data.size())) {
        file.reservedBeyondEnd = 0;
    }
    return 0;
}

int MemoryPlatform::FlushAll(Handle) {
    return Flushed("FlushAll");
}

void MemoryPlatform::WordEvent(KeptWord word, const std::string& value) {
    if (recordEvents)
        events.push_back(Event{Event::Word, word == KeptWord::Mode ? 0 : 1, value});
}

int MemoryPlatform::FlushData(Handle) {
    return Flushed("FlushData");
}

// Both flushes put everything written so far on the disk here.
int MemoryPlatform::Flushed(const std::string& operation) {
    std::int64_t r = 0;
    if (Faulted(operation, r))
        return static_cast<int>(r);
    Log(operation);
    if (recordEvents) {
        events.push_back(Event{operation == "FlushAll" ? Event::FlushAll : Event::Flush, 0, {}});
    }
    return 0;
}

int MemoryPlatform::StartWriteback(Handle, std::int64_t, std::int64_t) {
    std::int64_t r = 0;
    if (Faulted("StartWriteback", r))
        return static_cast<int>(r);
    // Nothing becomes durable by it: the crash replay ignores it.
    Log("StartWriteback");
    return 0;
}

namespace {

// Faults are asked for by the call's name with its word.
std::string Named(const char* call, MemoryPlatform::KeptWord word) {
    return std::string(call) + (word == MemoryPlatform::KeptWord::Mode ? "Mode" : "Extension");
}

}  // namespace

std::string& MemoryPlatform::Kept(Handle handle, KeptWord word) {
    File& file = FileOf(handle);
    return word == KeptWord::Mode ? file.keptMode : file.keptExtension;
}

int MemoryPlatform::ReadKept(Handle handle, KeptWord word, std::string& value) {
    std::int64_t r = 0;
    if (Faulted(Named("ReadKept", word), r))
        return static_cast<int>(r);
    if (!keepsModes) {
        lastError_ = EOPNOTSUPP;
        return -1;
    }
    value = Kept(handle, word);
    return 0;
}

bool MemoryPlatform::WordsWritable(Handle handle) {
    if (!keepsModes) {
        lastError_ = EOPNOTSUPP;
        return false;
    }
    if (!root && (FileOf(handle).attributes & kryvet::kAttrReadOnly) != 0) {
        lastError_ = EACCES;
        return false;
    }
    return true;
}

int MemoryPlatform::WriteKept(Handle handle, KeptWord word, const std::string& value) {
    std::int64_t r = 0;
    if (Faulted(Named("WriteKept", word), r))
        return static_cast<int>(r);
    if (!WordsWritable(handle)) {
        return -1;
    }
    Kept(handle, word) = value;
    WordEvent(word, value);
    return 0;
}

int MemoryPlatform::RemoveKept(Handle handle, KeptWord word) {
    std::int64_t r = 0;
    if (Faulted(Named("RemoveKept", word), r))
        return static_cast<int>(r);
    if (!WordsWritable(handle)) {
        return -1;
    }
    Kept(handle, word).clear();
    WordEvent(word, {});
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
