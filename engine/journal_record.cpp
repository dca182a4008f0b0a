#include "engine/journal_record.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/crc32c.h"

namespace kryvet::journal {

namespace {

constexpr std::array<std::uint8_t, 8> kFooterMagic = {'K', 'r', 'y', 'v', 'J', 'r', 'n', 'l'};
constexpr std::array<std::uint8_t, 8> kRecordMagic = {'K', 'r', 'y', 'v', 'R', 'e', 'c', 'd'};

std::int64_t RoundUp(std::int64_t value, std::int64_t step) {
    return (value + step - 1) / step * step;
}

class Writer {
public:
    explicit Writer(Sector& s) : s_(s) {}
    template <typename T>
    void Put(T value) {
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            s_[at_++] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
        }
    }
    template <std::size_t N>
    void Put(const std::array<std::uint8_t, N>& bytes) {
        std::copy(bytes.begin(), bytes.end(), s_.begin() + static_cast<std::ptrdiff_t>(at_));
        at_ += N;
    }
    // Seals what was written so far with its checksum.
    void Seal() { Put(Crc32c(0, s_.data(), at_)); }

private:
    Sector& s_;
    std::size_t at_ = 0;
};

class Reader {
public:
    explicit Reader(const Sector& s) : s_(s) {}
    template <typename T>
    T Get() {
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            v |= static_cast<std::uint64_t>(s_[at_++]) << (8 * i);
        }
        return static_cast<T>(v);
    }
    template <std::size_t N>
    void Get(std::array<std::uint8_t, N>& bytes) {
        std::copy_n(s_.begin() + static_cast<std::ptrdiff_t>(at_), N, bytes.begin());
        at_ += N;
    }
    bool SealHolds() {
        const std::uint32_t expected = Crc32c(0, s_.data(), at_);
        return Get<std::uint32_t>() == expected;
    }

private:
    const Sector& s_;
    std::size_t at_ = 0;
};

// What the footer and every record both open with: which rewrite they
// belong to.
struct Opening {
    std::array<std::uint8_t, 8> magic{};
    std::uint32_t version = 0;
    std::uint32_t operation = 0;
    std::int64_t sizeBefore = 0;
    std::int64_t sizeAfter = 0;
    unsigned modeBefore = 0;
};

template <typename Made>
void PutOpening(Writer& w, const std::array<std::uint8_t, 8>& magic, const Made& made) {
    w.Put(magic);
    w.Put(kVersion);
    w.Put(static_cast<std::uint32_t>(made.operation));
    w.Put(made.sizeBefore);
    w.Put(made.sizeAfter);
    w.Put(static_cast<std::uint32_t>(made.modeBefore));
}

Opening GetOpening(Reader& r) {
    Opening o;
    r.Get(o.magic);
    o.version = r.Get<std::uint32_t>();
    o.operation = r.Get<std::uint32_t>();
    o.sizeBefore = r.Get<std::int64_t>();
    o.sizeAfter = r.Get<std::int64_t>();
    o.modeBefore = r.Get<std::uint32_t>();
    return o;
}

}  // namespace

std::int64_t TableBytes(std::int64_t length) {
    return (std::max<std::int64_t>(length, 0) + kSector - 1) / kSector * kEntryBytes;
}

namespace {

// A slot: its record sector, then the table of a region's sectors.
std::int64_t SlotBytesFor(std::int64_t region, std::int64_t writeSpan) {
    return kSector +
           RoundUp(std::max<std::int64_t>(TableBytes(std::min(region, writeSpan)), 1), kSector);
}

}  // namespace

std::int64_t WriteEnd(Operation operation, std::int64_t sizeBefore) {
    return operation == Operation::Encrypt ? sizeBefore + kHeaderSize : sizeBefore - kHeaderSize;
}

std::int64_t SizeAfter(Operation operation, std::int64_t sizeBefore) {
    return operation == Operation::Encrypt ? sizeBefore + kGrowth : sizeBefore - kGrowth;
}

