#pragma once
// The two ways a selection is made on an open address book: the dialog, and
// the headless choice of a whole container.

#include <cstdint>

#include "handles.h"
#include "vqbridge.h"

namespace vqbridge {

// 1 when the dialog was created and run (OK or Cancel), 0 when it could not be.
int32_t runDialogSelection(AddressBookHandle& handle, uintptr_t window, uint32_t* count, RecipientArray* records);

pdx::HRESULT runHeadlessSelection(AddressBookHandle& handle, const char* containerPath, uint32_t* count,
                                  RecipientArray* records);

} // namespace vqbridge
