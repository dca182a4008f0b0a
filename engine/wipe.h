#pragma once

#include <cstddef>

namespace kryvet {

// Passwords pass through buffers: what held them is cleared before it is
// freed, in a way the compiler may not leave out.
inline void WipeBytes(void* bytes, std::size_t count) {
    volatile unsigned char* at = static_cast<unsigned char*>(bytes);
    while (count-- > 0) {
        *at++ = 0;
    }
}

}  // namespace kryvet
