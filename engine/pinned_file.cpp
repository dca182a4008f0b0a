#include "engine/pinned_file.h"

#include <cerrno>
#include <utility>

#include "engine/run_result.h"

namespace kryvet {

PinnedFile::PinnedFile(platform::PlatformFile& files, std::string name, platform::Handle pin,
                       const platform::FileStatus& status)
    : files_(&files),
      name_(std::move(name)),
      pin_(pin),
      status_(status),
      originalMode_(status.mode) {}

PinnedFile::PinnedFile(PinnedFile&& other) noexcept
    : files_(other.files_),
      name_(std::move(other.name_)),
      pin_(std::exchange(other.pin_, -1)),
      open_(std::exchange(other.open_, -1)),
      status_(other.status_),
      originalMode_(other.originalMode_),
      writable_(other.writable_),
      modeSet_(std::exchange(other.modeSet_, std::nullopt)),
      holes_(std::move(other.holes_)),
      reservedEnd_(std::exchange(other.reservedEnd_, -1)),
      spareSpace_(other.spareSpace_),
      rewriting_(std::exchange(other.rewriting_, false)),
      header_(other.header_),
      interrupted_(other.interrupted_),
      extendedFrom_(other.extendedFrom_),
      extendedEncrypted_(other.extendedEncrypted_),
      putBack_(other.putBack_) {}

PinnedFile::~PinnedFile() {
    Release();
}

namespace {

// Past the end of a file a hole may safely run long; it must, to cover the
// whole block a reservation ended in.
constexpr std::int64_t kWholeBlocks = 65536;

[[noreturn]] void OpenFailed(int error) {
    if (error == EBUSY) {
        throw EngineFailure({FailureKind::InUse, error});
    }
    if (error == platform::kErrorNotPinnedFile) {
        throw EngineFailure::Changed();
    }
    throw EngineFailure::System(error);
}

}  // namespace

ModeRequest PinnedFile::ModeBeforeEncryption(const EncryptedFileHeader& header) const {
    // Where the system keeps a word of its own, the header's is given back;
    // 0xFFFF says the word could not be read when the file was encrypted.
    const std::int32_t attributes = status_.attributes >= 0 && header.StoredAttributes != 0xFFFF
                                        ? header.StoredAttributes & kAttrRestored
                                        : -1;
    std::string kept;
    if (files_->ReadKept(open_, platform::PlatformFile::KeptWord::Mode, kept) == 0) {
        if (auto mode = KeptModeFor(kept, header, status_.identity)) {
            mode->attributes = attributes;
            return *mode;
        }
    }
    return {ModeFromAttributeWord(static_cast<std::int32_t>(originalMode_ << 16) |
                                  header.StoredAttributes),
            false, attributes};
}

int PinnedFile::GiveAttributes(const ModeRequest& wanted, const platform::FileStatus& now) {
    if (wanted.attributes < 0 || now.attributes < 0 ||
        (now.attributes & kAttrRestored) == wanted.attributes) {
        return 0;
    }
    return files_->SetAttributes(open_, wanted.attributes);
}

bool PinnedFile::SetModeAhead(const ModeRequest& wanted) {
    const unsigned mode = Permitted(wanted);
    platform::FileStatus now;
    if (files_->Status(open_, now) != 0) {
        return false;
    }
    if (now.mode != mode) {
        if (files_->SetMode(open_, mode) != 0) {
            return false;
        }
        modeSet_.reset();  // the mode a crash would leave too: it stands
    }
    return GiveAttributes(wanted, now) == 0;
}

void PinnedFile::Open(Purpose purpose) {
    using Access = platform::PlatformFile::Access;
    writable_ = purpose == Purpose::Rewrite && (status_.mode & kOwnerWrite) != 0;
    const Access access = purpose == Purpose::Look ? Access::Look
                          : writable_              ? Access::ReadWrite
                                                   : Access::Read;
    open_ = files_->OpenPinned(pin_, access);
    if (open_ < 0) {
        OpenFailed(files_->LastError());
    }
    platform::FileStatus now;
    if (files_->Status(open_, now) != 0) {
        throw EngineFailure::System(files_->LastError());
    }
    if (!(now.identity == status_.identity) || now.size != status_.size) {
        throw EngineFailure::Changed();
    }
    status_ = now;
}

bool PinnedFile::HasRoomFor(std::int64_t end) {
    if (files_->FindHoles(open_, status_.size, holes_) != 0) {
        holes_.clear();
    }
    std::int64_t needed = end - status_.size;
    for (const auto& [first, last] : holes_) {
        needed += last - first;
    }
    const std::int64_t free = files_->GetDiskFreeSpace(open_);
    spareSpace_ = free - needed;
    return free >= needed;
}

bool PinnedFile::ReserveMore(std::int64_t end) {
    const std::int64_t from = reservedEnd_;
    if (files_->ReserveSpace(open_, from, end - from) == 0) {
        reservedEnd_ = end;
        return true;
    }
    files_->ReleaseSpace(open_, from, end - from + kWholeBlocks);
    return false;
}

bool PinnedFile::Reserve(std::int64_t end) {
    reservedEnd_ = end;
    if (files_->ReserveSpace(open_, 0, end) != 0) {
        return false;  // what was allocated goes back with the release
    }
    // Allocation may touch the file's times; the last-moment check compares
    // against what the file looks like now.
    platform::FileStatus now;
    if (files_->Status(open_, now) != 0) {
        throw EngineFailure::System(files_->LastError());
    }
    if (now.size != status_.size) {
        throw EngineFailure::Changed();
    }
    status_ = now;
    return true;
}

void PinnedFile::BeginWriting(const std::vector<Word>& words) {
    const auto keepWords = [&] {
        for (const auto& [word, value] : words) {
            files_->WriteKept(open_, word, value);
        }
    };
    if (!writable_) {
        // Opening for writing takes the owner's write permission. It is
        // given for the open alone (and the words) and taken back at once:
        // the mode stays as it was while the rewrite runs, and after any
        // crash.
        files_->_lclose(open_);
        open_ = -1;
        const unsigned writable = originalMode_ | kOwnerWrite;
        if (files_->SetMode(pin_, writable) != 0) {
            throw EngineFailure::System(files_->LastError());
        }
        open_ = files_->OpenPinned(pin_, platform::PlatformFile::Access::ReadWrite);
        const int openError = files_->LastError();
        if (open_ >= 0) {
            keepWords();
        }
        if (files_->SetMode(pin_, originalMode_) != 0) {
            modeSet_ = writable;  // tried again when the run ends
        }
        if (open_ < 0) {
            OpenFailed(openError);
        }
        writable_ = true;
    } else {
        keepWords();
    }
    CheckUnchanged();
    // Where the file system keeps no such words, there is nothing to flush.
    if (!words.empty() && files_->FlushAll(open_) != 0) {
        throw EngineFailure::System(files_->LastError());
    }
}

void PinnedFile::TakeOffWords(bool keepMode, bool keepGrowth) {
    using KeptWord = platform::PlatformFile::KeptWord;
    if (open_ < 0) {
        return;  // never opened: nothing was put beside it
    }
    std::vector<KeptWord> refused;
    for (const KeptWord word : {KeptWord::Extension, KeptWord::Mode}) {
        std::string value;
        if ((word == KeptWord::Mode && keepMode) || (word == KeptWord::Extension && keepGrowth) ||
            files_->ReadKept(open_, word, value) != 0 || value.empty() ||
            files_->RemoveKept(open_, word) == 0) {
            continue;
        }
        if (files_->LastError() == EACCES || files_->LastError() == EPERM) {
            refused.push_back(word);
        }
    }
    // One moment of the owner's write bit for all that a read-only file refused.
    platform::FileStatus now;
    if (refused.empty() || files_->Status(open_, now) != 0 || (now.mode & kOwnerWrite) != 0 ||
        files_->SetMode(open_, now.mode | kOwnerWrite) != 0) {
        return;
    }
    for (const KeptWord word : refused) {
        files_->RemoveKept(open_, word);
    }
    if (files_->SetMode(open_, now.mode) != 0) {
        modeSet_ = now.mode | kOwnerWrite;  // tried again when the run ends
    }
}

void PinnedFile::CheckUnchanged() const {
    platform::FileStatus now;
    if (files_->Status(open_, now) != 0) {
        throw EngineFailure::System(files_->LastError());
    }
    if (!(now.identity == status_.identity) || now.size != status_.size ||
        now.modifiedNs != status_.modifiedNs) {
        throw EngineFailure::Changed();
    }
    platform::FileStatus named;
    if (files_->StatusOfName(name_, named) != 0 || !(named.identity == status_.identity)) {
        throw EngineFailure::Changed();
    }
}

int PinnedFile::Finish(const ModeRequest& wanted) {
    const unsigned mode = Permitted(wanted);
    int error = 0;
    platform::FileStatus now;
    if (files_->Status(open_, now) != 0) {
        error = files_->LastError();
    } else if ((now.mode != mode && files_->SetMode(open_, mode) != 0) ||
               GiveAttributes(wanted, now) != 0) {
        error = files_->LastError();
    }
    modeSet_.reset();  // the rewrite's outcome decides the mode from now on
    reservedEnd_ = -1;
    files_->_lclose(open_);
    open_ = -1;
    return error;
}

Outcome PinnedFile::Complete(const ModeRequest& wanted) {
    if (const int error = Finish(wanted); error != 0) {
        return Failure{FailureKind::System, error, FileState::Completed};
    }
    return Done{};
}

void PinnedFile::Release() {
    const platform::Handle handle = open_ >= 0 ? open_ : pin_;
    platform::FileStatus now;
    if (!rewriting_ && reservedEnd_ >= 0 && open_ >= 0 && files_->Status(open_, now) == 0 &&
        now.size == status_.size && now.modifiedNs == status_.modifiedNs) {
        // A run that wrote nothing leaves no allocation behind; where another
        // program wrote meanwhile, its data may lie there now.
        for (const auto& [first, last] : holes_) {
            files_->ReleaseSpace(open_, first, last - first);
        }
        if (reservedEnd_ > status_.size) {
            files_->ReleaseSpace(open_, status_.size, reservedEnd_ - status_.size + kWholeBlocks);
        }
    }
    if (handle >= 0 && modeSet_) {
        // Put back only what this run changed, and only while nobody else
        // has changed the mode since.
        if (files_->Status(handle, now) != 0 || now.mode == *modeSet_) {
            files_->SetMode(handle, originalMode_);
        }
        modeSet_.reset();
    }
    if (open_ >= 0) {
        files_->_lclose(open_);
        open_ = -1;
    }
    if (pin_ >= 0) {
        files_->_lclose(pin_);
        pin_ = -1;
    }
    rewriting_ = false;
}

}  // namespace kryvet
