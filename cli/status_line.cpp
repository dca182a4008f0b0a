#include "cli/status_line.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "cli/utf8_text.h"
#include "engine/civil_date.h"

namespace kryvet::cli {

namespace {

constexpr double kLastDay = 2958466.0;  // 1 January 10000
constexpr std::int64_t kMsPerDay = 86400000;

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
    const CivilDate date = CivilFromDays(day + kClockEpochFrom1970);
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
    return fields + "\t" + QuotedName(name) + "\n";
}

std::string StatusJson(const std::string& name, const Inspection& state) {
    // A name that is no UTF-8 text is given whole in its bytes beside.
    bool lossy = false;
    std::string object = "{\"name\":" + JsonText(name, &lossy);
    if (lossy) {
        object += ",\"name_bytes\":\"" + HexBytes(name) + "\"";
    }
    object += ",\"state\":";
    switch (state.kind) {
        case Inspection::Kind::Plain:
            object += "\"plain\",\"size\":" + std::to_string(state.size);
            break;
        case Inspection::Kind::Encrypted: {
            const std::string clock = ClockText(state.clockKey);
            object += "\"encrypted\",\"size\":" + std::to_string(state.size) +
                      ",\"clock\":" + (clock == "-" ? "null" : JsonText(clock));
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
