#pragma once
// The two memory domains a proxy works between: PDX memory, which everything
// handed to vqcore lives in, and the outside component's own memory, which
// everything handed to the component lives in. A buffer is always freed in
// the domain that allocated it.

#include "pdx/types.h"

namespace pdx::proxy {

class Allocator {
public:
    virtual HRESULT allocate(ULONG cb, void** out) const = 0;
    virtual HRESULT allocateMore(ULONG cb, void* parent, void** out) const = 0;
    virtual HRESULT free(void* p) const = 0;

    // Typed and zero-filled; sizes beyond 32 bits fail as out of memory.
    template <class T> HRESULT root(size_t cb, T** out) const { return zeroed(cb, nullptr, reinterpret_cast<void**>(out)); }
    template <class T> HRESULT more(size_t cb, void* parent, T** out) const {
        return zeroed(cb, parent, reinterpret_cast<void**>(out));
    }

protected:
    ~Allocator() = default;

private:
    HRESULT zeroed(size_t cb, void* parent, void** out) const;
};

// A domain given as three routines: PDX's (from GetMemAllocRoutines) or MAPI's.
class RoutineAllocator final : public Allocator {
public:
    RoutineAllocator() = default;
    RoutineAllocator(AllocateBufferFn a, AllocateMoreFn m, FreeBufferFn f) : allocate_(a), more_(m), free_(f) {}
    HRESULT allocate(ULONG cb, void** out) const override;
    HRESULT allocateMore(ULONG cb, void* parent, void** out) const override;
    HRESULT free(void* p) const override;
    FreeBufferFn freeRoutine() const { return free_; }

private:
    AllocateBufferFn allocate_ = nullptr;
    AllocateMoreFn more_ = nullptr;
    FreeBufferFn free_ = nullptr;
};

// A root buffer of one domain, freed there when the holder goes.
template <class T>
class Owned {
public:
    explicit Owned(const Allocator& a) : a_(&a) {}
    Owned(const Allocator& a, T* p) : a_(&a), p_(p) {}
    ~Owned() { reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** out() {
        reset();
        return &p_;
    }
    T* release() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    void reset() {
        if (p_) a_->free(p_);
        p_ = nullptr;
    }

private:
    const Allocator* a_;
    T* p_ = nullptr;
};

// Row sets and address lists: every row's values are a root of their own.
void freeRows(const Allocator& a, SRowSet* rows);
void freeAdrList(const Allocator& a, ADRLIST* list);

} // namespace pdx::proxy
