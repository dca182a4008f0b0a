#include "engine/journal_record.h"

#include <algorithm>
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

void PutOpening(Writer& w, const std::array<std::uint8_t, 8>& magic, Operation operation,
                std::int64_t sizeBefore, std::int64_t sizeAfter, unsigned modeBefore) {
    w.Put(magic);
    w.Put(kVersion);
    w.Put(static_cast<std::uint32_t>(operation));
    w.Put(sizeBefore);
    w.Put(sizeAfter);
    w.Put(static_cast<std::uint32_t>(modeBefore));
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

std::int64_t WriteEnd(Operation operation, std::int64_t sizeBefore) {
    return operation == Operation::Encrypt ? sizeBefore + kHeaderSize : sizeBefore - kHeaderSize;
}

std::optional<Plan> PlanJournal(std::int64_t sizeBefore, std::int64_t sizeAfter,
                                std::int64_t writeSpan, std::int32_t unit, std::int64_t wanted,
                                std::int64_t spare) {
    // A region is whole units, so that the mask and the carry line up at
    // its start; no larger than the rewrite itself.
    std::int64_t region = std::max<std::int64_t>(wanted / unit, 1) * unit;
    region = std::min(region, RoundUp(std::max<std::int64_t>(writeSpan, 1), unit));
    for (; region >= unit; region = region / 2 / unit * unit) {
        Plan plan;
        plan.region = region;
        plan.slotBytes =
            kSector +
            RoundUp(std::max<std::int64_t>(TableBytes(std::min(region, writeSpan)), 1), kSector);
        plan.at = RoundUp(std::max(sizeBefore, sizeAfter), kAlignment);
        if (spare >= SpaceNeeded(plan, sizeBefore, sizeAfter)) {
            return plan;
        }
    }
    return std::nullopt;
}

std::int64_t SpaceNeeded(const Plan& plan, std::int64_t sizeBefore, std::int64_t sizeAfter) {
    return plan.end() - std::max(sizeBefore, sizeAfter);
}

Sector EncodeFooter(const Footer& footer) {
    Sector s{};
    Writer w(s);
    PutOpening(w, kFooterMagic, footer.operation, footer.sizeBefore, footer.sizeAfter,
               footer.modeBefore);
    w.Put(footer.plan.at);
    w.Put(footer.plan.slotBytes);
    w.Put(footer.plan.region);
    w.Seal();
    return s;
}

Found DecodeFooter(const Sector& s, std::int64_t fileSize, Footer& footer) {
    Reader r(s);
    const Opening o = GetOpening(r);
    if (o.magic != kFooterMagic) {
        return Found::None;
    }
    const std::uint32_t version = o.version;
    const std::uint32_t operation = o.operation;
    footer.operation = static_cast<Operation>(operation);
    footer.sizeBefore = o.sizeBefore;
    footer.sizeAfter = o.sizeAfter;
    footer.modeBefore = o.modeBefore;
    footer.plan.at = r.Get<std::int64_t>();
    footer.plan.slotBytes = r.Get<std::int64_t>();
    footer.plan.region = r.Get<std::int64_t>();
    if (!r.SealHolds() || version != kVersion) {
        return Found::Damaged;
    }
    const Plan& p = footer.plan;
    const bool sane =
        (operation == 1 || operation == 2) && footer.sizeBefore > 0 && footer.sizeAfter > 0 &&
        p.at >= std::max(footer.sizeBefore, footer.sizeAfter) && p.at % kAlignment == 0 &&
        p.slotBytes > kSector && p.slotBytes % kSector == 0 && p.region > 0 &&
        p.region % kBlockSize == 0 && p.end() == fileSize;
    return sane ? Found::Valid : Found::Damaged;
}

Sector EncodeRecord(const Record& record) {
    Sector s{};
    Writer w(s);
    PutOpening(w, kRecordMagic, record.operation, record.sizeBefore, record.sizeAfter,
               record.modeBefore);
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
    if (o.magic != kRecordMagic || !r.SealHolds() || o.version != kVersion) {
        return std::nullopt;
    }
    const Plan& p = footer.plan;
    const bool belongs =
        record.operation == footer.operation && record.sizeBefore == footer.sizeBefore &&
        record.sizeAfter == footer.sizeAfter && record.modeBefore == footer.modeBefore &&
        record.from >= 0 && record.from % p.region == 0 && record.until == record.from + p.region &&
        record.dataLength ==
            TableBytes(std::min(record.until, WriteEnd(record.operation, record.sizeBefore)) -
                       record.from) &&
        record.dataLength <= p.slotBytes - kSector;
    if (!belongs) {
        return std::nullopt;
    }
    return record;
}

}  // namespace kryvet::journal
