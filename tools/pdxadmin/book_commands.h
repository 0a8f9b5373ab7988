#pragma once
// pdxadmin's address book commands: a session opened through vqcore, read
// and changed without a window.

#include "pdx/pdx.h"

namespace pdxadmin {

// The vqcore exports these commands use, looked up by the caller.
struct CoreCalls {
    pdx::PDXOpenFn open = nullptr;
    pdx::PDXAllocateBufferFn allocateBuffer = nullptr;
    pdx::PDXAllocateMoreFn allocateMore = nullptr;
    pdx::PDXFreeBufferFn freeBuffer = nullptr;
    pdx::PDXFreeProwsFn freeProws = nullptr;
    pdx::PDXFreePadrlistFn freePadrlist = nullptr;
};

bool isBookCommand(const char* command);
// "new-entry" and "details" show a provider's dialogs: they need a display.
bool isDialogCommand(const char* command);
// Runs "hierarchy", "contents", "expand", "defaults", "copy-entries",
// "delete-entries", "new-entry" or "details" with its arguments (argv[0] is
// the command). Exit status: 0, 1 for a failure (reported on stderr), 2 for
// bad arguments.
int runBookCommand(const CoreCalls& core, int argc, char** argv);

} // namespace pdxadmin
