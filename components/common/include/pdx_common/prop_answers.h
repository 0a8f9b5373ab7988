#pragma once
// GetProps and GetPropList of an object whose properties are held in a
// property array, answered into a component's memory domain with MAPI's rules.

#include <string_view>

#include "pdx/types.h"
#include "pdx_common/buffer_pool.h"
#include "pdx_common/prop_array.h"

namespace pdx::common {

// No tags: every property. A tag the array lacks comes back as PT_ERROR
// MAPI_E_NOT_FOUND and the call returns MAPI_W_ERRORS_RETURNED.
HRESULT answerProps(const PropArray& props, const SPropTagArray* tags, ULONG flags, const MemoryDomain& domain,
                    ULONG* count, SPropValue** values);
HRESULT answerPropList(const PropArray& props, ULONG flags, const MemoryDomain& domain, SPropTagArray** tags);
// A copy of an entry identifier in the domain.
HRESULT answerEntryId(std::string_view id, const MemoryDomain& domain, ULONG* cb, ENTRYID** out);

} // namespace pdx::common
