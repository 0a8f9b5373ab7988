#pragma once
// Argument checks made before a callee writes through or reads a caller's pointer.

#include <cstddef>

#include "pdx/types.h"
#include "platform/system.h"

namespace pdx::core {

template <class T>
bool writableOut(T* p) {
    return platform::isWritable(static_cast<void*>(p), sizeof(T));
}
inline bool readable(const void* p, size_t n) { return platform::isReadable(p, n); }
// A caller's tag array: its count first, then every tag the count claims.
inline bool readableTagArray(const SPropTagArray* tags) {
    return readable(tags, sizeof(ULONG)) && readable(tags, cbTagArray(tags->cValues));
}

} // namespace pdx::core
