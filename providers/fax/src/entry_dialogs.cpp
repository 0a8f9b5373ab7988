#include "entry_dialogs.h"

#include <QGuiApplication>
#include <QScreen>
#include <atomic>
#include <cstring>

#include "dialog_hooks.h"
#include "fax_memory.h"
#include "group_dialog.h"
#include "pdx/status.h"
#include "person_dialog.h"
#include "record_type_dialog.h"

namespace vqfax {
namespace {

EntryDialogs g_builtIn;
std::atomic<EntryDialogs*> g_current{&g_builtIn};

QWidget* ownerOf(ULONG_PTR ulUIParam) { return reinterpret_cast<QWidget*>(ulUIParam); }

void centre(QWidget* dialog) {
    dialog->adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog->move(screen->availableGeometry().center() - dialog->rect().center());
}

// A new entry's identifier handed to the caller, in memory from the allocate routine.
HRESULT handOut(const EntryDialogContext& context, const Bytes& id) {
    if (id.empty() || !context.cbNewEntryId || !context.newEntryId) return S_OK;
    ENTRYID* copy = nullptr;
    if (HRESULT h = allocate(id.size(), &copy); FAILED(h)) return h;
    std::memcpy(copy, id.data(), id.size());
    *context.cbNewEntryId = ULONG(id.size());
    *context.newEntryId = copy;
    return S_OK;
}

// Runs a person or group dialog modally; the new identifier goes out on a save.
template <class Dialog>
HRESULT runEntryDialog(const EntryDialogContext& context) {
    if (!haveApplication()) return kDialogUnavailable;
    // Nothing is handed out unless a save made an entry.
    if (context.cbNewEntryId) *context.cbNewEntryId = 0;
    if (context.newEntryId) *context.newEntryId = nullptr;
    Dialog dialog(context, ownerOf(context.ulUIParam));
    centre(&dialog);
    if (dialog.exec() != QDialog::Accepted) return S_OK;
    return handOut(context, dialog.createdId());
}

} // namespace

HRESULT EntryDialogs::chooseRecordType(ULONG_PTR ulUIParam, ULONG& templateTag) {
    if (!haveApplication()) return kDialogUnavailable;
    RecordTypeDialog dialog(ownerOf(ulUIParam));
    centre(&dialog);
    if (dialog.exec() != QDialog::Accepted) return MAPI_E_USER_CANCEL;
    templateTag = dialog.chosenTemplate();
    return S_OK;
}

HRESULT EntryDialogs::editPerson(const EntryDialogContext& context) { return runEntryDialog<PersonDialog>(context); }
HRESULT EntryDialogs::editGroup(const EntryDialogContext& context) { return runEntryDialog<GroupDialog>(context); }

EntryDialogs& entryDialogs() { return *g_current.load(); }
void setEntryDialogs(EntryDialogs* dialogs) { g_current = dialogs ? dialogs : &g_builtIn; }

} // namespace vqfax
