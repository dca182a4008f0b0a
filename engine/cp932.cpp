#include "cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace kryvet {

namespace {

// Passwords pass through here: what held them is cleared before it is freed.
void Wipe(char* bytes, std::size_t count) {
    volatile char* at = bytes;
    while (count-- > 0) {
        *at++ = 0;
    }
}

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    std::optional<std::string> Convert(std::string_view in) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        out.reserve(in.size() * 4 + 16);  // never moved, so never copied
        std::vector<char> buffer(in.size() * 4 + 16);
        struct Wiped {
            std::vector<char>& bytes;
            ~Wiped() { Wipe(bytes.data(), bytes.size()); }
        } wiped{buffer};
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        while (inLeft > 0) {
            char* outPtr = buffer.data();
            std::size_t outLeft = buffer.size();
            const std::size_t r = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer.data(), buffer.size() - outLeft);
            if (r == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG) {
                    continue;
                }
                return std::nullopt;  // EILSEQ or EINVAL: no form in the target
            }
            if (r > 0) {
                return std::nullopt;  // iconv made an inexact (substituted) conversion
            }
        }
        return out;
    }

private:
    iconv_t cd_;
};

std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

}  // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    thread_local Converter converter("CP932", "UTF-8");
    return converter.Convert(utf8);
}

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
    thread_local Converter converter("UTF-8", "CP932");
    return converter.Convert(cp932);
}

std::optional<std::size_t> Cp932Length(std::string_view utf8) {
    const auto converted = Utf8ToCp932(utf8);
    if (!converted) {
        return std::nullopt;
    }
    return converted->size();
}

std::size_t Cp932LengthForLimit(std::string_view path) {
    std::size_t total = 0;
    std::size_t i = 0;
    while (i < path.size()) {
        std::size_t len = Utf8SequenceLength(static_cast<unsigned char>(path[i]));
        if (i + len > path.size()) {
            len = path.size() - i;
        }
        const auto piece = Cp932Length(path.substr(i, len));
        total += piece ? *piece : len;
        i += len;
    }
    return total;
}

}  // namespace kryvet
