#include <windows.h>

#include "engine/page_memory.h"

namespace kryvet::detail {

void* AllocatePages(std::size_t size) {
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreePages(void* pages, std::size_t) {
    VirtualFree(pages, 0, MEM_RELEASE);
}

}  // namespace kryvet::detail
