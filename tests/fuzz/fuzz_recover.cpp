// An interrupted rewrite's records as crafted input: the file's bytes, with
// the checksums of its footer, records and tables made to hold again when
// asked, so that the numbers behind them are reached. Whatever the records
// say: no crash, nothing left open, no write outside the file, no
// permission the file did not have but the write bits, and a file that
// ends untouched, put back or finished at one of the rewrite's sizes.
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/crc32c.h"
#include "engine/file_attributes.h"
#include "engine/journal_record.h"
#include "engine/operations.h"
#include "support/memory_platform.h"

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

std::uint64_t Le(const std::string& s, std::size_t at, std::size_t bytes) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        v |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(s[at + i])) << (8 * i);
    return v;
}

void Seal(std::string& s, std::size_t at, std::size_t length) {
    const std::uint32_t crc = kryvet::Crc32c(0, s.data() + at, length);
    std::memcpy(s.data() + at + length, &crc, 4);
}

// Where the footer, a record and a record's table keep their checksums.
constexpr std::size_t kFooterSealed = 76;
constexpr std::size_t kRecordSealed = 270;
constexpr std::size_t kRecordTableLength = 60;
constexpr std::size_t kRecordTableCrc = 64;

// Makes every checksum of the journal at the end of `f` hold again.
void Reseal(std::string& f) {
    if (f.size() < 512 || f.compare(f.size() - 512, 8, "KryvJrnl") != 0)
        return;
    const std::size_t footer = f.size() - 512;
    const std::uint64_t at = Le(f, footer + 36, 8);
    const std::uint64_t slot = Le(f, footer + 44, 8);
    for (std::uint64_t i = 0; i < 2; ++i) {
        const std::uint64_t sector = at + i * slot;
        if (at > f.size() || slot > f.size() || sector + 512 > footer ||
            f.compare(sector, 8, "KryvRecd") != 0)
            continue;
        const std::uint64_t length = Le(f, sector + kRecordTableLength, 4);
        if (sector + 512 + length <= f.size()) {
            const std::uint32_t crc =
                kryvet::Crc32c(0, f.data() + sector + 512, static_cast<std::size_t>(length));
            std::memcpy(f.data() + sector + kRecordTableCrc, &crc, 4);
        }
        Seal(f, sector, kRecordSealed);
    }
    Seal(f, footer, kFooterSealed);
}

struct Unseen : kryvet::ProgressSink {
    void Progress(int) override {}
};

}  // namespace

// Input: an options byte, then the file. Options: bits 0-1 unit blocks - 1,
// bit 2 reseal, bit 3 the decrypt button, bit 4 the user agrees to records
// of another file, bits 5-6 the file's mode.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t options = data[0];
    std::string file(reinterpret_cast<const char*>(data + 1), size - 1);
    if ((options & 4) != 0)
        Reseal(file);
    static const unsigned kModes[] = {0644, 0444, 0600, 04755};
    const unsigned mode = kModes[(options >> 5) & 3];
    MemoryPlatform files;
    files.Add("f", file);
    files.files["f"].attributes = kryvet::AttributeWordFromMode(mode);

    // The sizes an interrupted rewrite may leave the file at, seen without
    // changing it; preparation itself may already put it back.
    std::int64_t sizes[2] = {-1, -1};
    if (kryvet::Preparation look = kryvet::LookAt(files, "f");
        auto* seen = std::get_if<kryvet::PinnedFile>(&look)) {
        if (seen->interrupted()) {
            sizes[0] = seen->interrupted()->sizeBefore;
            sizes[1] = seen->interrupted()->sizeAfter;
        }
    }
    kryvet::Preparation prepared = (options & 8) != 0 ? kryvet::PrepareDecryption(files, "f")
                                                      : kryvet::PrepareEncryption(files, "f");
    if (auto* pinned = std::get_if<kryvet::PinnedFile>(&prepared);
        pinned && pinned->interrupted()) {
        Unseen unseen;
        const auto trust =
            (options & 16) != 0 ? kryvet::RecordTrust::UserAgreed : kryvet::RecordTrust::OwnOnly;
        kryvet::FinishInterrupted(std::move(*pinned), unseen, {1 + (options & 3)}, trust);
    }
    prepared = kryvet::Refusal::EmptyName;  // closes the file of a run not taken further

    Require(files.OpenHandles() == 0);
    Require(!files.termininationHeld);
    Require(files.negativeWrites == 0);
    const std::string& out = files.Data("f");
    const unsigned now = (static_cast<std::uint32_t>(files.files["f"].attributes) >> 16) & 07777u;
    // Nothing granted but the owner's write bit: no word was kept with the
    // file, so nothing can give the group's or others' back.
    Require((now & ~(mode | 0200u)) == 0);
    Require(out.size() <= file.size());  // nothing written past the end
    if (out == file) {
        Require(now == mode);
        return 0;
    }
    const auto length = static_cast<std::int64_t>(out.size());
    Require(length == sizes[0] || length == sizes[1] ||
            length == static_cast<std::int64_t>(file.size()));
    return 0;
}