std::optional<Plan> PlanJournal(Operation operation, std::int64_t sizeBefore, std::int32_t unit,
                                std::int64_t wanted, std::int64_t spare) {
    const std::int64_t writeSpan = WriteEnd(operation, sizeBefore);
    const std::int64_t larger = std::max(sizeBefore, SizeAfter(operation, sizeBefore));
    // A region is whole units, so that the mask and the carry line up at
    // its start; no larger than the rewrite itself.
    std::int64_t region =
        std::max<std::int64_t>(std::min(wanted, kLargestPlannedRegion) / unit, 1) * unit;
    region = std::min(region, RoundUp(std::max<std::int64_t>(writeSpan, 1), unit));
    for (; region >= unit; region = region / 2 / unit * unit) {
        Plan plan;
        plan.region = region;
        plan.slotBytes = SlotBytesFor(region, writeSpan);
        plan.at = RoundUp(larger, kAlignment);
        if (spare >= plan.end() - larger) {
            return plan;
        }
    }
    return std::nullopt;
}

std::string ExtensionWord(std::int64_t sizeBefore, const Plan& plan,
                          const platform::FileIdentity& file) {
    return std::to_string(sizeBefore) + ":" + std::to_string(plan.end()) + ":" +
           std::to_string(file.device) + ":" + std::to_string(file.inode);
}

namespace {

// Whether a plan of `operation` for a file of `before` bytes can end at `end`.
bool PlanCanEnd(Operation operation, std::int64_t before, std::int64_t end) {
    const std::int64_t writeSpan = WriteEnd(operation, before);
    if (writeSpan < 1) {
        return false;
    }
    const std::int64_t at = RoundUp(std::max(before, SizeAfter(operation, before)), kAlignment);
    const std::int64_t slots = end - at - kSector;
    if (slots <= 0 || slots % 2 != 0) {
        return false;
    }
    const std::int64_t table = slots / 2 - kSector;
    const std::int64_t largest =
        RoundUp(TableBytes(std::min(kLargestPlannedRegion, writeSpan)), kSector);
    return table >= kSector && table % kSector == 0 && table <= largest;
}

}  // namespace

std::optional<Growth> ReadExtensionWord(const std::string& word,
                                        const platform::FileIdentity& file) {
    unsigned long long before = 0;
    unsigned long long end = 0;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    char rest = 0;
    if (std::sscanf(word.c_str(), "%llu:%llu:%llu:%llu%c", &before, &end, &device, &inode, &rest) !=
            4 ||
        platform::FileIdentity{device, inode} != file || before == 0 ||
        before > static_cast<unsigned long long>(kLargestCount) + kGrowth || end <= before ||
        end - before > (std::uint64_t{1} << 30)) {
        return std::nullopt;
    }
    Growth growth{static_cast<std::int64_t>(before), static_cast<std::int64_t>(end)};
    growth.byEncryption = before <= kLargestCount - kGrowth &&
                          PlanCanEnd(Operation::Encrypt, growth.before, growth.end);
    growth.byDecryption =
        before > kGrowth && PlanCanEnd(Operation::Decrypt, growth.before, growth.end);
    if (!growth.byEncryption && !growth.byDecryption) {
        return std::nullopt;
    }
    return growth;
}

bool IsBlank(const Sector& sector) {
    return std::all_of(sector.begin(), sector.end(), [](std::uint8_t b) { return b == 0; });
}

Sector EncodeFooter(const Footer& footer) {
    Sector s{};
    Writer w(s);
    PutOpening(w, kFooterMagic, footer);
    w.Put(footer.plan.at);
    w.Put(footer.plan.slotBytes);
    w.Put(footer.plan.region);
    w.Put(footer.file.device);
    w.Put(footer.file.inode);
    w.Seal();
    return s;
}

namespace {

// The sizes of a rewrite the layout can hold: a plain file of 1 byte up
// to the largest count, and its encrypted form 128 bytes longer.
bool SizesFit(std::uint32_t operation, std::int64_t before, std::int64_t after) {
    const std::int64_t plain = operation == 1 ? before : after;
    const std::int64_t encrypted = operation == 1 ? after : before;
    return (operation == 1 || operation == 2) && plain >= 1 && plain <= kLargestCount &&
           encrypted == plain + kGrowth;
}

// Whether the plan is the one a rewrite of these sizes makes and ends the
// file. The sizes are checked first, so nothing here can overflow.
bool PlanFits(const Footer& footer, std::int64_t fileSize) {
    const Plan& p = footer.plan;
    constexpr std::int64_t kLargestRegion = std::int64_t{1} << 31;
    if (p.region <= 0 || p.region > kLargestRegion || p.region % kBlockSize != 0) {
        return false;
    }
    const std::int64_t writeSpan = WriteEnd(footer.operation, footer.sizeBefore);
    return p.at == RoundUp(std::max(footer.sizeBefore, footer.sizeAfter), kAlignment) &&
           p.slotBytes == SlotBytesFor(p.region, writeSpan) && p.end() == fileSize;
}

}  // namespace

