#pragma once
// Name resolution against the store: by display name or e-mail address,
// whole and without regard to ASCII case first, then as a prefix.

#include <memory>
#include <vector>

#include "contact_store.h"
#include "pdx/address.h"
#include "pdx/types.h"

namespace wab32 {

// The entries a name picks out (several: ambiguous). Caller holds the store's lock.
std::vector<const Entry*> matchName(const ContactStore& store, std::string_view name);

// Replaces an address entry's properties with `tags` (or a standard set)
// read from `props`; the old array is freed in the component's domain.
pdx::HRESULT fillAdrEntry(pdx::ADRENTRY& entry, const pdx::common::PropArray& props, const pdx::SPropTagArray* tags);

// PrepareRecips: the entry's requested properties first, in the order asked,
// then the other properties it already had.
pdx::HRESULT prepareAdrEntry(pdx::ADRENTRY& entry, const pdx::common::PropArray* props, const pdx::SPropTagArray* tags);

} // namespace wab32
