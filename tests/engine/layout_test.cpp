#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/civil_date.h"
#include "engine/file_layout.h"
#include "engine/operations.h"
#include "support/memory_platform.h"

using namespace kryvet;

namespace {

// Clock value of 2026-12-07 10:11:12.345 and its bytes.
const ClockKeyBytes kClock = {0xbd, 0xe3, 0x14, 0x95, 0x6d, 0xa3, 0xe6, 0x40};

std::vector<std::uint8_t> Bytes(const EncryptedFileHeader& h) {
    const auto bytes = HeaderBytes(h);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

TEST(Layout, HeaderOfWorkedExamplesIsByteExact) {
    // Password "abc", attribute word 0x01A40080 (rw-r--r--, no flags).
    std::vector<std::uint8_t> expected = {
        0xf6, 0xcf, 0xc4, 0xcb, 0xd8, 0xc9, 0xbd, 0xe3, 0x14, 0x95, 0x6d, 0xa3, 0xe6, 0x40,
        0x75, 0x76, 0x77, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
        0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
        0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
        0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00};
    const struct {
        std::int32_t size;
        std::uint8_t sizeBytes[4];
    } cases[] = {{1, {0x01, 0, 0, 0}}, {512, {0x00, 0x02, 0, 0}}, {700, {0xbc, 0x02, 0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        std::memcpy(&expected[64], c.sizeBytes, 4);
        const auto material = MakeEncryptionMaterial("abc", kClock, c.size, 0x01A40080);
        EXPECT_EQ(Bytes(material.header), expected);
        const std::uint8_t trailerStart[] = {0x35, 0x34, 0x35, 0x14, 0x14};
        EXPECT_EQ(0, std::memcmp(material.trailer.data(), trailerStart, 5));
        for (std::size_t j = 51; j < 58; ++j)
            EXPECT_EQ(material.trailer[j], 0) << j;
    }
}

TEST(Layout, AttributeFailureIsStoredAsAllOnes) {
    const auto material = MakeEncryptionMaterial("abc", kClock, 10, -1);
    EXPECT_EQ(material.header.StoredAttributes, 0xFFFF);
}

TEST(Layout, BodyMaskRestartsAtEveryBlock) {
    const KeyBytes key{0x11, 0x22, 0x44};
    const BodyMask mask(key);
    std::vector<std::uint8_t> data(1100, 0);
    mask.Apply(data.data(), data.size());
    // Plain bytes 509 to 514 take k2 k0 k1 | k0 k1 k2.
    const std::uint8_t expected[] = {0x44, 0x11, 0x22, 0x11, 0x22, 0x44};
    EXPECT_EQ(0, std::memcmp(&data[509], expected, 6));
    EXPECT_EQ(data[1024], 0x11);
    EXPECT_EQ(data[1099], 0x11);  // 1099 - 1024 = 75, a multiple of 3
    // Odd lengths and the same mask twice give the plain bytes back.
    std::vector<std::uint8_t> text(777);
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<std::uint8_t>(i * 7);
    auto copy = text;
    mask.Apply(copy.data(), copy.size());
    EXPECT_NE(copy, text);
    mask.Apply(copy.data(), copy.size());
    EXPECT_EQ(copy, text);
}

TEST(Layout, ClockValueAndKeyBytes) {
    const struct {
        platform::SystemTime time;
        double value;
    } cases[] = {
        {{1900, 1, 1, 1, 0, 0, 0, 0}, 2.0},
        {{2026, 12, 1, 7, 12, 0, 0, 0}, 46363.5},
        {{2026, 12, 1, 7, 10, 11, 12, 345}, 46363.4244484375},
        {{1899, 12, 6, 30, 0, 0, 0, 0}, 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(ClockValueOf(c.time), c.value) << c.time.wYear;
    }
    EXPECT_EQ(ClockKeyBytesOf(46363.4244484375), kClock);
    // Noon: the three key bytes are zero, so nothing is masked.
    const auto noon = ClockKeyBytesOf(ClockValueOf({2026, 12, 1, 7, 12, 0, 0, 0}));
    EXPECT_EQ(noon[0], 0);
    EXPECT_EQ(noon[1], 0);
    EXPECT_EQ(noon[2], 0);
    const auto material = MakeEncryptionMaterial("pw", noon, 5, 0x80);
    EXPECT_EQ(0, std::memcmp(material.header.FileMarker.data(), "Kryvet", 6));
    for (auto byte : material.trailer)
        EXPECT_EQ(byte, 0);
}

// Encryption counts days one way and the command line's status the other:
// every day from the clock's day 0 to the year 10000 comes back as itself,
// and is the day after the one before, months as long as the calendar has.
TEST(Layout, CivilDateBothWays) {
    const auto monthLength = [](const CivilDate& d) {
        const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
        constexpr unsigned kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        return kLengths[d.month - 1] + (d.month == 2 && leap ? 1 : 0);
    };
    EXPECT_EQ(DaysFromCivil({1899, 12, 30}), kClockEpochFrom1970);
    std::int64_t day = kClockEpochFrom1970;
    for (CivilDate date{1899, 12, 30}; date.year < 10000; ++day) {
        ASSERT_EQ(DaysFromCivil(date), day) << date.year << '-' << date.month << '-' << date.day;
        const CivilDate next = CivilFromDays(day + 1);
        const CivilDate expected = date.day < monthLength(date)
                                       ? CivilDate{date.year, date.month, date.day + 1}
                                   : date.month < 12 ? CivilDate{date.year, date.month + 1, 1}
                                                     : CivilDate{date.year + 1, 1, 1};
        ASSERT_TRUE(next.year == expected.year && next.month == expected.month &&
                    next.day == expected.day)
            << date.year << '-' << date.month << '-' << date.day;
        date = next;
    }
}

TEST(Layout, StoredPasswordAndMarker) {
    const std::string fifty(50, 'x');
    const struct {
        std::string password;
    } cases[] = {{"a"}, {"Secret"}, {std::string(49, 'q')}, {fifty}, {"\x88\x9f\x82\xa0"}};
    for (const auto& c : cases) {
        const auto material = MakeEncryptionMaterial(c.password, kClock, 1, 0);
        EXPECT_EQ(StoredPassword(material.header), c.password);
        EXPECT_TRUE(MarkerMatches(material.header));
    }
    auto material = MakeEncryptionMaterial("a", kClock, 1, 0);
    material.header.FileMarker[5] ^= 0x20;  // "Kryvet" with a capital T
    EXPECT_FALSE(MarkerMatches(material.header));
}

TEST(Layout, IsEncryptedFileReadsOnlyLongFilesAndRewinds) {
    std::string marked(129, 'z');
    for (int i = 0; i < 6; ++i)
        marked[i] = static_cast<char>("Kryvet"[i] ^ 0x5A);
    marked[6] = 0x5A;
    std::string unmarked = marked;
    unmarked[2] = 'Y';
    std::string zeroKey(200, '\0');
    std::memcpy(zeroKey.data(), "Kryvet", 6);
    const struct {
        std::string name;
        std::string data;
        bool expected;
        bool readsAnything;
    } cases[] = {
        {"one byte", "K", false, false},
        {"128 marked bytes", marked.substr(0, 128), false, false},
        {"129 marked bytes", marked, true, true},
        {"129 other bytes", unmarked, false, true},
        {"plain marker with zero key", zeroKey, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryPlatform files;
        files.Add("f", c.data);
        const Preparation prepared = PrepareEncryption(files, "f");
        const auto* refusal = std::get_if<Refusal>(&prepared);
        EXPECT_EQ(refusal != nullptr && *refusal == Refusal::AlreadyEncrypted, c.expected);
        EXPECT_EQ(c.expected || std::holds_alternative<PinnedFile>(prepared), true);
        EXPECT_EQ(files.Calls("_lread") > 0, c.readsAnything);
    }
}

// A header that cannot be read whole from a file measured long enough means
// the file changed: never taken as "not encrypted", which could encrypt it twice.
TEST(Layout, ShortMarkerReadIsAChangedFile) {
    MemoryPlatform files;
    std::string data(300, '\0');
    std::memcpy(data.data(), "Kryvet", 6);
    files.Add("f", data);
    files.fault = MemoryPlatform::Fault{"_lread", 1, 3, 0, true};
    const Preparation prepared = PrepareEncryption(files, "f");
    ASSERT_TRUE(std::holds_alternative<Failure>(prepared));
    EXPECT_EQ(std::get<Failure>(prepared).kind, FailureKind::FileChanged);
    EXPECT_EQ(files.OpenHandles(), 0);
    EXPECT_EQ(files.files["f"].reservedBeyondEnd, 0) << "no reservation outlives the run";
}
