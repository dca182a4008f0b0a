#pragma once

#include <string>

#include "engine/wipe.h"

// Bytes of a password: room for the longest one taken up front, so that
// growing it never leaves a copy behind in freed memory, and wiped when it
// ends. Moved, never copied.
namespace kryvet::cli {

class Secret {
public:
    static constexpr std::size_t kRoom = 4096;

    Secret() { bytes_.reserve(kRoom); }
    // Takes the bytes of a string, and wipes the string.
    explicit Secret(std::string&& bytes) : Secret() {
        bytes_.append(bytes);
        WipeBytes(bytes.data(), bytes.capacity());
        bytes.clear();
    }
    ~Secret() { Wipe(); }
    Secret(Secret&& other) noexcept : bytes_(std::move(other.bytes_)) { other.Wipe(); }
    Secret& operator=(Secret&& other) noexcept {
        Wipe();
        bytes_ = std::move(other.bytes_);
        other.Wipe();
        return *this;
    }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;

    std::string& bytes() { return bytes_; }
    const std::string& bytes() const { return bytes_; }

    void Wipe() {
        WipeBytes(bytes_.data(), bytes_.capacity());
        bytes_.clear();
    }

private:
    std::string bytes_;
};

}  // namespace kryvet::cli
