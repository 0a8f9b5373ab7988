#pragma once
// Nothing may be thrown across a library boundary: every exported function
// and every interface slot runs its body through `guarded`, which turns an
// escaping exception into a status code.

#include <new>

#include "pdx/status.h"

namespace pdx {

template <class Body>
HRESULT guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace pdx
