#pragma once
// GetProps and GetPropList answered from a property array, into the
// component's memory domain, with MAPI's rules.

#include "pdx/types.h"
#include "pdx_common/prop_array.h"

namespace wab32 {

// No tags: every property. A tag the array lacks comes back as PT_ERROR
// MAPI_E_NOT_FOUND and the call returns MAPI_W_ERRORS_RETURNED.
pdx::HRESULT answerProps(const pdx::common::PropArray& props, const pdx::SPropTagArray* tags, pdx::ULONG flags,
                         pdx::ULONG* count, pdx::SPropValue** values);
pdx::HRESULT answerPropList(const pdx::common::PropArray& props, pdx::ULONG flags, pdx::SPropTagArray** tags);
// A problem array in the component's domain (null when there are none).
pdx::HRESULT answerProblems(const std::vector<pdx::SPropProblem>& problems, pdx::SPropProblemArray** out);
// A copy of an entry id in the component's domain.
pdx::HRESULT answerEntryId(const std::string& id, pdx::ULONG* cb, pdx::ENTRYID** out);

} // namespace wab32
