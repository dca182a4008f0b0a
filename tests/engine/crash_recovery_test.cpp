// Crashes at every point of a journaled rewrite, replayed as a disk would
// leave them: what was flushed, any subset of the writes since, the write in
// flight torn at 512-byte sectors. Recovery must then give exactly the file
// as it was or exactly the finished file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iostream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/crc32c.h"
#include "engine/file_attributes.h"
#include "engine/journal_record.h"
#include "engine/operations.h"
#include "support/engine_run.h"
#include "support/memory_platform.h"

using namespace kryvet;

namespace {

using Event = MemoryPlatform::Event;

std::string Bytes(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    for (auto& c : out)
        c = static_cast<char>(rng());
    return out;
}

// The devices a crash is replayed on, stated once. Everything before a full
// flush (FlushAll) is on the disk, and so are the writes and cuts before a
// flush of the data (Flush). What came after reaches the disk in part: any
// subset of the pending writes and cuts, the one in flight torn at 512-byte
// sectors, and of the pending modes and words those made first (a journal
// keeps their order). Besides:
//  - Ordered (ext4's default, XFS, Btrfs): nothing more.
//  - Writeback (ext4 with data=writeback): a write that grew the file may
//    reach the disk as its new size alone, zeros where its bytes should be.
// A copy-on-write disk that has no room left to overwrite is not a crash
// but a fault (MemoryPlatform::overwriteRoom): its failure path, and the
// next press, are then crashed like any run.
enum class Device { Ordered, Writeback };

// What a crash leaves: the bytes, the attribute word and the kept words.
struct Disk {
    std::string data;
    std::int32_t attributes = 0;
    std::string keptMode;
    std::string keptExtension;
    bool operator==(const Disk&) const = default;
};

void Apply(Disk& disk, const Event& e) {
    std::string& file = disk.data;
    if (e.kind == Event::Mode) {
        disk.attributes = AttributeWordFromMode(static_cast<unsigned>(e.at));
    } else if (e.kind == Event::Word) {
        (e.at == 0 ? disk.keptMode : disk.keptExtension) = e.bytes;
    } else if (e.kind == Event::Cut) {
        file.resize(static_cast<std::size_t>(e.at), '\0');
    } else if (e.kind == Event::Write) {
        const auto end = static_cast<std::size_t>(e.at) + e.bytes.size();
        if (file.size() < end)
            file.resize(end, '\0');
        file.replace(static_cast<std::size_t>(e.at), e.bytes.size(), e.bytes);
    }
}

// The sectors of a write that reached the disk: those whose bit is set.
void ApplyTorn(Disk& file, const Event& e, std::uint64_t sectors) {
    if (e.kind != Event::Write) {
        if (sectors & 1)
            Apply(file, e);
        return;
    }
    std::int64_t at = e.at;
    std::size_t taken = 0;
    for (int i = 0; taken < e.bytes.size(); ++i) {
        const std::int64_t next = (at / 512 + 1) * 512;
        const auto n =
            std::min<std::size_t>(static_cast<std::size_t>(next - at), e.bytes.size() - taken);
        if (sectors >> (i % 64) & 1)
            Apply(file, Event{Event::Write, at, e.bytes.substr(taken, n)});
        at += static_cast<std::int64_t>(n);
        taken += n;
    }
}

// Which of the pending events a crash state keeps, bit by bit.
struct Pick {
    std::uint64_t data = 0;
    std::uint64_t torn = 0;
    std::uint64_t meta = 0;      // how many are kept
    std::uint64_t sizeOnly = 0;  // Writeback: growths kept as their size alone
};

// The disk after a crash before event k of `events`, started on `before`.
Disk CrashState(const Disk& before, const std::vector<Event>& events, std::size_t k, Device device,
                const Pick& pick) {
    std::size_t allFlushed = 0;
    std::size_t dataFlushed = 0;
    std::size_t metaPending = 0;
    for (std::size_t i = 0; i < k; ++i) {
        if (events[i].kind == Event::FlushAll) {
            allFlushed = dataFlushed = i + 1;
            metaPending = 0;
        } else if (events[i].kind == Event::Flush) {
            dataFlushed = i + 1;
        } else if (events[i].metadata()) {
            ++metaPending;
        }
    }
    const std::uint64_t metaKept = pick.meta % (metaPending + 1);
    Disk disk = before;
    std::uint64_t meta = 0;
    std::uint64_t data = 0;
    for (std::size_t i = 0; i < k; ++i) {
        const Event& e = events[i];
        if (i < allFlushed || (!e.metadata() && i < dataFlushed)) {
            Apply(disk, e);
        } else if (e.metadata()) {
            const std::uint64_t n = meta++;
            if (n < metaKept)
                Apply(disk, e);
        } else if (e.kind == Event::Write || e.kind == Event::Cut) {
            const std::uint64_t n = data++;
            if (pick.data >> (n % 64) & 1) {
                Apply(disk, e);
            } else if (device == Device::Writeback && e.kind == Event::Write &&
                       (pick.sizeOnly >> (n % 64) & 1) != 0) {
                const auto end = static_cast<std::size_t>(e.at) + e.bytes.size();
                disk.data.resize(std::max(disk.data.size(), end), '\0');
            }
        }
    }
    // A mode or word in flight comes after all the others, or not at all.
    if (k < events.size() && (!events[k].metadata() || metaKept == metaPending))
        ApplyTorn(disk, events[k], pick.torn);
    return disk;
}

Disk DiskOf(MemoryPlatform& files) {
    const MemoryPlatform::File& f = files.files["f"];
    return {f.data, f.attributes, f.keptMode, f.keptExtension};
}

void Put(MemoryPlatform& files, const Disk& disk) {
    files.Add("f", disk.data);
    MemoryPlatform::File& f = files.files["f"];
    f.attributes = disk.attributes;
    f.keptMode = disk.keptMode;
    f.keptExtension = disk.keptExtension;
}

struct Rewrite {
    Disk before;
    Disk after;
    std::vector<Event> events;
};

Rewrite Record(bool encrypt, const Disk& before, RewriteOptions options) {
    MemoryPlatform files;
    Put(files, before);
    files.recordEvents = true;
    EngineRun run(files);
    run.options = options;
    encrypt ? run.Encrypt("pw") : run.Decrypt("pw");
    return {before, DiskOf(files), files.events};
}

// An encrypted file is read-only, as encryption leaves it.
Rewrite Record(bool encrypt, const std::string& input, RewriteOptions options) {
    const std::int32_t attributes =
        encrypt ? AttributeWordFromMode(0644) : kAttrReadOnly | (0444 << 16);
    return Record(encrypt, Disk{input, attributes, {}, {}}, options);
}

// The file's bytes when a rewrite stopped after its first `events` events,
// everything written so far on the disk.
std::string StoppedAfter(const Rewrite& run, std::size_t events) {
    Disk disk = run.before;
    for (std::size_t i = 0; i < events; ++i)
        Apply(disk, run.events[i]);
    return disk.data;
}

// Names the file after the crash and prepares it for either operation: an
// interrupted rewrite is finished without a password.
Disk Recover(const Disk& crashed, bool encryptButton, std::string& problem, bool& recovered) {
    MemoryPlatform files;
    Put(files, crashed);
    EngineRun run(files);
    run.options = {3};
    const std::string said = encryptButton ? run.Encrypt() : run.Decrypt();
    if (said.rfind("failed:", 0) == 0)
        problem = said;
    recovered = run.finishedInterrupted && said.empty();
    if (files.OpenHandles() != 0)
        problem = "a file was left open";
    return DiskOf(files);
}

// Whether a crash state, once the next press is done with it, is the file as
// it was or as the rewrite leaves it; `loose` allows the mode of a read-only
// file that was made writable for its open and cut before its first flush.
struct Verdict {
    bool asBefore = false;
    bool asAfter = false;
    bool recovered = false;
    std::string problem;
    Disk result;
};

Verdict Judge(const Rewrite& run, const Disk& crashed, bool encryptButton, bool loose) {
    Verdict v;
    const Disk result = Recover(crashed, encryptButton, v.problem, v.recovered);
    v.result = result;
    Disk before = run.before;
    if (loose)
        before.attributes = result.attributes;
    v.asBefore = result == before;
    v.asAfter = result == run.after;
    return v;
}

// The identity of the first file a MemoryPlatform adds: records made by
// Record() name it, and Recover() finds them made for its file.
const platform::FileIdentity kFirstFile{1, 100};

std::string WithSector(std::string file, std::int64_t at, const journal::Sector& sector) {
    file.replace(static_cast<std::size_t>(at), sector.size(),
                 reinterpret_cast<const char*>(sector.data()), sector.size());
    return file;
}

journal::Footer FooterOf(const std::string& file) {
    journal::Sector last{};
    std::copy_n(file.end() - 512, 512, last.begin());
    journal::Footer footer;
    EXPECT_EQ(
        journal::DecodeFooter(last, static_cast<std::int64_t>(file.size()), kFirstFile, footer),
        journal::Found::Valid);
    return footer;
}

journal::Record NewestRecord(const std::string& file, const journal::Footer& footer) {
    journal::Record newest;
    for (int slot = 0; slot < 2; ++slot) {
        journal::Sector sector{};
        std::copy_n(file.begin() + footer.plan.at + slot * footer.plan.slotBytes, 512,
                    sector.begin());
        if (const auto record = journal::DecodeRecord(sector, footer);
            record && record->sequence > newest.sequence)
            newest = *record;
    }
    return newest;
}

std::string WithRecord(const std::string& file, const journal::Footer& footer,
                       const journal::Record& record) {
    return WithSector(file, footer.plan.dataAt(record.sequence) - 512,
                      journal::EncodeRecord(record));
}

// The payload, then the records' footer of an encryption of it that had
// changed nothing yet.
std::string NothingBegun(const std::string& payload, unsigned modeBefore,
                         platform::FileIdentity file) {
    const auto size = static_cast<std::int64_t>(payload.size());
    const journal::Plan plan = *journal::PlanJournal(journal::Operation::Encrypt, size, 512,
                                                     3 * 512, std::int64_t{1} << 30);
    std::string data = payload;
    data.resize(static_cast<std::size_t>(plan.end()), '\0');
    const journal::Footer footer{
        journal::Operation::Encrypt, size, size + kGrowth, modeBefore, plan, file};
    return WithSector(data, plan.footerAt(), journal::EncodeFooter(footer));
}

// The footer as version 2 wrote it: no file named, the checksum after the plan.
std::string AsVersionTwo(const std::string& file) {
    journal::Sector last{};
    std::copy_n(file.end() - 512, 512, last.begin());
    last[8] = 2;
    std::fill(last.begin() + 60, last.end(), 0);
    const std::uint32_t crc = Crc32c(0, last.data(), 60);
    std::memcpy(last.data() + 60, &crc, 4);
    return WithSector(file, static_cast<std::int64_t>(file.size()) - 512, last);
}

struct Finished {
    std::string error;
    std::string data;
    unsigned mode = 0;
};

// Prepares the file for decryption and finishes what it carries; records of
// a rewrite that changed nothing preparation drops itself.
Finished FinishCrafted(const std::string& data, unsigned mode, RecordTrust trust,
                       const std::function<void(MemoryPlatform&)>& meanwhile = {}) {
    MemoryPlatform files;
    files.Add("f", data);
    files.files["f"].attributes = AttributeWordFromMode(mode);
    if (meanwhile)
        meanwhile(files);
    Finished out;
    Preparation prepared = PrepareDecryption(files, "f");
    auto* file = std::get_if<PinnedFile>(&prepared);
    if (const auto* failure = std::get_if<Failure>(&prepared)) {
        out.error = Said(*failure);
    } else if (file == nullptr) {
        const bool plain = std::get<Refusal>(prepared) == Refusal::NotEncrypted;
        out.error = plain ? "not encrypted" : "refused";
    } else if (file->putBack()) {
        out.error = "put back";
        file->Close();
    } else if (file->interrupted()) {
        struct : ProgressSink {
            void Progress(int) override {}
        } unseen;
        const Outcome outcome = FinishInterrupted(std::move(*file), unseen, {2}, trust);
        out.error = Said(outcome);
    }
    out.data = files.Data("f");
    out.mode = (static_cast<std::uint32_t>(files.files["f"].attributes) >> 16) & 07777u;
    if (files.OpenHandles() != 0)
        out.error += " (a file left open)";
    return out;
}

}  // namespace

