#include "cli/utf8_text.h"

#ifdef _WIN32
#include "cli/posix_compat_windows.h"
#else
#include <langinfo.h>
#endif

#include <cstdio>

namespace kryvet::cli {

namespace {

// Characters shown as their bytes: the C0 and C1 controls and DEL, and the
// format characters that reorder or hide what follows (bidirectional
// embeddings, overrides and isolates, zero-width marks).
bool ShownAsBytes(char32_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x061c || (c >= 0x200b && c <= 0x200f) ||
           (c >= 0x202a && c <= 0x202e) || (c >= 0x2060 && c <= 0x2069) || c == 0xfeff;
}

void AppendHex(std::string& out, unsigned char byte) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
    out += escaped;
}

}  // namespace

std::string QuotedName(std::string_view name) {
    // A terminal that does not read UTF-8 may take its bytes from 0x80 on for
    // controls: there every such byte is escaped.
    static const bool utf8 = [] {
        const std::string codeset = nl_langinfo(CODESET);
        return codeset == "UTF-8" || codeset == "utf8";
    }();
    std::string out;
    for (std::size_t at = 0; at < name.size();) {
        const CodePoint c = Utf8At(name, at);
        const std::size_t n = c.bytes == 0 ? 1 : c.bytes;
        if (c.value == '\\' && c.bytes == 1) {
            out += "\\\\";
        } else if (c.value == '\t' && c.bytes == 1) {
            out += "\\t";
        } else if (c.value == '\n' && c.bytes == 1) {
            out += "\\n";
        } else if (c.bytes == 0 || ShownAsBytes(c.value) || (!utf8 && c.value >= 0x80)) {
            for (std::size_t i = 0; i < n; ++i) {
                AppendHex(out, static_cast<unsigned char>(name[at + i]));
            }
        } else {
            out.append(name, at, n);
        }
        at += n;
    }
    return out;
}

std::string JsonText(std::string_view text, bool* lossy) {
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const CodePoint c = Utf8At(text, at);
        if (c.bytes == 0) {
            out += "\\ufffd";
            if (lossy != nullptr) {
                *lossy = true;
            }
            ++at;
            continue;
        }
        if (c.value == '"' || c.value == '\\') {
            out += '\\';
            out += static_cast<char>(c.value);
        } else if (ShownAsBytes(c.value)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c.value));
            out += escaped;
        } else {
            out.append(text, at, c.bytes);
        }
        at += c.bytes;
    }
    return out + "\"";
}

std::string HexBytes(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

}  // namespace kryvet::cli
