#pragma once

// How a fuzz input is split into what the user types and the file:
//   byte 0            password length L (taken modulo 51; 0 means no password)
//   bytes 1 .. L      the password bytes; the dialog yields only what the
//                     password rules take, so others count as none
//   byte L + 1        options: bits 0-1 unit blocks - 1, bit 2 read-only file
//   byte L + 2        clock: second and millisecond of the key; 0 means noon
//   the rest          the file's contents
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

#include "engine/password.h"
#include "engine/platform_file.h"

struct FuzzInput {
    std::string password;
    std::int32_t unitBlocks = 1;
    bool readOnly = false;
    kryvet::platform::SystemTime now{2026, 12, 1, 7, 10, 11, 12, 345};
    std::string file;
};

inline FuzzInput ParseFuzzInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in;
    std::size_t at = 0;
    const std::size_t length = size > 0 ? data[at++] % 51 : 0;
    for (std::size_t i = 0; i < length && at < size; ++i)
        in.password.push_back(static_cast<char>(data[at++]));
    if (!std::holds_alternative<kryvet::Password>(kryvet::Password::FromShiftJis(in.password)))
        in.password.clear();
    const std::uint8_t options = at < size ? data[at++] : 0;
    in.unitBlocks = 1 + (options & 3);
    in.readOnly = (options & 4) != 0;
    const std::uint8_t clock = at < size ? data[at++] : 0;
    if (clock == 0) {
        in.now.wHour = 12;  // all three key bytes zero
        in.now.wMinute = in.now.wSecond = in.now.wMilliseconds = 0;
    } else {
        in.now.wSecond = clock % 60;
        in.now.wMilliseconds = clock * 7 % 1000;
    }
    in.file.assign(reinterpret_cast<const char*>(data + at), size - at);
    return in;
}

// The inverse, for writing seeds.
inline std::string MakeFuzzInput(const std::string& password, std::uint8_t options,
                                 std::uint8_t clock, const std::string& file) {
    std::string out;
    out.push_back(static_cast<char>(password.size()));
    out += password;
    out.push_back(static_cast<char>(options));
    out.push_back(static_cast<char>(clock));
    out += file;
    return out;
}
