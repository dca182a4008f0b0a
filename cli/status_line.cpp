#include "cli/status_line.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace kryvet::cli {

namespace {

// Day 0 of the clock value, 30 December 1899, counted from 1 January 1970.
constexpr std::int64_t kClockEpochFrom1970 = -25569;
constexpr double kLastDay = 2958466.0;  // 1 January 10000
constexpr std::int64_t kMsPerDay = 86400000;

struct Civil {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// The calendar date of a day counted from 1 January 1970 (proleptic
// Gregorian).
Civil CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

const char* OperationName(journal::Operation operation) {
    return operation == journal::Operation::Encrypt ? "encrypt" : "decrypt";
}

const char* DamageName(FailureKind kind) {
    switch (kind) {
        case FailureKind::SizeMismatch:
            return "size-mismatch";
        case FailureKind::RecordInside:
            return "records-inside";
        default:
            return "record-damaged";
    }
}

std::string EscapedName(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Bytes of the well-formed UTF-8 sequence at `at`, or 0.
std::size_t Utf8SequenceAt(const std::string& text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t n = lead < 0x80   ? 1
                          : lead < 0xc2 ? 0
                          : lead < 0xe0 ? 2
                          : lead < 0xf0 ? 3
                          : lead < 0xf5 ? 4
                                        : 0;
    if (n == 0 || at + n > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < n; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xc0) != 0x80) {
            return 0;
        }
    }
    return n;
}

// A JSON string. A byte that is no part of UTF-8 text becomes U+DC80 to
// U+DCFF, the way file names are carried through text elsewhere
// (surrogateescape), so no name is lost or confused with another.
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = Utf8SequenceAt(text, at);
        const auto c = static_cast<unsigned char>(text[at]);
        char escaped[8];
        if (n == 0) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", 0xdc00 | c);
            out += escaped;
            ++at;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out.append(text, at, n);
        }
        at += n;
    }
    return out + "\"";
}

}  // namespace

std::string ClockText(const ClockKeyBytes& clockKey) {
    double value = 0;
    static_assert(sizeof value == sizeof clockKey);
    std::memcpy(&value, clockKey.data(), sizeof value);  // little-endian, as the machine
    if (!std::isfinite(value) || value < 1.0 || value >= kLastDay) {
        return "-";
    }
    std::int64_t day = static_cast<std::int64_t>(std::floor(value));
    std::int64_t ms = std::llround((value - static_cast<double>(day)) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        ++day;
    }
    const Civil date = CivilFromDays(day + kClockEpochFrom1970);
    if (date.year < 1900 || date.year > 9999) {
        return "-";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03d",
                  static_cast<int>(date.year), date.month, date.day, static_cast<int>(ms / 3600000),
                  static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                  static_cast<int>(ms % 1000));
    return text;
}

std::string StatusLine(const std::string& name, const Inspection& state) {
    std::string fields;
    switch (state.kind) {
        case Inspection::Kind::Plain:
            fields = "plain\t" + std::to_string(state.size) + "\t-";
            break;
        case Inspection::Kind::Encrypted:
            fields = "encrypted\t" + std::to_string(state.size) + "\t" + ClockText(state.clockKey);
            break;
        case Inspection::Kind::Interrupted:
            fields = "interrupted\t" + std::to_string(state.size) + "\t" +
                     OperationName(state.operation) + ":" + std::to_string(state.percentDone) +
                     "%" + (state.ownRecords ? "" : ":foreign");
            break;
        case Inspection::Kind::Damaged:
            fields = std::string("damaged\t-\t") + DamageName(state.failure.kind);
            break;
        case Inspection::Kind::Busy:
            fields = "busy\t-\t-";
            break;
        default:
            return {};
    }
    return fields + "\t" + EscapedName(name) + "\n";
}

std::string StatusJson(const std::string& name, const Inspection& state) {
    std::string object = "{\"name\":" + JsonString(name) + ",\"state\":";
    switch (state.kind) {
        case Inspection::Kind::Plain:
            object += "\"plain\",\"size\":" + std::to_string(state.size);
            break;
        case Inspection::Kind::Encrypted: {
            const std::string clock = ClockText(state.clockKey);
            object += "\"encrypted\",\"size\":" + std::to_string(state.size) +
                      ",\"clock\":" + (clock == "-" ? "null" : JsonString(clock));
            break;
        }
        case Inspection::Kind::Interrupted:
            object += std::string("\"interrupted\",\"size\":") + std::to_string(state.size) +
                      ",\"operation\":\"" + OperationName(state.operation) +
                      "\",\"percent_done\":" + std::to_string(state.percentDone) +
                      ",\"own_records\":" + (state.ownRecords ? "true" : "false");
            break;
        case Inspection::Kind::Damaged:
            object +=
                std::string("\"damaged\",\"cause\":\"") + DamageName(state.failure.kind) + "\"";
            break;
        case Inspection::Kind::Busy:
            object += "\"busy\"";
            break;
        default:
            return {};
    }
    return object + "}\n";
}

}  // namespace kryvet::cli