// Every crash state of `events` from event `from` on, on both devices, each
// recovered by the next press: as before or as finished. Counted in `tally`.
struct Tally {
    long states = 0;
    long finished = 0;
    long recoveries = 0;
};

void CrashEveryPoint(const Rewrite& run, const std::vector<Event>& events, std::size_t from,
                     std::mt19937_64& rng, Tally& tally) {
    // A read-only file is given its owner's write permission for the one
    // open that writes it, and its mode back at once; a disk that keeps the
    // first change and not the second, before the first flush, and before
    // any word beside the file says so, leaves that behind.
    const std::size_t firstFlush = static_cast<std::size_t>(
        std::find_if(
            events.begin(), events.end(),
            [](const Event& e) { return e.kind == Event::FlushAll || e.kind == Event::Flush; }) -
        events.begin());
    const std::uint64_t all = ~std::uint64_t{0};
    for (const Device device : {Device::Ordered, Device::Writeback}) {
        for (std::size_t k = from; k <= events.size(); ++k) {
            const Pick choices[] = {{0, 0, 0, 0},
                                    {all, 0, all, 0},
                                    {all, all, all, all},
                                    {rng(), rng(), rng(), rng()},
                                    {0, rng(), 0, all},
                                    {rng(), all, rng(), rng()},
                                    {rng(), rng(), rng(), 0}};
            for (const Pick& pick : choices) {
                const Disk crashed = CrashState(run.before, events, k, device, pick);
                // Only where no word beside the file could tell.
                const bool loose = k <= firstFlush && crashed.keptMode.empty();
                const Verdict v = Judge(run, crashed, (tally.states & 1) == 0, loose);
                ++tally.states;
                tally.recoveries += v.recovered ? 1 : 0;
                tally.finished += v.asAfter ? 1 : 0;
                EXPECT_EQ(v.problem, "") << "crash before event " << k;
                EXPECT_TRUE(v.asBefore || v.asAfter)
                    << (device == Device::Ordered ? "ordered" : "writeback")
                    << ", crash before event " << k << " of " << events.size()
                    << ": neither as before nor finished: size " << v.result.data.size()
                    << ", attributes " << std::hex << v.result.attributes << std::dec << ", words '"
                    << v.result.keptMode << "' '" << v.result.keptExtension << "'; crashed with '"
                    << crashed.keptMode << "' '" << crashed.keptExtension << "' "
                    << crashed.data.size();
                // The notice says the rewrite was completed: never of a file
                // that is as it was.
                EXPECT_TRUE(!v.recovered || v.asAfter) << "crash before event " << k;
            }
        }
    }
}

