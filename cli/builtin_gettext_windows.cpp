#include "cli/builtin_gettext_windows.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string_view>

namespace {

struct Message {
    std::string_view english;
    const char* japanese;
};

// In the byte order of the English texts, for a binary search.
constexpr Message kJapanese[] = {
#include "ja_catalogue.inc"
};

bool Japanese() {
    static const bool japanese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
    return japanese;
}

const char* Lookup(const char* english) {
    const std::string_view key = english;
    const auto found =
        std::lower_bound(std::begin(kJapanese), std::end(kJapanese), key,
                         [](const Message& m, std::string_view k) { return m.english < k; });
    return found != std::end(kJapanese) && found->english == key ? found->japanese : english;
}

}  // namespace

const char* dgettext(const char*, const char* english) {
    return Japanese() ? Lookup(english) : english;
}

// Japanese has one form for every count.
const char* dngettext(const char*, const char* one, const char* many, unsigned long count) {
    return Japanese() ? Lookup(one) : count == 1 ? one : many;
}
