#include <algorithm>
#include <cerrno>
#include <vector>

#include "engine/file_attributes.h"
#include "engine/operations.h"
#include "engine/rewrite_io.h"
#include "engine/rewrite_session.h"

namespace kryvet {

namespace detail {

// Preparation's right to say what it found in a file.
struct Preparing {
    static void Found(PinnedFile& file, const journal::Footer& footer) {
        file.interrupted_ = footer;
    }
    static void Found(PinnedFile& file, const EncryptedFileHeader& header) {
        file.header_ = header;
    }
    static void Found(PinnedFile& file, std::int64_t extendedFrom, bool encrypted) {
        file.extendedFrom_ = extendedFrom;
        file.extendedEncrypted_ = encrypted;
    }
    static std::optional<std::int64_t> ExtendedFrom(const PinnedFile& file) {
        return file.extendedFrom_;
    }
    static bool ExtendedEncrypted(const PinnedFile& file) { return file.extendedEncrypted_; }
    static void Found(PinnedFile& file, const PinnedFile::PutBack& putBack) {
        file.putBack_ = putBack;
    }
    // Gives the file the mode it is known to have had before a cut.
    static void SetModeBack(PinnedFile& file, unsigned mode) {
        if (file.files_->SetMode(file.open_, mode) == 0) {
            file.status_.mode = mode;
            file.originalMode_ = mode;
        }
    }
};

}  // namespace detail

namespace {

// The first look at the name decides which file the run is about: a plain
// file only, and nothing else is touched to find out.
Preparation PinRegularFile(platform::PlatformFile& files, const std::string& name) {
    if (name.empty()) {
        return Refusal::EmptyName;
    }
    const platform::Handle pin = files.Pin(name);
    if (pin < 0) {
        const int error = files.LastError();
        if (error == ENOENT || error == ENOTDIR) {
            return Refusal::NotFound;
        }
        return Failure{FailureKind::System, error};  // a name too long, a folder closed to us
    }
    platform::FileStatus status;
    if (files.Status(pin, status) != 0) {
        const int error = files.LastError();
        files._lclose(pin);
        return Failure{FailureKind::System, error};
    }
    PinnedFile file(files, name, pin, status);
    if (!status.regular) {
        return Refusal::NotFound;
    }
    return file;
}

// The smallest file an interrupted rewrite can leave: contents of at least
// one byte rounded up to the journal's alignment, two slots, the footer.
constexpr std::int64_t kSmallestJournaled =
    journal::kAlignment + 2 * (2 * journal::kSector) + journal::kSector;

// Looks at the last sector for the footer of an interrupted rewrite. A file
// too short to hold one is not read at all.
journal::Found LookForJournal(PinnedFile& file) {
    if (file.size() < kSmallestJournaled) {
        return journal::Found::None;
    }
    journal::Sector sector{};
    detail::CheckedFile io(file.files(), file.handle());
    io.SeekTo(file.size() - journal::kSector);
    if (io.Read(sector.data(), journal::kFooterBytes) != journal::kFooterBytes) {
        return journal::Found::None;
    }
    journal::Footer footer;
    const journal::Found found =
        journal::DecodeFooter(sector, file.size(), file.status().identity, footer);
    if (found == journal::Found::Valid) {
        detail::Preparing::Found(file, footer);
    }
    return found;
}

// Goes over the bytes [from, until) of the file in 512-byte sectors, as
// long as `visit` says to go on; false once it said to stop.
template <typename Visit>
bool EverySector(PinnedFile& file, std::int64_t from, std::int64_t until, Visit visit) {
    constexpr std::int32_t kChunk = 1 << 20;
    std::vector<std::uint8_t> chunk(kChunk);
    detail::CheckedFile io(file.files(), file.handle());
    for (std::int64_t at = from; at < until; at += kChunk) {
        io.SeekTo(at);
        const std::int32_t read = io.Read(
            chunk.data(), static_cast<std::int32_t>(std::min<std::int64_t>(kChunk, until - at)));
        for (std::int32_t offset = 0; offset < read; offset += journal::kSector) {
            journal::Sector sector{};
            std::copy_n(chunk.begin() + offset, std::min(journal::kSector, read - offset),
                        sector.begin());
            if (!visit(sector, at + offset)) {
                return false;
            }
        }
    }
    return true;
}

// Whether the records of an interrupted encryption of the file lie inside
// it, with bytes added behind them since. They begin where that encryption
// put them, past its end, and span at most a few MiB.
bool RecordsInside(PinnedFile& file, std::int64_t plainSize) {
    constexpr std::int64_t kSearched = std::int64_t{16} << 20;
    const std::int64_t from =
        (plainSize + kGrowth + journal::kAlignment - 1) / journal::kAlignment * journal::kAlignment;
    return !EverySector(file, from, std::min(file.size(), from + kSearched),
                        [&](const journal::Sector& sector, std::int64_t at) {
                            journal::Footer footer;
                            return journal::DecodeFooter(sector, at + journal::kSector,
                                                         file.status().identity,
                                                         footer) != journal::Found::Valid;
                        });
}

// Whether the file's bytes [from, until) are all zeros; its holes are not
// read.
bool Zeros(PinnedFile& file, std::int64_t from, std::int64_t until) {
    std::vector<platform::ByteRange> holes;
    if (file.files().FindHoles(file.handle(), file.size(), holes) != 0) {
        holes.clear();
    }
    std::int64_t at = from;
    const auto zeros = [](const journal::Sector& sector, std::int64_t) {
        return journal::IsBlank(sector);
    };
    for (const auto& [first, last] : holes) {
        if (last <= at) {
            continue;
        }
        if (first >= until) {
            break;
        }
        if (first > at && !EverySector(file, at, first, zeros)) {
            return false;
        }
        at = std::max(at, last);
    }
    return at >= until || EverySector(file, at, until, zeros);
}

// The header a file begins with, where it is long enough to carry one.
std::optional<EncryptedFileHeader> HeaderOf(PinnedFile& file) {
    if (file.size() <= kGrowth) {
        return std::nullopt;  // never read: too short to carry the layout
    }
    HeaderImage image{};
    detail::CheckedFile(file.files(), file.handle()).ReadExactly(0, image.data(), kHeaderSize);
    return ParseHeader(image);
}

// Whether the file begins with a header whose stored size makes it `size`
// bytes long.
bool HeaderOfSize(PinnedFile& file, std::int64_t size) {
    const auto header = HeaderOf(file);
    return header && MarkerMatches(*header) &&
           std::int64_t{header->StoredFileSize} + kGrowth == size;
}

// What the growth word kept beside the file says of it: nothing; the file
// grew to its journal's end and the power went before its footer reached
// the disk (what an interrupted growth leaves: that size, zeros past the
// size before, the file before it as the operation found it); or records
// stand at the journal's end with bytes added behind them since.
struct GrowthSeen {
    enum { None, Interrupted, RecordsInside } found = None;
    std::int64_t before = 0;
    bool encrypted = false;
};

GrowthSeen LookAtGrowthWord(PinnedFile& file) {
    std::string word;
    if (file.files().ReadKept(file.handle(), platform::PlatformFile::KeptWord::Extension, word) !=
            0 ||
        word.empty()) {
        return {};
    }
    const auto growth = journal::ReadExtensionWord(word, file.status().identity);
    if (!growth || file.size() < growth->end) {
        return {};
    }
    if (file.size() > growth->end) {
        // Records, or the zeros of a growth whose footer never reached the
        // disk, with bytes added behind them: nothing to cut or rewrite.
        journal::Sector sector{};
        detail::CheckedFile(file.files(), file.handle())
            .ReadExactly(growth->end - journal::kSector, sector.data(), journal::kSector);
        journal::Footer footer;
        const bool inside = journal::DecodeFooter(sector, growth->end, file.status().identity,
                                                  footer) == journal::Found::Valid ||
                            Zeros(file, growth->before, growth->end);
        return {inside ? GrowthSeen::RecordsInside : GrowthSeen::None};
    }
    // A plain file never begins with a header: its encryption would have been
    // refused; a decryption grows an encrypted file of that very size.
    const bool encrypted = HeaderOfSize(file, growth->before);
    if (!(encrypted ? growth->byDecryption : growth->byEncryption) ||
        !Zeros(file, growth->before, file.size())) {
        return {};
    }
    return {GrowthSeen::Interrupted, growth->before, encrypted};
}

// A cut while a read-only file was writable for the moment of its open may
// have left it so, and one just after a decryption's cut may leave the file
// without its final mode. The mode kept beside it, bound to it, says what it
// had: an encrypted file is read-only; a plain one that carries the word
// never began its encryption, or was decrypted but for its mode. Only where
// nobody else could have written the word.
void PutBackModeAfterCut(PinnedFile& file, const EncryptedFileHeader* header) {
    const unsigned now = file.originalMode();
    std::string word;
    if ((now & (kGroupWrite | kOthersWrite)) != 0 ||
        file.files().ReadKept(file.handle(), platform::PlatformFile::KeptWord::Mode, word) != 0 ||
        word.empty()) {
        return;
    }
    if (header == nullptr) {
        // As a plain file it has the word's write bits, but for the group's
        // and others', which are only ever taken away.
        if (const auto kept = KeptModeOfFile(word, file.status().identity)) {
            const unsigned mode = (now & ~0222u) | (PermittedMode(now, *kept, false) & 0222u);
            if (mode != now) {
                detail::Preparing::SetModeBack(file, mode);
            }
        }
        return;
    }
    const auto request = KeptModeFor(word, *header, file.status().identity);
    if (request && request->bound && (ReadOnlyMode(request->mode) | kOwnerWrite) == now) {
        detail::Preparing::SetModeBack(file, ReadOnlyMode(request->mode));
    }
}

// What a file found plain keeps of an encryption that never began, or of a
// decryption done but for its words: the mode it should have, and no word.
void TidyPlainFile(PinnedFile& file) {
    PutBackModeAfterCut(file, nullptr);
    file.TakeOffWords(false);
}

// What both operations check before anything else: a plain file that is not
// empty, fits the layout, and is not held by another run; it is then open
// and locked. A file that carries an interrupted rewrite is only to be
// finished, which may fill its holes like any rewrite: it needs that room.
Preparation OpenChecked(platform::PlatformFile& files, const std::string& name,
                        std::int64_t largest, PinnedFile::Purpose purpose) {
    Preparation prepared = PinRegularFile(files, name);
    auto* file = std::get_if<PinnedFile>(&prepared);
    if (file == nullptr) {
        return prepared;
    }
    if (file->size() <= 0) {
        return Refusal::EmptyFile;
    }
    try {
        // A file that cannot be opened (held by another run, closed to
        // us) is said so, never passed over in silence.
        file->Open(purpose);
        switch (LookForJournal(*file)) {
            case journal::Found::Damaged:
                // A record that cannot be trusted is never applied, and the
                // file is not rewritten over it either.
                return Failure{FailureKind::RecordDamaged, 0};
            case journal::Found::Valid:
                if (!file->HasRoomFor(file->size())) {
                    return Refusal::DiskFull;
                }
                return prepared;
            case journal::Found::None: {
                const GrowthSeen growth = LookAtGrowthWord(*file);
                if (growth.found == GrowthSeen::RecordsInside) {
                    return Failure{FailureKind::RecordInside, 0};
                }
                if (growth.found == GrowthSeen::Interrupted) {
                    detail::Preparing::Found(*file, growth.before, growth.encrypted);
                    return prepared;
                }
                break;
            }
        }
        // A growth word a run cut short left beside a file it never changed
        // is of no use now; a kept mode is for the operation's checks to
        // judge, once they know whether the file is plain.
        if (purpose == PinnedFile::Purpose::Rewrite) {
            file->TakeOffWords(true);
        }
    } catch (const EngineFailure& e) {
        return e.failure();
    }
    if (file->size() > largest) {
        return Failure{FailureKind::FileTooLarge, EFBIG};
    }
    return prepared;
}

Preparation PrepareEncryptionOnce(platform::PlatformFile& files, const std::string& name) {
    Preparation prepared =
        OpenChecked(files, name, kLargestCount - kGrowth, PinnedFile::Purpose::Rewrite);
    auto* file = std::get_if<PinnedFile>(&prepared);
    if (file == nullptr || file->interrupted() || detail::Preparing::ExtendedFrom(*file)) {
        return prepared;
    }
    try {
        if (!file->HasRoomFor(file->size() + kGrowth)) {
            return Refusal::DiskFull;
        }
        if (const auto header = HeaderOf(*file); header && MarkerMatches(*header)) {
            PutBackModeAfterCut(*file, &*header);
            return Refusal::AlreadyEncrypted;
        }
        TidyPlainFile(*file);
    } catch (const EngineFailure& e) {
        return e.failure();
    }
    return prepared;
}

Preparation PrepareDecryptionFor(platform::PlatformFile& files, const std::string& name,
                                 PinnedFile::Purpose purpose) {
    Preparation prepared = OpenChecked(files, name, kLargestCount + kGrowth, purpose);
    auto* file = std::get_if<PinnedFile>(&prepared);
    if (file == nullptr || file->interrupted() || detail::Preparing::ExtendedFrom(*file)) {
        return prepared;
    }
    const auto plain = [&] {
        if (purpose == PinnedFile::Purpose::Rewrite) {
            TidyPlainFile(*file);
        }
        return Refusal::NotEncrypted;
    };
    try {
        const auto read = HeaderOf(*file);
        if (!read) {
            return plain();
        }
        const EncryptedFileHeader& header = *read;
        detail::Preparing::Found(*file, header);
        const std::int32_t stored = header.StoredFileSize;
        if (!MarkerMatches(header) || stored < 1) {
            return plain();
        }
        // Bytes added or cut off since the encryption: the body would be cut
        // in the wrong place and the rest lost. Where the records of an
        // interrupted encryption lie inside, bytes were added after it.
        if (file->size() != std::int64_t{stored} + kGrowth) {
            return Failure{RecordsInside(*file, stored) ? FailureKind::RecordInside
                                                        : FailureKind::SizeMismatch,
                           0};
        }
        if (purpose == PinnedFile::Purpose::Rewrite) {
            PutBackModeAfterCut(*file, &header);
        }
        if (!file->HasRoomFor(file->size())) {
            return Refusal::DiskFull;  // holes of a sparse file that cannot be filled
        }
    } catch (const EngineFailure& e) {
        return e.failure();
    }
    return prepared;
}

Preparation PrepareDecryptionOnce(platform::PlatformFile& files, const std::string& name) {
    return PrepareDecryptionFor(files, name, PinnedFile::Purpose::Rewrite);
}

// Cuts a file back to the size it had before its journal's first extension.
Outcome CutBack(PinnedFile& file, std::int64_t size) {
    return detail::RunToTheEnd(file, [&]() -> Outcome {
        file.BeginWriting();
        // The growth came after the moment the file was writable for its
        // open; a cut may have left it so.
        const bool encrypted = detail::Preparing::ExtendedEncrypted(file);
        const auto header = encrypted ? HeaderOf(file) : std::nullopt;
        PutBackModeAfterCut(file, header ? &*header : nullptr);
        detail::CheckedFile io(file.files(), file.handle());
        return detail::RewriteSession::CutBack(file, io, file.size(), size, encrypted,
                                               {file.originalMode(), false});
    });
}

// A file carrying the records of a rewrite that was cut short before it
// changed anything, or grown for records that never reached the disk, is put
// back as it was, and prepared again as any file.
Preparation WithoutUnbegunRecords(platform::PlatformFile& files, const std::string& name,
                                  Preparation (*prepare)(platform::PlatformFile&,
                                                         const std::string&)) {
    Preparation prepared = prepare(files, name);
    auto* file = std::get_if<PinnedFile>(&prepared);
    if (file == nullptr) {
        return prepared;
    }
    Outcome outcome;
    PinnedFile::PutBack putBack{journal::Operation::Encrypt, file->size(), 0};
    if (const auto from = detail::Preparing::ExtendedFrom(*file)) {
        putBack.to = *from;
        if (detail::Preparing::ExtendedEncrypted(*file)) {
            putBack.operation = journal::Operation::Decrypt;
        }
        outcome = CutBack(*file, *from);
    } else if (detail::InterruptedBeforeAnyChange(*file)) {
        putBack.to = file->interrupted()->sizeBefore;
        putBack.operation = file->interrupted()->operation;
        struct : ProgressSink {
            void Progress(int) override {}
        } unseen;
        outcome = FinishInterrupted(std::move(*file), unseen);
    } else {
        return prepared;
    }
    if (const auto* failure = std::get_if<Failure>(&outcome)) {
        return *failure;  // said as any failure to prepare the file
    }
    if (const auto* refusal = std::get_if<Refusal>(&outcome)) {
        return *refusal;  // no room to finish it: nothing was put back
    }
    // The user hears of it; to go on, the file is prepared again.
    Preparation again = PinRegularFile(files, name);
    if (auto* fresh = std::get_if<PinnedFile>(&again)) {
        detail::Preparing::Found(*fresh, putBack);
    }
    return again;
}

}  // namespace

Preparation PrepareEncryption(platform::PlatformFile& files, const std::string& name) {
    return WithoutUnbegunRecords(files, name, PrepareEncryptionOnce);
}

Preparation PrepareDecryption(platform::PlatformFile& files, const std::string& name) {
    return WithoutUnbegunRecords(files, name, PrepareDecryptionOnce);
}

Preparation LookAt(platform::PlatformFile& files, const std::string& name) {
    return PrepareDecryptionFor(files, name, PinnedFile::Purpose::Look);
}

}  // namespace kryvet
