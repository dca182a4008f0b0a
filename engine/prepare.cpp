#include <cerrno>

#include "engine/operations.h"
#include "engine/rewrite_io.h"

namespace kryvet {

namespace {

// Largest count the layout can hold.
constexpr std::int64_t kMaxLayoutSize = 2147483647;

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
    const journal::Found found = journal::DecodeFooter(sector, file.size(), footer);
    if (found == journal::Found::Valid) {
        file.interrupted = footer;
    }
    return found;
}

// A file beyond the layout's sizes may still be an interrupted rewrite of one
// within them, its journal appended.
bool IsInterruptedRewrite(PinnedFile& file) {
    try {
        file.OpenForRewrite();
        return LookForJournal(file) == journal::Found::Valid;
    } catch (const EngineFailure&) {
        return false;
    }
}

// What both operations check before anything else: a plain file that is not
// empty, fits the layout, and is not held by another program; it is then
// open and locked for the rewrite.
Preparation OpenChecked(platform::PlatformFile& files, const std::string& name,
                        std::int64_t largest) {
    Preparation prepared = PinRegularFile(files, name);
    auto* file = std::get_if<PinnedFile>(&prepared);
    if (file == nullptr) {
        return prepared;
    }
    file->AllowWriting();
    if (file->size() <= 0) {
        return Refusal::EmptyFile;
    }
    if (file->size() > largest) {
        if (IsInterruptedRewrite(*file)) {
            return prepared;
        }
        return Failure{FailureKind::FileTooLarge, EFBIG};
    }
    try {
        // A file that cannot be opened for the rewrite (held by another
        // program, on a read-only disk, closed to us) is said so, never
        // passed over in silence.
        file->OpenForRewrite();
        // A record that cannot be trusted is never applied, and the file
        // is not rewritten over it either.
        if (LookForJournal(*file) == journal::Found::Damaged) {
            return Failure{FailureKind::RecordDamaged, 0};
        }
    } catch (const EngineFailure& e) {
        return e.failure();
    }
    return prepared;
}

bool StartsWithMarker(PinnedFile& file) {
    if (file.size() <= kGrowth) {
        return false;  // never read: too short to carry the layout
    }
    HeaderImage image{};
    detail::CheckedFile(file.files(), file.handle()).ReadExactly(0, image.data(), kHeaderSize);
    return MarkerMatches(ParseHeader(image));
}

}  // namespace

Preparation PrepareEncryption(platform::PlatformFile& files, const std::string& name) {
    Preparation prepared = OpenChecked(files, name, kMaxLayoutSize - kGrowth);
    auto* file = std::get_if<PinnedFile>(&prepared);
    if (file == nullptr || file->interrupted) {
        return prepared;
    }
    try {
        if (!file->HasRoomFor(file->size() + kGrowth)) {
            return Refusal::DiskFull;
        }
        if (StartsWithMarker(*file)) {
            return Refusal::AlreadyEncrypted;
        }
    } catch (const EngineFailure& e) {
        return e.failure();
    }
    return prepared;
}

Preparation PrepareDecryption(platform::PlatformFile& files, const std::string& name) {
    Preparation prepared = OpenChecked(files, name, kMaxLayoutSize + kGrowth);
    auto* file = std::get_if<PinnedFile>(&prepared);
    if (file == nullptr || file->interrupted) {
        return prepared;
    }
    if (file->size() <= kGrowth) {
        return Refusal::NotEncrypted;
    }
    try {
        HeaderImage image{};
        detail::CheckedFile(files, file->handle()).ReadExactly(0, image.data(), kHeaderSize);
        file->header = ParseHeader(image);
        // A body that is not whole would be cut in the wrong place: such a
        // header cannot have come from an encryption of this file.
        const std::int32_t stored = file->header.StoredFileSize;
        if (!MarkerMatches(file->header) || stored < 1 || stored > file->size() - kHeaderSize) {
            return Refusal::NotEncrypted;
        }
        if (!file->HasRoomFor(file->size())) {
            return Refusal::DiskFull;  // holes of a sparse file that cannot be filled
        }
    } catch (const EngineFailure& e) {
        return e.failure();
    }
    return prepared;
}

}  // namespace kryvet
