#pragma once
// Owning handles for PDX buffers and reference-counted objects, so that every
// path out of a function frees what it received. The free routine is carried
// along because callers outside vqcore reach the allocator through pointers
// they looked up at run time.

#include <utility>

#include "pdx/guids.h"
#include "pdx/interfaces.h"
#include "pdx/types.h"

namespace pdx {

// A PDX buffer (root) freed with `Free` when the handle goes.
template <class T, class Free = FreeBufferFn>
class buffer_ptr {
public:
    buffer_ptr() = default;
    explicit buffer_ptr(Free free) : free_(free) {}
    buffer_ptr(T* p, Free free) : p_(p), free_(free) {}
    ~buffer_ptr() { reset(); }
    buffer_ptr(buffer_ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)), free_(o.free_) {}
    buffer_ptr& operator=(buffer_ptr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
            free_ = o.free_;
        }
        return *this;
    }
    buffer_ptr(const buffer_ptr&) = delete;
    buffer_ptr& operator=(const buffer_ptr&) = delete;

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    T& operator[](size_t i) const { return p_[i]; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out parameters: frees what is held and hands out the slot.
    T** out() {
        reset();
        return &p_;
    }
    void** vout() { return reinterpret_cast<void**>(out()); }
    T* release() { return std::exchange(p_, nullptr); }
    void reset(T* p = nullptr) {
        T* old = std::exchange(p_, p);
        if (old && free_) free_(old);
    }

private:
    T* p_ = nullptr;
    Free free_ = nullptr;
};

using FreeProwsFn = HRESULT (*)(SRowSet*);
using FreePadrlistFn = HRESULT (*)(ADRLIST*);
using rowset_ptr = buffer_ptr<SRowSet, FreeProwsFn>;
using adrlist_ptr = buffer_ptr<ADRLIST, FreePadrlistFn>;

// A counted reference: Release on destruction.
template <class T>
class object_ptr {
public:
    object_ptr() = default;
    // Takes over a reference the caller already owns.
    explicit object_ptr(T* p) : p_(p) {}
    ~object_ptr() { reset(); }
    object_ptr(object_ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    object_ptr& operator=(object_ptr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    object_ptr(const object_ptr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    object_ptr& operator=(const object_ptr& o) {
        if (this != &o) {
            if (o.p_) o.p_->AddRef();
            reset();
            p_ = o.p_;
        }
        return *this;
    }
    // Adds a reference of its own.
    static object_ptr share(T* p) {
        if (p) p->AddRef();
        return object_ptr(p);
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** out() {
        reset();
        return &p_;
    }
    void** vout() { return reinterpret_cast<void**>(out()); }
    T* release() { return std::exchange(p_, nullptr); }
    void reset(T* p = nullptr) {
        T* old = std::exchange(p_, p);
        if (old) old->Release();
    }
    // QueryInterface into another handle.
    template <class U>
    HRESULT query(const IID& iid, object_ptr<U>& out) const {
        return p_ ? p_->QueryInterface(&iid, out.vout()) : static_cast<HRESULT>(0x80070057);
    }

private:
    T* p_ = nullptr;
};

} // namespace pdx
