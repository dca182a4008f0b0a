#pragma once

// gettext's calls, answered from the Japanese catalogue built into the
// program (made from cli/po/ja.po): Windows has no gettext. Japanese under
// a Japanese user interface language, the English message ids otherwise.
// Included instead of <libintl.h> on Windows only.
const char* dgettext(const char* domain, const char* english);
const char* dngettext(const char* domain, const char* one, const char* many, unsigned long count);

// Nothing to bind: the catalogue is in the program.
template <typename Path>
const char* bindtextdomain(const char*, const Path*) {
    return nullptr;
}
