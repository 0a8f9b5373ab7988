#pragma once
// A row of a contents or hierarchy table as its table data keeps it: the
// values and the strings, GUIDs and binaries they point at in one block. A
// table of a large store holds thousands of rows; one allocation each keeps
// building, reading and freeing it cheap.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "pdx/types.h"

namespace vqfax {

using namespace pdx;

// The bytes a value's data takes in a flat copy (a multiple of 8, so what
// follows stays aligned); 0 for a value without data.
size_t flatDataSize(const SPropValue& value);
// Copies `in` to `out`, its data placed at `cursor`, which moves past it.
void flatCopy(const SPropValue& in, SPropValue& out, uint8_t*& cursor);

class StoredRow {
public:
    struct Free {
        void operator()(StoredRow* row) const;
    };
    using Ptr = std::unique_ptr<StoredRow, Free>;

    // A copy of `count` values (the table's columns, in order). Multi-valued
    // types: MAPI_E_NO_SUPPORT; a null pointer where data is required:
    // E_INVALIDARG; no memory: E_OUTOFMEMORY.
    static HRESULT make(ULONG reserved, const SPropValue* values, size_t count, Ptr& out);

    ULONG reserved() const { return reserved_; }
    size_t size() const { return count_; }
    const SPropValue& operator[](size_t i) const { return values()[i]; }
    const SPropValue* begin() const { return values(); }
    const SPropValue* end() const { return values() + count_; }
    // Bytes of data the values point at (their flatDataSize summed).
    size_t dataBytes() const { return dataBytes_; }

private:
    StoredRow(ULONG reserved, size_t count, size_t dataBytes)
        : reserved_(reserved), count_(count), dataBytes_(dataBytes) {}
    const SPropValue* values() const { return reinterpret_cast<const SPropValue*>(this + 1); }
    SPropValue* values() { return reinterpret_cast<SPropValue*>(this + 1); }

    ULONG reserved_;
    size_t count_;
    size_t dataBytes_;
};
static_assert(sizeof(StoredRow) % alignof(SPropValue) == 0);

} // namespace vqfax
