#pragma once
// The configuration dialog (101) and the record type dialog (102).

#include "pdx/interfaces.h"

namespace pdx::wab {

constexpr int kDialogOk = 1;
constexpr int kDialogCancel = 2;
constexpr int kDialogFailed = -1; // no user interface could be shown (no QApplication)

// Modal, on the service's profile section; `freeBuffer` frees the section's answers.
int runConfigDialog(ULONG_PTR ulUIParam, IProfSect* section, FreeBufferFn freeBuffer);
// With OK, `templateTag` is the creation template chosen (PR_DEF_CREATE_MAILUSER or PR_DEF_CREATE_DL).
int runRecordTypeDialog(ULONG_PTR ulUIParam, ULONG& templateTag);

} // namespace pdx::wab
