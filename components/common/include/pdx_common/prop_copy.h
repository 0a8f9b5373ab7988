#pragma once
// Deep copies of MAPI-shaped values into a memory domain: property arrays
// with their strings, binaries, GUIDs and multi-valued arrays chained to one
// root, tag arrays, entry identifiers, entry lists and row sets.

#include <string_view>

#include "pdx/types.h"
#include "pdx_common/buffer_pool.h"

namespace pdx::common {

// Where the data behind copied values goes.
class DataSink {
public:
    virtual HRESULT allocate(size_t cb, void** out) = 0;

protected:
    ~DataSink() = default;
};

// Bytes a deep copy of the value needs behind its SPropValue (each piece
// rounded up to 8 bytes); E_INVALIDARG for data pointers that are null while
// their count says there is data.
HRESULT dataSize(const SPropValue& value, size_t* size);

// Copies one value; everything it points to comes from `sink`.
HRESULT copyValue(const SPropValue& in, SPropValue& out, DataSink& sink);

// A new root holding `count` values with their data chained to it (in one
// chained block). A value that cannot be copied becomes PT_ERROR with the
// reason, as MAPI's copies report it.
HRESULT copyProps(const SPropValue* in, ULONG count, const MemoryDomain& domain, SPropValue** out);
// The same for values given as pointers (e.g. one per column, some null =
// the column's PT_ERROR value `missing[i]`).
HRESULT copyPropPointers(const SPropValue* const* in, const SPropValue* missing, ULONG count,
                         const MemoryDomain& domain, SPropValue** out);

HRESULT copyTagArray(const SPropTagArray* tags, const MemoryDomain& domain, SPropTagArray** out);
// A new root holding `cb` bytes.
HRESULT copyBytes(const void* bytes, ULONG cb, const MemoryDomain& domain, void** out);
// A new root holding an 8-bit string with its terminator.
HRESULT copyString(std::string_view text, const MemoryDomain& domain, char** out);

// Frees a row set (or an address list, which has the same layout): each
// row's property array, then the set itself.
HRESULT freeRowSet(SRowSet* rows, const MemoryDomain& domain);
HRESULT freeAdrList(ADRLIST* list, const MemoryDomain& domain);

// MAPI's rule for finding a value by tag: same identifier, and same type
// unless the wanted type is PT_UNSPECIFIED.
bool tagMatches(ULONG have, ULONG wanted);
const SPropValue* findProp(const SPropValue* values, ULONG count, ULONG tag);

} // namespace pdx::common
