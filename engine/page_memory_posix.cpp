#include <sys/mman.h>

#include "engine/page_memory.h"

namespace kryvet::detail {

void* AllocatePages(std::size_t size) {
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void FreePages(void* pages, std::size_t size) {
    munmap(pages, size);
}

}  // namespace kryvet::detail