TEST(CrashRecovery, EveryCrashPointEndsAsBeforeOrAsFinished) {
    const std::size_t sizes[] = {1, 69, 70, 511, 512, 513, 3000, 7000};
    std::mt19937_64 rng(12);
    Tally tally;
    for (bool encrypt : {true, false}) {
        for (std::size_t size : sizes) {
            // Units of one block, and of four, whose sectors are summed four at a time.
            for (const auto& [unitBlocks, regionBlocks] :
                 {std::pair{1, 2}, std::pair{1, 3}, std::pair{4, 8}}) {
                SCOPED_TRACE(testing::Message()
                             << (encrypt ? "encrypt " : "decrypt ") << size << " unit "
                             << unitBlocks << " region " << regionBlocks);
                const RewriteOptions options{unitBlocks, true, regionBlocks};
                const std::string plain = Bytes(size, static_cast<unsigned>(size));
                const Rewrite run =
                    encrypt ? Record(true, plain, options)
                            : Record(false, Record(true, plain, {1, true, 0}).after, options);
                // The records change nothing of the result.
                ASSERT_EQ(run.after, Record(encrypt, run.before, {1, true, 0}).after);
                ASSERT_NE(run.after.attributes, run.before.attributes);
                ASSERT_GT(run.events.size(), 6u);
                CrashEveryPoint(run, run.events, 0, rng, tally);
            }
        }
    }
    EXPECT_GT(tally.finished, tally.states / 4) << "most crashes come after the first region began";
    EXPECT_GT(tally.recoveries, tally.states / 2) << "most crash states carry a record";
    testing::Test::RecordProperty("crash_states", static_cast<int>(tally.states));
    std::cout << "crash states checked: " << tally.states << " (finished " << tally.finished
              << ", through recovery " << tally.recoveries << ")\n";
}

