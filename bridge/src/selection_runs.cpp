#include "selection_runs.h"

#include <QGuiApplication>
#include <QScreen>

#include "dialog/recip_select_dialog.h"
#include "owner_window.h"
#include "pdx/status.h"
#include "platform/system.h"
#include "selection/record_io.h"
#include "wait_cursor.h"

namespace vqbridge {

using namespace pdx;

namespace {

constexpr char kSettingsFile[] = "Lisotrex.inf";

bool argumentsUsable(uint32_t* count, RecipientArray* records) {
    return platform::isWritable(count, sizeof *count) && arrayUsable(records);
}

RecipientSelection prepare(AddressBookHandle& handle, uint32_t count, const RecipientArray& records) {
    const CoreBinding& core = bridgeState().core;
    PdxAccess pdx{handle.book, handle.session, core.api()};
    return RecipientSelection(pdx, SelectionLabels::read(core.folder() + kSettingsFile), records.capacity,
                              readRecords(records, count));
}

} // namespace

int32_t runDialogSelection(AddressBookHandle& handle, uintptr_t window, uint32_t* count, RecipientArray* records) {
    if (!argumentsUsable(count, records)) {
        bridgeState().lastStatus = E_INVALIDARG;
        return 0;
    }
    if (!haveApplication() || !handle.book || !handle.session) return 0;
    const uint32_t filled = *count;
    RecipientSelection selection = prepare(handle, filled, *records);
    RecipSelectDialog dialog(selection, bridgeState().core.folder(), widgetOf(window));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    ArrowCursor arrow;
    if (!dialog.start()) return 1;
    if (dialog.exec() == QDialog::Accepted) writeRecords(*records, *count, filled, selection.importList());
    return 1;
}

HRESULT runHeadlessSelection(AddressBookHandle& handle, const char* containerPath, uint32_t* count,
                             RecipientArray* records) {
    if (!argumentsUsable(count, records) || !handle.book || !handle.session) return E_INVALIDARG;
    const uint32_t filled = *count;
    RecipientSelection selection = prepare(handle, filled, *records);
    selection.loadContainers();
    const int node = containerPath && *containerPath ? nodeOfPath(selection.containers(), containerPath)
                                                     : selection.defaultContainer();
    if (node < 0) return MAPI_E_NOT_FOUND;
    selection.showContainer(node);
    std::vector<size_t> every(selection.rows().size());
    for (size_t i = 0; i < every.size(); ++i) every[i] = i;
    if (selection.add(every) == RecipientSelection::AddResult::TooMany) return MAPI_E_TABLE_TOO_BIG;
    // As the dialog: OK is enabled, and so writes the list, once an add was made.
    if (selection.changed()) writeRecords(*records, *count, filled, selection.importList());
    return S_OK;
}

} // namespace vqbridge