Found DecodeFooter(const Sector& s, std::int64_t fileSize, const platform::FileIdentity& file,
                   Footer& footer) {
    Reader r(s);
    const Opening o = GetOpening(r);
    if (o.magic != kFooterMagic) {
        return Found::None;
    }
    footer.version = o.version;
    footer.operation = static_cast<Operation>(o.operation);
    footer.sizeBefore = o.sizeBefore;
    footer.sizeAfter = o.sizeAfter;
    footer.modeBefore = o.modeBefore;
    footer.plan.at = r.Get<std::int64_t>();
    footer.plan.slotBytes = r.Get<std::int64_t>();
    footer.plan.region = r.Get<std::int64_t>();
    if (o.version == kVersion) {
        footer.file.device = r.Get<std::uint64_t>();
        footer.file.inode = r.Get<std::uint64_t>();
    } else {
        footer.file = {};
    }
    if (!r.SealHolds() || (o.version != kVersion && o.version != kUnboundVersion)) {
        return Found::Damaged;
    }
    footer.madeForThisFile = o.version == kVersion && footer.file == file;
    const bool sane = SizesFit(o.operation, o.sizeBefore, o.sizeAfter) && o.modeBefore <= 07777u &&
                      PlanFits(footer, fileSize);
    return sane ? Found::Valid : Found::Damaged;
}

Sector EncodeRecord(const Record& record) {
    Sector s{};
    Writer w(s);
    PutOpening(w, kRecordMagic, record);
    w.Put(record.sequence);
    w.Put(record.from);
    w.Put(record.until);
    w.Put(record.dataLength);
    w.Put(record.dataCrc);
    w.Put(static_cast<std::uint32_t>(record.modeAfter));
    w.Put(record.header);
    w.Put(record.trailer);
    w.Put(record.carry);
    w.Seal();
    return s;
}

std::optional<Record> DecodeRecord(const Sector& s, const Footer& footer) {
    Reader r(s);
    const Opening o = GetOpening(r);
    Record record;
    record.operation = static_cast<Operation>(o.operation);
    record.sizeBefore = o.sizeBefore;
    record.sizeAfter = o.sizeAfter;
    record.modeBefore = o.modeBefore;
    record.sequence = r.Get<std::uint64_t>();
    record.from = r.Get<std::int64_t>();
    record.until = r.Get<std::int64_t>();
    record.dataLength = r.Get<std::uint32_t>();
    record.dataCrc = r.Get<std::uint32_t>();
    record.modeAfter = r.Get<std::uint32_t>();
    r.Get(record.header);
    r.Get(record.trailer);
    r.Get(record.carry);
    // Records are written as today's version; those of an older footer's
    // run, before it was finished here, are of its version.
    if (o.magic != kRecordMagic || !r.SealHolds() ||
        (o.version != kVersion && o.version != footer.version)) {
        return std::nullopt;
    }
    const Plan& p = footer.plan;
    // The footer's sizes and plan are sound, so this arithmetic is bounded;
    // the sequence is checked against the region before it is multiplied.
    const std::int64_t writeEnd = WriteEnd(footer.operation, footer.sizeBefore);
    const std::int64_t regions = (writeEnd + p.region - 1) / p.region;
    const EncryptedFileHeader header = ParseHeader(record.header);
    const std::int64_t plain =
        footer.operation == Operation::Encrypt ? footer.sizeBefore : footer.sizeAfter;
    const bool belongs =
        record.operation == footer.operation && record.sizeBefore == footer.sizeBefore &&
        record.sizeAfter == footer.sizeAfter && record.modeBefore == footer.modeBefore &&
        record.sequence >= 1 && record.sequence <= static_cast<std::uint64_t>(regions) &&
        record.from == static_cast<std::int64_t>(record.sequence - 1) * p.region &&
        record.until == record.from + p.region &&
        record.dataLength == TableBytes(std::min(record.until, writeEnd) - record.from) &&
        record.dataLength <= p.slotBytes - kSector && record.modeAfter <= 07777u &&
        MarkerMatches(header) && header.StoredFileSize == plain;
    if (!belongs) {
        return std::nullopt;
    }
    return record;
}

}  // namespace kryvet::journal
