#pragma once
// The profile dialog (101): which messaging profile the service reads.

#include "mapi_library.h"
#include "pdx/mapi.h"

namespace pdx::mapi {

constexpr int kDialogOk = 1;
constexpr int kDialogCancel = 2;
constexpr int kDialogFailed = -1; // no user interface could be shown (no QApplication)

// Modal, on the service's profile section; `freeBuffer` frees the section's
// answers, `admin` lists the profiles and their services, whose rows are
// freed with the library's FreeProws.
int runProfileDialog(ULONG_PTR ulUIParam, IProfSect* section, FreeBufferFn freeBuffer, IProfAdmin* admin,
                     const MapiLibrary& lib);

} // namespace pdx::mapi
