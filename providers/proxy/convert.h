#pragma once
// Copies of property values and the structures built from them, from one
// memory domain into another, deep: strings, GUIDs, binaries and every
// multi-valued type with its data behind the pointers.
//
// With an identifier rule, values cross with the contacts provider's rules:
// PR_ENTRYID, PR_DEF_CREATE_DL and PR_DEF_CREATE_MAILUSER are wrapped on the
// way to the caller and unwrapped on the way in, and a modifiable container
// is reported as one that holds recipients. Without one they are only copied.

#include "entry_ids.h"
#include "memory.h"
#include "pdx/restriction.h"
#include "pdx/types.h"

namespace pdx::proxy {

// A tag array of fixed size, usable where an SPropTagArray is expected.
template <ULONG N> struct SizedTags {
    ULONG cValues;
    ULONG aulPropTag[N];
    const SPropTagArray* get() const { return reinterpret_cast<const SPropTagArray*>(this); }
};

struct Conversion {
    enum Direction { ToCaller, Inward };
    const Allocator& target;
    const IdentifierRule* ids; // null: a plain copy
    Direction direction;
};

// One value into `dst`, its data chained to `root`. A value that cannot be
// copied becomes PT_ERROR with the copy's error; the result is that error.
HRESULT copyValue(const Conversion& c, const SPropValue& src, SPropValue& dst, void* root);
// `count` values into one new root buffer (null for none).
HRESULT copyValues(const Conversion& c, ULONG count, const SPropValue* src, SPropValue** out);
// Row sets and address lists: the array a root, each row's values a root.
HRESULT copyRows(const Conversion& c, const SRowSet* src, SRowSet** out);
HRESULT copyAdrList(const Conversion& c, const ADRLIST* src, ADRLIST** out);
// Each identifier converted; one root buffer.
HRESULT copyEntryList(const Conversion& c, const ENTRYLIST* src, ENTRYLIST** out);
// An identifier in a root buffer of its own, converted.
HRESULT copyEntryId(const Conversion& c, ULONG cb, const BYTE* id, ULONG* cbOut, ENTRYID** out);

// Copied unchanged, each into one root buffer.
HRESULT copyTags(const Allocator& a, const SPropTagArray* src, SPropTagArray** out);
HRESULT copyProblems(const Allocator& a, const SPropProblemArray* src, SPropProblemArray** out);
HRESULT copySortOrder(const Allocator& a, const SSortOrderSet* src, SSortOrderSet** out);
HRESULT copyNames(const Allocator& a, ULONG count, MAPINAMEID* const* src, MAPINAMEID*** out);
HRESULT copyBytes(const Allocator& a, ULONG cb, const BYTE* src, BYTE** out);

// Replaces the values of every entry of `caller` (in the target domain) by
// the converted values of the same entry of `result`; the old values are
// freed in the target domain. Entries beyond `result` stay.
HRESULT replaceEntries(const Conversion& c, ADRLIST* caller, const ADRLIST* result);

} // namespace pdx::proxy
