#include "wab_policy.h"

#include "dialogs.h"
#include "pdx/status.h"
#include "platform/codepage.h"
#include "string_ids.h"

namespace pdx::wab {

WabPolicy::WabPolicy(platform::Module module, IWABObject* wab, platform::FileVersion version, const MAPIUID& uid)
    : module_(std::move(module)), wab_(wab), memory_(wab), version_(version), ids_(uid) {}

WabPolicy::~WabPolicy() {
    if (wab_) wab_->Release();
}

ULONG WabPolicy::tableFlags(ULONG callerFlags) const {
    return version_.high >= kWab5 ? callerFlags | WAB_LOCAL_CONTAINERS : callerFlags;
}

std::string WabPolicy::newMemberName() const { return platform::utf8ToSystem(loadString(kStrNewMemberName)); }

HRESULT WabPolicy::chooseRecordType(ULONG_PTR ulUIParam, ULONG* templateTag) {
    ULONG tag = 0;
    if (runRecordTypeDialog(ulUIParam, tag) != kDialogOk) return MAPI_E_USER_CANCEL;
    *templateTag = tag;
    return S_OK;
}

} // namespace pdx::wab
