// The user's own contact ("me"): one mail user of the store, marked in its
// card with a line other address books ignore.

#include <pwd.h>
#include <unistd.h>

#include "address_picker.h"
#include "objects.h"
#include "pdx/mapi.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "pdx_common/prop_copy.h"
#include "platform/codepage.h"
#include "vcard_files.h"
#include "wab_tags.h"

namespace wab32 {

using namespace pdx;

namespace {

// The name a "me" made without asking gets: the account's full name, else
// its login, else the component's word for it. UTF-8.
std::string accountName() {
    if (const passwd* pw = ::getpwuid(::getuid())) {
        std::string full = pw->pw_gecos ? pw->pw_gecos : "";
        full = full.substr(0, full.find(','));
        if (!full.empty()) return full;
        if (pw->pw_name && *pw->pw_name) return pw->pw_name;
    }
    return dialogText(49);
}

HRESULT answerId(const Key& key, SBinary* out) {
    const std::string id = makeEntryId(EntryKind::MailUser, key);
    void* bytes = nullptr;
    HRESULT h = common::copyBytes(id.data(), ULONG(id.size()), wabDomain(), &bytes);
    if (FAILED(h)) return h;
    *out = {ULONG(id.size()), static_cast<BYTE*>(bytes)};
    return S_OK;
}

// The user picks one of the store's contacts. Caller holds no lock.
DialogResult pickContact(Session& session, ULONG_PTR ui, std::optional<Key>& picked) {
    AddressRequest request;
    request.caption = dialogText(47);
    request.pickOne = true;
    std::vector<Key> keys;
    {
        std::lock_guard g(session.store->mutex());
        session.store->refresh();
        for (const Entry& e : session.store->entries()) {
            if (e.kind != EntryKind::MailUser) continue;
            keys.push_back(e.key);
            request.candidates.push_back({platform::systemToUtf8(e.props->string(PR_DISPLAY_NAME)),
                                          platform::systemToUtf8(e.props->string(PR_EMAIL_ADDRESS)), false});
        }
    }
    AddressChoice choice;
    const DialogResult r = pickAddresses(ui, request, choice);
    if (r == DialogResult::Ok && choice.picked && *choice.picked < keys.size()) picked = keys[*choice.picked];
    return r;
}

HRESULT markMe(Session& session, const Key& key) {
    std::lock_guard g(session.store->mutex());
    return session.store->setMe(key);
}

} // namespace

HRESULT getMe(const std::shared_ptr<Session>& session, ULONG flags, DWORD* action, SBinary* entryId, ULONG_PTR ui) {
    if (!entryId) return E_INVALIDARG;
    *entryId = {0, nullptr};
    if (action) *action = 0;
    {
        std::lock_guard g(session->store->mutex());
        session->store->refresh();
        if (auto me = session->store->me()) return answerId(*me, entryId);
    }
    if (flags & WABOBJECT_ME_NOCREATE) return MAPI_E_NOT_FOUND;
    // Asked, the user points at the contact that is theirs.
    if (!(flags & AB_NO_DIALOG)) {
        std::optional<Key> picked;
        switch (pickContact(*session, ui, picked)) {
        case DialogResult::Cancel: return MAPI_E_USER_CANCEL;
        case DialogResult::Ok:
            if (!picked) return MAPI_E_USER_CANCEL;
            if (HRESULT h = markMe(*session, *picked); FAILED(h)) return h;
            return answerId(*picked, entryId);
        case DialogResult::Unavailable: break; // made without asking, below
        }
    }
    std::shared_ptr<EntryState> state = EntryState::created(session, EntryKind::MailUser);
    SPropValue name{};
    name.ulPropTag = PR_DISPLAY_NAME;
    const std::string text = platform::utf8ToSystem(accountName(), '?');
    name.Value.lpszA = const_cast<char*>(text.c_str());
    if (HRESULT h = state->setProps(1, &name, nullptr); FAILED(h)) return h;
    if (HRESULT h = state->saveChanges(0); FAILED(h)) return h;
    const std::optional<Key> key = state->key();
    if (!key) return E_FAIL;
    if (HRESULT h = markMe(*session, *key); FAILED(h)) return h;
    if (action) *action = WABOBJECT_ME_NEW;
    return answerId(*key, entryId);
}

HRESULT setMe(const std::shared_ptr<Session>& session, ULONG flags, const SBinary& entryId, ULONG_PTR ui) {
    if (flags & MAPI_DIALOG) {
        std::optional<Key> picked;
        switch (pickContact(*session, ui, picked)) {
        case DialogResult::Cancel: return MAPI_E_USER_CANCEL;
        case DialogResult::Unavailable: return MAPI_E_NO_SUPPORT;
        case DialogResult::Ok: break;
        }
        return picked ? markMe(*session, *picked) : MAPI_E_USER_CANCEL;
    }
    EntryRef ref;
    if (!parseEntryId(entryId.lpb, entryId.cb, ref) || ref.kind != EntryKind::MailUser) return MAPI_E_INVALID_ENTRYID;
    std::lock_guard g(session->store->mutex());
    session->store->refresh();
    return session->store->setMe(ref.key);
}

} // namespace wab32