// A run that fails, at every point where it can, is crashed at every point
// of what follows the failure: the rest of the run and the next press that
// finishes it. Failing calls, and a copy-on-write disk that runs out of
// room to overwrite after every number of sectors.
TEST(CrashRecovery, EveryFailureThenEveryCrashOfWhatFollows) {
    std::mt19937_64 rng(25);
    Tally tally;
    long faults = 0;
    for (bool encrypt : {true, false}) {
        for (std::size_t size : {700u, 3000u}) {
            SCOPED_TRACE(testing::Message() << (encrypt ? "encrypt " : "decrypt ") << size);
            const RewriteOptions options{1, true, 3};
            const std::string plain = Bytes(size, static_cast<unsigned>(size) + 1);
            const Rewrite clean =
                encrypt ? Record(true, plain, options)
                        : Record(false, Record(true, plain, {1, true, 0}).after, options);
            const auto press = [&](MemoryPlatform& files) {
                EngineRun run(files);
                run.options = options;
                return encrypt ? run.Encrypt("pw") : run.Decrypt("pw");
            };
            MemoryPlatform counted;
            Put(counted, clean.before);
            press(counted);
            std::vector<std::function<void(MemoryPlatform&)>> failures;
            for (const char* call : {"_lwrite", "FlushData", "FlushAll", "_lread", "SetMode"}) {
                for (int nth = 1; nth <= counted.Calls(call); ++nth)
                    failures.push_back([call, nth](MemoryPlatform& files) {
                        files.fault = MemoryPlatform::Fault{call, nth, -1, ENOSPC};
                    });
            }
            for (std::int64_t room = 0; room <= static_cast<std::int64_t>(size) + 1024; room += 512)
                failures.push_back([room](MemoryPlatform& files) { files.overwriteRoom = room; });
            for (std::size_t f = 0; f < failures.size(); ++f) {
                SCOPED_TRACE(testing::Message() << "failure " << f);
                MemoryPlatform files;
                Put(files, clean.before);
                files.recordEvents = true;
                failures[f](files);
                const std::string said = press(files);
                // Done but for the final mode is said, and no crash's concern.
                if (!files.eventsAtFault || said.find("/Completed") != std::string::npos)
                    continue;
                ++faults;
                const std::size_t struck = *files.eventsAtFault;
                files.fault.reset();
                files.overwriteRoom = -1;
                press(files);
                EXPECT_TRUE(DiskOf(files) == clean.after) << said << ", then the next press";
                CrashEveryPoint(clean, files.events, struck, rng, tally);
            }
        }
    }
    EXPECT_GT(faults, 100);
    EXPECT_GT(tally.recoveries, tally.states / 4) << "failures midway leave records standing";
    std::cout << "failures: " << faults << ", crash states after them: " << tally.states
              << " (finished " << tally.finished << ", through recovery " << tally.recoveries
              << ")\n";
}

