#include "entry_dialogs.h"

#include <atomic>

namespace vqfax {
namespace {
EntryDialogs g_builtIn;
std::atomic<EntryDialogs*> g_current{&g_builtIn};
} // namespace

HRESULT EntryDialogs::chooseRecordType(ULONG_PTR, ULONG&) { return kDialogUnavailable; }
HRESULT EntryDialogs::editPerson(const EntryDialogContext&) { return kDialogUnavailable; }
HRESULT EntryDialogs::editGroup(const EntryDialogContext&) { return kDialogUnavailable; }

EntryDialogs& entryDialogs() { return *g_current.load(); }
void setEntryDialogs(EntryDialogs* dialogs) { g_current = dialogs ? dialogs : &g_builtIn; }

} // namespace vqfax
