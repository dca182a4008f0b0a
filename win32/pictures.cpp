#include "win32/pictures.h"

#include <map>
#include <stdexcept>
#include <string>

namespace kryvet::win32 {

namespace {

// The same picture sources as the Linux build's.
#include "dialogs/pictures/app_icon.xpm"
#include "dialogs/pictures/cancel_book.xpm"
#include "dialogs/pictures/container_full.xpm"
#include "dialogs/pictures/folder_struck.xpm"
#include "dialogs/pictures/key.xpm"
#include "dialogs/pictures/key_broken.xpm"
#include "dialogs/pictures/ok_door.xpm"
#include "dialogs/pictures/padlock_closed.xpm"
#include "dialogs/pictures/padlock_open.xpm"
#include "dialogs/pictures/page_restored.xpm"

struct Source {
    std::string_view name;
    std::span<const char* const> lines;
};

constexpr Source kSources[] = {
    {"app_icon", app_icon_xpm},
    {"cancel_book", cancel_book_xpm},
    {"container_full", container_full_xpm},
    {"folder_struck", folder_struck_xpm},
    {"key", key_xpm},
    {"key_broken", key_broken_xpm},
    {"ok_door", ok_door_xpm},
    {"padlock_closed", padlock_closed_xpm},
    {"padlock_open", padlock_open_xpm},
    {"page_restored", page_restored_xpm},
};

}  // namespace

const XpmImage& PictureNamed(std::string_view name) {
    // Read once, on first use, and never changed after: every paint asks.
    static const std::map<std::string_view, XpmImage> read = [] {
        std::map<std::string_view, XpmImage> all;
        for (const Source& source : kSources) {
            all.emplace(source.name, ReadXpm(source.lines));
        }
        return all;
    }();
    if (const auto found = read.find(name); found != read.end()) {
        return found->second;
    }
    throw std::logic_error("no picture " + std::string(name));
}

}  // namespace kryvet::win32