// A record that fails its checksum is never applied: the file is refused,
// untouched. Only the older slot, being reused, may hold broken data.
TEST(CrashRecovery, UntrustworthyRecordsAreRefusedUntouched) {
    const std::string plain = Bytes(7000, 5);
    const Rewrite run = Record(true, plain, {1, true, 3});
    // Stopped halfway, everything written so far on the disk.
    const std::string interrupted = StoppedAfter(run, run.events.size() / 2);

    journal::Footer footer;
    journal::Sector last{};
    std::copy_n(interrupted.end() - 512, 512, last.begin());
    ASSERT_EQ(journal::DecodeFooter(last, static_cast<std::int64_t>(interrupted.size()), {1, 100},
                                    footer),
              journal::Found::Valid);
    std::optional<journal::Record> records[2];
    for (int slot = 0; slot < 2; ++slot) {
        journal::Sector sector{};
        std::copy_n(interrupted.begin() + footer.plan.at + slot * footer.plan.slotBytes, 512,
                    sector.begin());
        records[slot] = journal::DecodeRecord(sector, footer);
        ASSERT_TRUE(records[slot]) << "two records written by halfway";
    }
    const int newer = records[1]->sequence > records[0]->sequence ? 1 : 0;
    auto sectorOf = [&](int slot) { return footer.plan.at + slot * footer.plan.slotBytes; };

    const struct {
        const char* what;
        std::int64_t flipAt;
        bool refused;
    } cases[] = {
        {"footer", static_cast<std::int64_t>(interrupted.size()) - 500, true},
        {"newer record", sectorOf(newer) + 30, true},
        {"newer record's data", sectorOf(newer) + 512 + 1, true},
        {"older record", sectorOf(1 - newer) + 30, true},
        {"older record's data", sectorOf(1 - newer) + 512 + 1, false},
        // Written by another program since: neither the old nor the new bytes.
        {"a sector of the newer record's region", records[newer]->from + 100, true},
        {"nothing", -1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string damaged = interrupted;
        if (c.flipAt >= 0)
            damaged[static_cast<std::size_t>(c.flipAt)] ^= 0x20;
        MemoryPlatform files;
        files.Add("f", damaged);
        EngineRun press(files);
        const std::string error = press.Decrypt();
        if (c.refused) {
            EXPECT_EQ(error, "failed:RecordDamaged");
            EXPECT_EQ(files.Data("f"), damaged) << "untouched";
        } else {
            EXPECT_EQ(error, "");
            EXPECT_EQ(files.Data("f"), run.after.data);
        }
        EXPECT_EQ(files.OpenHandles(), 0);
    }
}

// What an interrupted rewrite's records say is data: every number checked
// against the layout and the file, acted on unasked only for the file they
// were made for, and never a permission the file does not have.
TEST(CrashRecovery, CraftedRecordsAreCheckedAndGrantNothing) {
    const std::string plain = Bytes(7000, 9);
    const Rewrite enc = Record(true, plain, {1, true, 3});
    const Rewrite dec = Record(false, enc.after.data, {1, true, 3});
    const std::string encHalf = StoppedAfter(enc, enc.events.size() / 2);
    const std::string decHalf = StoppedAfter(dec, dec.events.size() / 2);
    const journal::Footer encFooter = FooterOf(encHalf);
    const journal::Footer decFooter = FooterOf(decHalf);

    journal::Record setuid = NewestRecord(decHalf, decFooter);
    ASSERT_GT(setuid.sequence, 0u);
    setuid.modeAfter = 04777;
    // A region past the end of the rewrite, with an empty table.
    journal::Record beyond = NewestRecord(encHalf, encFooter);
    beyond.sequence = 6;  // regions of 1536 bytes: the fifth ends the 7070 written
    beyond.from = 5 * encFooter.plan.region;
    beyond.until = beyond.from + encFooter.plan.region;
    beyond.dataLength = 0;
    beyond.dataCrc = 0;
    // A plan whose end wraps around to the file's size.
    journal::Footer wraps = encFooter;
    wraps.plan.at = std::numeric_limits<std::int64_t>::max() - 4095;
    wraps.plan.slotBytes =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(encHalf.size()) - 512 -
                                   static_cast<std::uint64_t>(wraps.plan.at)) /
                                  2);

    const std::string forged =
        KeptModeValue(0666, ParseHeader(NewestRecord(decHalf, decFooter).header), kFirstFile);
    const std::string damaged = "failed:RecordDamaged";
    const std::string foreign = "failed:ForeignRecord";
    const std::string appendedOnce = "one more line\n";
    const struct {
        const char* what;
        std::string data;
        unsigned mode;
        RecordTrust trust;
        std::string error;
        std::string after;  // the file afterwards: as it was when empty
        unsigned modeAfter;
        std::function<void(MemoryPlatform&)> meanwhile;
    } cases[] = {
        // clang-format off
        // Preparation drops the records, and says so.
        {"a footer asking for 06777, nothing begun", NothingBegun(plain, 06777, kFirstFile), 0644,
         RecordTrust::OwnOnly, "put back", plain, 0644, {}},
        {"the same, no room to put it back", NothingBegun(plain, 0644, kFirstFile), 0644,
         RecordTrust::OwnOnly, "refused", "", 0644,
         [](MemoryPlatform& files) { files.reserveFails = true; }},
        {"the same, made for another file", NothingBegun(plain, 06777, {1, 999}), 0644,
         RecordTrust::OwnOnly, foreign, "", 0644, {}},
        {"the same, the user agreed", NothingBegun(plain, 06777, {1, 999}), 0644,
         RecordTrust::UserAgreed, "", plain, 0644, {}},
        {"the same, as version 2 wrote it", AsVersionTwo(NothingBegun(plain, 0644, kFirstFile)),
         0644, RecordTrust::OwnOnly, foreign, "", 0644, {}},
        // Finishing it writes records of today's version under the old footer.
        {"an interrupted run under a version 2 footer, the user agreed", AsVersionTwo(encHalf),
         0644, RecordTrust::UserAgreed, "", enc.after.data, 0444, {}},
        {"a decryption record asking for 04777", WithRecord(decHalf, decFooter, setuid), 0444,
         RecordTrust::OwnOnly, "", plain, 0644, {}},
        // Device and inode are anybody's to read, the words anybody's to
        // write who may write the file: a word read while the group may
        // write the file gives nothing but the owner's write bit.
        {"a group member's kept mode 0666 on a 0660 file", decHalf, 0660, RecordTrust::OwnOnly, "",
         plain, 0660, [&](MemoryPlatform& files) { files.files["f"].keptMode = forged; }},
        {"the owner's kept mode 0666 on a 0440 file", decHalf, 0440, RecordTrust::OwnOnly, "",
         plain, 0662, [&](MemoryPlatform& files) { files.files["f"].keptMode = forged; }},
        {"a region past the end", WithRecord(encHalf, encFooter, beyond), 0644,
         RecordTrust::OwnOnly, damaged, "", 0644, {}},
        {"a plan whose end wraps around", WithSector(encHalf, static_cast<std::int64_t>(
             encHalf.size()) - 512, journal::EncodeFooter(wraps)), 0644,
         RecordTrust::OwnOnly, damaged, "", 0644, {}},
        {"a line appended after the interruption", encHalf + appendedOnce, 0644,
         RecordTrust::OwnOnly, "failed:RecordInside", "", 0644, {}},
        {"a line appended during the recovery", encHalf, 0644, RecordTrust::OwnOnly,
         "failed:FileChanged/Resumable", encHalf + appendedOnce, 0644,
         [&](MemoryPlatform& files) {
             files.afterWrite = [&files, &appendedOnce] {
                 files.files["f"].data += appendedOnce;
                 files.afterWrite = nullptr;
             };
         }},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Finished out = FinishCrafted(c.data, c.mode, c.trust, c.meanwhile);
        EXPECT_EQ(out.error, c.error);
        EXPECT_EQ(out.mode, c.modeAfter);
        if (c.error == "failed:FileChanged/Resumable") {
            // Still recoverable: once the bytes added are taken off, the next
            // press finishes the file.
            ASSERT_EQ(out.data.size(), c.after.size());
            const std::string whole = out.data.substr(0, encHalf.size());
            EXPECT_EQ(FinishCrafted(whole, 0644, c.trust).data, enc.after.data);
        } else {
            EXPECT_TRUE(out.data == (c.after.empty() ? c.data : c.after))
                << "size " << out.data.size();
        }
    }
}

