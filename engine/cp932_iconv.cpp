// Shift-JIS through glibc's iconv and its CP932 table.
#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

#include "engine/cp932.h"
#include "engine/wipe.h"

namespace kryvet {

namespace {

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
            ~Wiped() { WipeBytes(bytes.data(), bytes.size()); }
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

}  // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    thread_local Converter converter("CP932", "UTF-8");
    return converter.Convert(utf8);
}

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
    thread_local Converter converter("UTF-8", "CP932");
    return converter.Convert(cp932);
}

}  // namespace kryvet
