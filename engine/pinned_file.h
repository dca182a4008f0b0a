#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/file_attributes.h"
#include "engine/file_layout.h"
#include "engine/journal_record.h"
#include "engine/platform_file.h"
#include "engine/run_result.h"

namespace kryvet {

namespace detail {
struct Preparing;
}

// The one file a run is about, decided by the first look at its name. It is
// pinned by identity and opened through that pin, so a name swapped for a
// link or another file meanwhile leads nowhere. Nothing of the file changes
// before the rewrite begins: a read-only file is opened for reading only
// until then. Whatever the run changed besides the file's bytes (the space
// reserved, the lock) is given back when it ends, unless the rewrite took
// them over.
class PinnedFile {
public:
    PinnedFile(platform::PlatformFile& files, std::string name, platform::Handle pin,
               const platform::FileStatus& status);
    ~PinnedFile();
    PinnedFile(PinnedFile&& other) noexcept;
    PinnedFile& operator=(PinnedFile&&) = delete;
    PinnedFile(const PinnedFile&) = delete;
    PinnedFile& operator=(const PinnedFile&) = delete;

    platform::PlatformFile& files() const { return *files_; }
    const std::string& name() const { return name_; }
    // The open handle, for reading only until BeginWriting where the file
    // is read-only; -1 before Open.
    platform::Handle handle() const { return open_; }
    const platform::FileStatus& status() const { return status_; }
    std::int64_t size() const { return status_.size; }
    // Permission bits as found, before the run touched them.
    unsigned originalMode() const { return originalMode_; }
    // The attribute word as found: the system's own where it keeps one,
    // else the one the mode stands for.
    std::int32_t originalAttributes() const {
        return status_.attributes >= 0 ? status_.attributes : AttributeWordFromMode(originalMode_);
    }

    // The mode a request would give the file: never more than it has now,
    // but for the write bits (see PermittedMode). A word or record read
    // while the group or others may write the file could be theirs: it
    // gives back only the owner's write bit.
    unsigned Permitted(const ModeRequest& wanted) const {
        const bool trusted = wanted.bound && (originalMode_ & 0022u) == 0;  // group, others
        return PermittedMode(originalMode_, wanted.mode, trusted);
    }
    // The mode the file had before the encryption that wrote `header`: the
    // whole word where it was kept with it, else the header's read-only bit
    // on today's mode.
    ModeRequest ModeBeforeEncryption(const EncryptedFileHeader& header) const;
    // Gives the file its final mode before the last step of a journaled
    // rewrite, so that a crash after that step finds it finished in every
    // respect. A failure here shows in Complete. The mode stands whatever
    // follows, as it would after a crash: the records finish the rest.
    // True when the file has that mode now.
    bool SetModeAhead(const ModeRequest& wanted);
    // Opens the pinned file, locked against other runs, and checks it is
    // still the file first seen, of the same size: for reading and writing
    // where its owner may write it, else for reading. EngineFailure
    // otherwise (FailureKind::InUse while another run holds it). Looking
    // opens for reading only, with no lock: nothing is to be written.
    enum class Purpose { Rewrite, Look };
    void Open(Purpose purpose = Purpose::Rewrite);
    // Whether the disk has room for the bytes [size, end) and the holes of
    // a sparse file; a look only, which changes nothing.
    bool HasRoomFor(std::int64_t end);
    // Allocates holes and the bytes [size, end) the rewrite will write to,
    // so it cannot run out of space halfway. False: no room. Done only once
    // the password is given: allocating is a change to the file.
    bool Reserve(std::int64_t end);
    // Extends the reservation to `end`, for the rewrite's recovery records;
    // false (and nothing more held) when there is no room.
    bool ReserveMore(std::int64_t end);
    // Free space left beyond what HasRoomFor asked for.
    std::int64_t spareSpace() const { return spareSpace_; }
    // The last moment before the first write, once the password is given:
    // a file open for reading only is opened again for writing, its
    // owner's write permission given for that open alone; then the check
    // that it is the same file, unchanged, and that the name still leads to
    // it. EngineFailure otherwise. The `words` are kept beside the file
    // while it may be written, and put on the disk.
    using Word = std::pair<platform::PlatformFile::KeptWord, std::string>;
    void BeginWriting(const std::vector<Word>& words = {});

    // Takes the words kept beside the file off: the growth word unless
    // `keepGrowth`, and the kept mode unless `keepMode`. Where the file is
    // read-only its owner's write bit is given for that alone, since only a
    // file its owner may write loses its words. Failures leave the word: it
    // is checked against the file before it is ever acted on.
    void TakeOffWords(bool keepMode, bool keepGrowth = false);

    // The rewrite has begun: the bytes are its own from now on, and the
    // space reserved is used.
    void BeginRewrite() { rewriting_ = true; }
    // Sets the final permission bits of the file itself (when they differ),
    // then closes it. Returns 0 or the errno of the failed change.
    int Finish(const ModeRequest& wanted);
    // The same as the end of a successful rewrite: done, or done but for
    // the mode, which the user must hear of.
    Outcome Complete(const ModeRequest& wanted);

    // Ends the run without a rewrite: gives back what it changed and closes.
    void Close() { Release(); }

    // What preparation found: the header of a file prepared for decryption,
    // and the footer of a rewrite that was interrupted (the file is then
    // only to be finished).
    const EncryptedFileHeader& header() const { return header_; }
    const std::optional<journal::Footer>& interrupted() const { return interrupted_; }
    // What preparation put back before this run: a rewrite cut short before
    // it changed any of the contents, the file cut from `from` bytes back to
    // `to`, as it was.
    struct PutBack {
        journal::Operation operation = journal::Operation::Encrypt;
        std::int64_t from = 0;
        std::int64_t to = 0;
    };
    const std::optional<PutBack>& putBack() const { return putBack_; }
    // What a look found of a growth for records whose footer never reached
    // the disk (preparing for a rewrite puts it back): by which operation,
    // from what size.
    std::optional<PutBack> grown() const {
        if (!extendedFrom_) {
            return std::nullopt;
        }
        return PutBack{
            extendedEncrypted_ ? journal::Operation::Decrypt : journal::Operation::Encrypt,
            status_.size, *extendedFrom_};
    }

private:
    friend struct detail::Preparing;
    void Release();
    void CheckUnchanged() const;
    int GiveAttributes(const ModeRequest& wanted, const platform::FileStatus& now);

    platform::PlatformFile* files_;
    std::string name_;
    platform::Handle pin_ = -1;
    platform::Handle open_ = -1;
    platform::FileStatus status_;
    unsigned originalMode_ = 0;
    bool writable_ = false;
    std::optional<unsigned> modeSet_;
    std::vector<platform::ByteRange> holes_;
    std::int64_t reservedEnd_ = -1;
    std::int64_t spareSpace_ = 0;
    bool rewriting_ = false;
    EncryptedFileHeader header_;
    std::optional<journal::Footer> interrupted_;
    std::optional<std::int64_t> extendedFrom_;
    bool extendedEncrypted_ = false;
    std::optional<PutBack> putBack_;
};

}  // namespace kryvet
