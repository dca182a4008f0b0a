#pragma once

#include <string>

#include "cli/engine_calls.h"

// The status of a file as one line for scripts. Text: four fields
// separated by tabs, the name last, quoted (see QuotedName):
//   plain        SIZE          -                       NAME
//   encrypted    STORED-SIZE   LOCAL-TIME|-            NAME
//   interrupted  SIZE-BEFORE   encrypt|decrypt:PCT%[:foreign]   NAME
//   damaged      -             record-damaged|size-mismatch|records-inside   NAME
//   busy         -             -                       NAME
// JSON: one object per line with the same facts under names; a name that
// is not UTF-8 text has its bytes in hexadecimal beside it.
namespace kryvet::cli {

// The local time the clock key carries, as 2026-12-01T10:11:12.345; "-"
// where its value is no date of the years 1900 to 9999.
std::string ClockText(const ClockKeyBytes& clockKey);

// Nothing for the kinds of state that are said as errors instead.
std::string StatusLine(const std::string& name, const Inspection& state);
std::string StatusJson(const std::string& name, const Inspection& state);

}  // namespace kryvet::cli