// A disk that keeps a file's new size before its data (vfat, exfat, ext4
// with data=writeback) may lose the footer of the first growth and leave
// the file followed by zeros. The word kept beside the file before it grew
// says from which size, and the next press puts it back; nothing else is
// ever cut.
TEST(CrashRecovery, AGrowthWithoutItsFooterIsPutBack) {
    const std::string plain = Bytes(5000, 6);
    const journal::Plan plan =
        *journal::PlanJournal(journal::Operation::Encrypt, 5000, 512, 3 * 512, 1 << 30);
    const std::string word = journal::ExtensionWord(5000, plan, kFirstFile);
    std::string grown = plain;
    grown.resize(static_cast<std::size_t>(plan.end()), '\0');
    std::string touched = grown;
    touched[6000] = 1;
    // A database or disk image whose tail is zeros, and a word that names it.
    std::string zeroTail = plain.substr(0, 1);
    zeroTail.resize(1 << 20, '\0');
    const std::string sparseWord = "1:" + std::to_string(zeroTail.size()) + ":1:100";
    journal::Plan later = plan;
    later.slotBytes += 512;  // an end no plan of that size makes
    // A decryption grows an encrypted file of the size the word names.
    const std::string encrypted = Record(true, plain, {1, true, 0}).after.data;
    const journal::Plan decryption =
        *journal::PlanJournal(journal::Operation::Decrypt,
                              static_cast<std::int64_t>(encrypted.size()), 512, 3 * 512, 1 << 30);
    std::string grownEncrypted = encrypted;
    grownEncrypted.resize(static_cast<std::size_t>(decryption.end()), '\0');
    const struct {
        const char* what;
        std::string data;
        std::string word;
        std::string after;
        int readsAtMost;             // of the file's bytes, by a look at it
        const char* said = nullptr;  // what the press says, where not "prepared" or "put back"
    } cases[] = {
        {"grown, the footer lost", grown, word, plain, 8},
        {"a decryption grown, the footer lost", grownEncrypted,
         journal::ExtensionWord(static_cast<std::int64_t>(encrypted.size()), decryption,
                                kFirstFile),
         encrypted, 8},
        {"the word of another file", grown, journal::ExtensionWord(5000, plan, {1, 7}), grown, 3},
        {"a byte past the size written", touched, word, touched, 8},
        {"no word", grown, "", grown, 3},
        {"a zero tail a word names", zeroTail, sparseWord, zeroTail, 3},
        {"grown, the footer lost, a line added behind", grown + "line\n", word, grown + "line\n", 8,
         "failed:RecordInside"},
        {"an end no plan makes", grown, journal::ExtensionWord(5000, later, kFirstFile), grown, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryPlatform files;
        files.Add("f", c.data);
        files.files["f"].keptExtension = c.word;
        // Looking changes nothing and reads little.
        // A look says what a press says (a growth with bytes behind it is
        // damage), and changes nothing.
        EXPECT_EQ(std::holds_alternative<Failure>(LookAt(files, "f")), c.said != nullptr);
        EXPECT_LE(files.Calls("_lread"), c.readsAtMost);
        EXPECT_TRUE(files.Data("f") == c.data);
        EXPECT_EQ(files.files["f"].keptExtension, c.word);
        EngineRun run(files);
        EXPECT_EQ(c.after == encrypted ? run.Decrypt() : run.Encrypt(), c.said != nullptr ? c.said
                                                                        : c.after == c.data
                                                                            ? "prepared"
                                                                            : "put back");
        EXPECT_TRUE(files.Data("f") == c.after);
        EXPECT_EQ(files.files["f"].keptExtension, c.said != nullptr ? c.word : "")
            << "a word of no use is taken off, a word that tells is kept";
    }
    // A run keeps the word on the disk before the file grows, and takes it
    // off at the end.
    MemoryPlatform files;
    files.Add("f", plain);
    std::string atFirstWrite;
    files.afterWrite = [&] {
        atFirstWrite = files.files["f"].keptExtension;
        files.afterWrite = nullptr;
    };
    EngineRun run(files);
    run.options = {1, true, 3};
    EXPECT_EQ(run.Encrypt("pw"), "");
    EXPECT_EQ(atFirstWrite, word);
    EXPECT_EQ(files.files["f"].keptExtension, "");
}

// The checksum of the records and of each sector of a region: CRC-32C,
// whose check value is that of "123456789"; the sector-wise form gives the
// same as one sector at a time, whatever the length.
TEST(CrashRecovery, SectorChecksumsAreThoseOfEachSector) {
    EXPECT_EQ(Crc32c(0, "123456789", 9), 0xE3069283u);
    const std::string bytes = Bytes(512 * 9 + 100, 3);
    for (std::size_t length :
         {0, 1, 511, 512, 513, 512 * 4, 512 * 4 + 70, 512 * 8, 512 * 9 + 100}) {
        SCOPED_TRACE(length);
        std::vector<std::uint32_t> crcs((length + 511) / 512 + 1, 0xDEADBEEFu);
        SectorCrc32cs(bytes.data(), length, crcs.data());
        for (std::size_t i = 0; i * 512 < length; ++i)
            EXPECT_EQ(crcs[i], Crc32c(0, bytes.data() + i * 512,
                                      std::min<std::size_t>(512, length - i * 512)))
                << "sector " << i;
        EXPECT_EQ(crcs[(length + 511) / 512], 0xDEADBEEFu) << "nothing written past the last";
    }
}

// Finishing an interrupted rewrite may fail in its turn: the record stays,
// the error says so, and the next press finishes the file.
TEST(CrashRecovery, AFailedRecoveryIsFinishedByTheNextPress) {
    const std::string plain = Bytes(7000, 8);
    const Rewrite run = Record(true, plain, {1, true, 3});
    const std::string interrupted = StoppedAfter(run, run.events.size() / 3);
    int failures = 0;
    int resumable = 0;
    // Failures of the last-moment checks come before the session: they must
    // come back as outcomes too.
    for (const char* operation : {"_lwrite", "_lread", "FlushData", "StatusOfName"}) {
        for (int nth = 1;; ++nth) {
            SCOPED_TRACE(testing::Message() << operation << " #" << nth);
            MemoryPlatform files;
            files.Add("f", interrupted);
            files.fault = MemoryPlatform::Fault{operation, nth, -1, 5};
            EngineRun press(files);
            press.options = {2};
            const std::string error = press.Encrypt();
            if (error.empty()) {
                EXPECT_EQ(files.Data("f"), run.after.data);
                break;  // past the last call of this kind
            }
            ++failures;
            if (error.find("/Completed") != std::string::npos) {
                // The flush after the final cut: the file is done but for its mode.
                EXPECT_EQ(files.Data("f"), run.after.data);
                continue;
            }
            if (error.find('/') == std::string::npos) {
                // Failed before the first write (a look, a slot read): nothing changed.
                EXPECT_EQ(files.Data("f"), interrupted) << error;
            } else {
                ++resumable;
                EXPECT_NE(error.find("/Resumable"), std::string::npos) << error;
            }
            files.fault.reset();
            EngineRun again(files);
            again.options = {2};
            EXPECT_EQ(again.Encrypt(), "");
            EXPECT_TRUE(again.finishedInterrupted);
            EXPECT_EQ(files.Data("f"), run.after.data);
            EXPECT_EQ(files.OpenHandles(), 0);
        }
    }
    EXPECT_GT(failures, 20);
    EXPECT_GT(resumable, 10) << "failures midway leave the record standing";
}
