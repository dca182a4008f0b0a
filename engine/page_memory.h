#pragma once

#include <cstddef>

// Whole pages straight from the system, zeroed, for the rewrite's units:
// they go back to it when freed rather than staying in the heap.
namespace kryvet::detail {

// Nothing when the system has no room.
void* AllocatePages(std::size_t size);
void FreePages(void* pages, std::size_t size);

}  // namespace kryvet::detail
