#pragma once
// Argument checks made before a callee writes through or reads a caller's pointer.

#include <cstddef>

#include "platform/system.h"

namespace pdx::core {

template <class T>
bool writableOut(T* p) {
    return platform::isWritable(static_cast<void*>(p), sizeof(T));
}
inline bool readable(const void* p, size_t n) { return platform::isReadable(p, n); }

} // namespace pdx::core
