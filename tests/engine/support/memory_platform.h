#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/platform_file.h"

// Byte ranges [from, to) of a file, joined where they touch.
class ByteRanges {
public:
    void Add(std::int64_t from, std::int64_t to);
    void CutAt(std::int64_t end);  // everything from `end` on is gone
    // The first byte of [from, to) that is not in the ranges; none if all are.
    std::optional<std::int64_t> FirstMissing(std::int64_t from, std::int64_t to) const;

private:
    std::map<std::int64_t, std::int64_t> ranges_;  // from -> to, apart from each other
};

// File services over files held in memory. Every call is logged, and any
// call can be made to fail, so the engine's handling of each can be tested.
//
// It can check that reading runs ahead of writing: within one run on a file
// (while any handle to it is open) no byte it held is overwritten or cut off
// before it was read in that run. A rewrite in place has no other copy of
// those bytes. EngineRun checks every rewrite it makes on this platform.
class MemoryPlatform : public kryvet::platform::PlatformFile {
public:
    struct File {
        std::string data;
        // The attribute word: permission bits in the high half, read-only
        // (0x01) or normal (0x80) in the low half.
        std::int32_t attributes = 0x0080 | (0644 << 16);
        bool directory = false;
        bool lockedElsewhere = false;  // being rewritten by another instance
        std::uint64_t inode = 0;
        std::int64_t modified = 0;  // changes with every write
        std::int64_t reservedBeyondEnd = 0;
        std::string keptMode;
        std::string keptExtension;
        std::int64_t reportedSize = -1;  // a size to report instead of the data's
        // What this run read or wrote itself, and so may overwrite.
        ByteRanges known;
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

    // What reached the file, in order, for replaying a crash: a write
    // (bytes at an offset), a cut (the new end), a flush of the data
    // (Flush) or of everything (FlushAll), a new mode (in `at`), or a kept
    // word set (`at` 0 the mode, 1 the growth word; `bytes` its value, empty
    // when taken off).
    struct Event {
        enum Kind { Write, Cut, Flush, FlushAll, Mode, Word } kind = Write;
        std::int64_t at = 0;
        std::string bytes;
        bool metadata() const { return kind == Mode || kind == Word; }
    };
    bool recordEvents = false;
    std::vector<Event> events;
    // How many events there were when the fault struck; none when it never did.
    std::optional<std::size_t> eventsAtFault;

    std::map<std::string, File> files;
    std::vector<std::string> log;
    kryvet::platform::SystemTime now{2026, 12, 1, 7, 10, 11, 12, 345};
    std::int64_t freeSpace = std::int64_t{1} << 30;
    std::optional<Fault> fault;
    bool reserveFails = false;
    // A copy-on-write disk needs new room to overwrite bytes it holds: once
    // this many bytes have been overwritten, the next overwrite fails for
    // lack of space, after the whole sectors that still fitted. -1: no limit.
    std::int64_t overwriteRoom = -1;
    bool keepsModes = true;  // whether the file system keeps the kept words
    // Root may change the words of any file; anybody else only of a file
    // its owner may write, as the kernel checks them.
    bool root = false;
    bool termininationHeld = false;
    // Runs after every write that put bytes down, e.g. to let another
    // program append meanwhile.
    std::function<void()> afterWrite;
    int maxOpenHandles = 0;

    void Add(const std::string& name, const std::string& data, bool readOnly = false);
    // Puts a new file under the name, as a rename over it would; handles to
    // the old file still reach the old file.
    void Replace(const std::string& name, const std::string& data);
    const std::string& Data(const std::string& name) const { return files.at(name).data; }
    int OpenHandles() const { return static_cast<int>(handles_.size()); }
    // How often `operation` was called, faulted calls included.
    int Calls(const std::string& operation) const {
        const auto it = counts_.find(operation);
        return it == counts_.end() ? 0 : it->second;
    }
    // _lwrite calls asked to write a negative count.
    int negativeWrites = 0;
    // While set, writes and cuts that reach bytes not yet read are noted
    // here, as "_lwrite(512)@0: byte 70 unread". One still here when the
    // platform goes aborts the test, whatever the test itself looked at; a
    // test that means to see one takes it out.
    bool checksReadAhead = false;
    std::vector<std::string> unreadOverwrites;
    ~MemoryPlatform() override;

    kryvet::platform::Handle Pin(const std::string& name) override;
    int Status(kryvet::platform::Handle handle, kryvet::platform::FileStatus& status) override;
    int StatusOfName(const std::string& name, kryvet::platform::FileStatus& status) override;
    int SetMode(kryvet::platform::Handle handle, unsigned mode) override;
    kryvet::platform::Handle OpenPinned(kryvet::platform::Handle pinned, Access access) override;
    std::int32_t _lread(kryvet::platform::Handle handle, void* buffer, std::int32_t count) override;
    std::int32_t _lwrite(kryvet::platform::Handle handle, const void* buffer,
                         std::int32_t count) override;
    std::int64_t _llseek(kryvet::platform::Handle handle, std::int64_t offset, int origin) override;
    int _lclose(kryvet::platform::Handle handle) override;
    std::int64_t GetDiskFreeSpace(kryvet::platform::Handle handle) override;
    int FindHoles(kryvet::platform::Handle handle, std::int64_t size,
                  std::vector<kryvet::platform::ByteRange>& holes) override;
    int ReserveSpace(kryvet::platform::Handle handle, std::int64_t offset,
                     std::int64_t length) override;
    int ReleaseSpace(kryvet::platform::Handle handle, std::int64_t offset,
                     std::int64_t length) override;
    int FlushData(kryvet::platform::Handle handle) override;
    int FlushAll(kryvet::platform::Handle handle) override;
    int StartWriteback(kryvet::platform::Handle handle, std::int64_t offset,
                       std::int64_t length) override;
    int ReadKept(kryvet::platform::Handle handle, KeptWord word, std::string& value) override;
    int WriteKept(kryvet::platform::Handle handle, KeptWord word,
                  const std::string& value) override;
    int RemoveKept(kryvet::platform::Handle handle, KeptWord word) override;
    kryvet::platform::SystemTime GetLocalTime() override;
    int LastError() const override { return lastError_; }
    void HoldTermination() override;
    void ReleaseTermination() override;

private:
    struct OpenState {
        std::uint64_t inode = 0;
        bool pinned = true;
        bool writable = false;
        std::int64_t position = 0;
    };
    // Counts the call; true (and sets the error) when it is the one to fail.
    int Flushed(const std::string& operation);
    bool Faulted(const std::string& operation, std::int64_t& result);
    void Log(const std::string& entry) { log.push_back(entry); }
    File& FileOf(kryvet::platform::Handle handle);
    std::string& Kept(kryvet::platform::Handle handle, KeptWord word);
    bool WordsWritable(kryvet::platform::Handle handle);
    void WordEvent(KeptWord word, const std::string& value);
    File* Find(std::uint64_t inode);
    // A file's first handle starts a run, which knows none of its bytes.
    void StartRunIfFirst(std::uint64_t inode);
    // Notes a write or cut over [from, to) where it reaches unread bytes.
    void CheckReadFirst(const File& file, std::int64_t from, std::int64_t to,
                        const std::string& call);

    std::map<kryvet::platform::Handle, OpenState> handles_;
    std::map<std::uint64_t, File> replaced_;
    std::map<std::string, int> counts_;
    kryvet::platform::Handle nextHandle_ = 3;
    std::uint64_t nextInode_ = 100;
    int lastError_ = 0;
};
