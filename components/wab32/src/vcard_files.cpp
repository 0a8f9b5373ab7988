#include "vcard_files.h"

#include <cstring>

#include "card_mapping.h"
#include "objects.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "pdx_common/prop_copy.h"
#include "platform/file.h"
#include "wab_tags.h"

namespace wab32 {

using namespace pdx;
using common::PropArray;

namespace {

HRESULT statusOf(platform::FileCause c) {
    switch (c) {
    case platform::FileCause::None: return S_OK;
    case platform::FileCause::FileNotFound:
    case platform::FileCause::BadPath: return MAPI_E_NOT_FOUND;
    case platform::FileCause::AccessDenied: return E_ACCESSDENIED;
    case platform::FileCause::DiskFull: return MAPI_E_NOT_ENOUGH_DISK;
    default: return MAPI_E_DISK_ERROR;
    }
}

HRESULT readFile(const std::string& path, std::string& bytes) {
    platform::File f;
    platform::FileOpen how;
    how.denyWrite = false;
    if (platform::FileCause c = f.open(path, how); c != platform::FileCause::None) return statusOf(c);
    return statusOf(f.readAll(bytes));
}

// The cards of a file; a file with no card at all is not a vCard file.
HRESULT readCards(const std::string& path, vcard::Document& doc) {
    std::string bytes;
    if (HRESULT h = readFile(path, bytes); FAILED(h)) return h;
    doc = vcard::parse(bytes);
    for (const vcard::Segment& s : doc.segments)
        if (s.isCard && s.card.complete) return S_OK;
    return MAPI_E_CORRUPT_DATA;
}

bool sameValue(const SPropValue& a, const SPropValue& b) {
    if (a.ulPropTag != b.ulPropTag) return false;
    switch (PROP_TYPE(a.ulPropTag)) {
    case PT_STRING8: return a.Value.lpszA && b.Value.lpszA && std::strcmp(a.Value.lpszA, b.Value.lpszA) == 0;
    case PT_LONG: return a.Value.l == b.Value.l;
    case PT_BOOLEAN: return (a.Value.b != 0) == (b.Value.b != 0);
    case PT_BINARY:
        return a.Value.bin.cb == b.Value.bin.cb &&
               (a.Value.bin.cb == 0 || std::memcmp(a.Value.bin.lpb, b.Value.bin.lpb, a.Value.bin.cb) == 0);
    default: return false;
    }
}

// The object's values as it shows them now (its changes included).
HRESULT currentProps(IMailUser* user, PropArray& out) {
    ULONG n = 0;
    SPropValue* values = nullptr;
    // Callers hand lists in as mail users too; the property slots are the same.
    HRESULT h = reinterpret_cast<IMAPIProp*>(user)->GetProps(nullptr, 0, &n, &values);
    if (FAILED(h)) return h;
    for (ULONG i = 0; i < n; ++i)
        if (PROP_TYPE(values[i].ulPropTag) != PT_ERROR) out.set(values[i]);
    // Our own objects answer in our domain; a foreign buffer is refused unread.
    wabDomain().free(values);
    return S_OK;
}

} // namespace

HRESULT writeMailUserCard(Session& session, IMailUser* user, const std::string& path) {
    PropArray now;
    if (HRESULT h = currentProps(user, now); FAILED(h)) return h;
    if (const SPropValue* type = now.find(PR_OBJECT_TYPE); type && ULONG(type->Value.l) != MAPI_MAILUSER)
        return E_INVALIDARG;
    std::optional<vcard::Card> card;
    std::shared_ptr<const PropArray> stored;
    if (const SPropValue* id = now.find(PR_ENTRYID)) {
        EntryRef ref;
        if (parseEntryId(id->Value.bin.lpb, id->Value.bin.cb, ref) && ref.kind == EntryKind::MailUser) {
            std::lock_guard g(session.store->mutex());
            session.store->refresh();
            card = session.store->cardOf(ref.key);
            if (card) stored = session.store->propsOf(ref);
        }
    }
    PropArray values;
    std::vector<ULONG> deleted;
    for (ULONG i = 0; i < now.size(); ++i) {
        const SPropValue& v = now.data()[i];
        if (isComputed(v.ulPropTag) || FAILED(canStore(v))) continue;
        const SPropValue* was = stored ? stored->find(v.ulPropTag) : nullptr;
        if (!was || !sameValue(*was, v)) values.set(v);
    }
    if (card) {
        // What the card has and the object no longer has goes too.
        for (ULONG i = 0; i < stored->size(); ++i) {
            const SPropValue& v = stored->data()[i];
            if (!isComputed(v.ulPropTag) && SUCCEEDED(canStore(v)) && !now.find(v.ulPropTag))
                deleted.push_back(v.ulPropTag);
        }
        // The user's own mark stays in the store.
        while (const vcard::Property* mark = card->find(ContactStore::kMeLine)) card->remove(mark);
    } else {
        card = newCard("3.0", randomKey(), false, "\r\n");
    }
    writeProps(*card, values, deleted);
    return statusOf(platform::writeFileAtomically(path, card->text()));
}

HRESULT readFirstContact(const std::string& path, PropArray& props) {
    vcard::Document doc;
    if (HRESULT h = readCards(path, doc); FAILED(h)) return h;
    for (const vcard::Segment& s : doc.segments) {
        if (!s.isCard || !s.card.complete) continue;
        PropArray read;
        CardFacts facts;
        readCard(s.card, read, facts);
        if (facts.isList) continue;
        props = std::move(read);
        return S_OK;
    }
    return MAPI_E_NOT_FOUND;
}

HRESULT readMailUserCard(const std::shared_ptr<Session>& session, const std::string& path, IMailUser** out) {
    PropArray read;
    if (HRESULT h = readFirstContact(path, read); FAILED(h)) return h;
    std::shared_ptr<EntryState> state = EntryState::created(session, EntryKind::MailUser);
    std::vector<SPropValue> values;
    for (ULONG i = 0; i < read.size(); ++i)
        if (SUCCEEDED(canStore(read.data()[i]))) values.push_back(read.data()[i]);
    if (HRESULT h = state->setProps(ULONG(values.size()), values.data(), nullptr); FAILED(h)) return h;
    IMAPIProp* user = newEntryObject(std::move(state));
    if (!user) return E_OUTOFMEMORY;
    *out = static_cast<IMailUser*>(user);
    return S_OK;
}

HRESULT importCardFile(Session& session, const std::string& path) {
    vcard::Document doc;
    if (HRESULT h = readCards(path, doc); FAILED(h)) return h;
    // Half a file is not imported: the cards after the damage are unknown.
    if (doc.damaged) return MAPI_E_CORRUPT_DATA;
    std::vector<vcard::Card> cards;
    for (vcard::Segment& s : doc.segments)
        if (s.isCard && s.card.complete) cards.push_back(std::move(s.card));
    const size_t offered = cards.size();
    size_t added = 0;
    HRESULT h;
    {
        std::lock_guard g(session.store->mutex());
        session.store->refresh();
        h = session.store->importCards(std::move(cards), &added);
    }
    if (FAILED(h)) return h;
    if (added) session.advise.notify(fnevObjectModified, ContactStore::containerId(), MAPI_ABCONT);
    return added == offered ? S_OK : MAPI_W_PARTIAL_COMPLETION;
}

} // namespace wab32
