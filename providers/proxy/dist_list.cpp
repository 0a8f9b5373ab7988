#include "dist_list.h"

#include <cstring>

#include "pdx/tags.h"

namespace pdx::proxy {
namespace {

// The component's record of the containers a list belongs to.
constexpr ULONG PR_WAB_DL_PARENTS = 0x800B1102;

std::vector<BYTE> bytesOf(const SBinary& bin) {
    return bin.cb && bin.lpb ? std::vector<BYTE>(bin.lpb, bin.lpb + bin.cb) : std::vector<BYTE>();
}

ENTRYID* asId(std::vector<BYTE>& bytes) { return reinterpret_cast<ENTRYID*>(bytes.data()); }

} // namespace

bool DistListProxy::answers(LPCIID iid) const {
    return oneOf(iid, {&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer, &IID_IDistList});
}

bool DistListProxy::keepsTemplates() const { return provider().policy().listsKeepTemplates(); }

HRESULT DistListProxy::attach(IUnknown* target) {
    ContainerProxy::attach(target);
    if (keepsTemplates()) setUp();
    return S_OK;
}

void DistListProxy::setUp() {
    Provider& p = provider();
    // The parent: the first container the component names for the list, else
    // the personal address book.
    SPropTagArray parents{1, {PR_WAB_DL_PARENTS}};
    ULONG n = 0;
    Owned<SPropValue> from(p.component());
    if (SUCCEEDED(target()->GetProps(&parents, 0, &n, from.out())) && n == 1 && from &&
        from->ulPropTag == PR_WAB_DL_PARENTS && from->Value.MVbin.cValues && from->Value.MVbin.lpbin) {
        const SBinary& first = from->Value.MVbin.lpbin[0];
        const IdentifierRule& ids = p.policy().ids();
        if (first.cb && first.lpb) {
            parent_.resize(ids.outwardSize(first.cb, first.lpb));
            ids.writeOutward(first.cb, first.lpb, parent_.data());
        }
    } else {
        ULONG cb = 0;
        Owned<ENTRYID> pab(p.pdx());
        if (SUCCEEDED(p.GetPAB(&cb, pab.out())) && pab) {
            const auto* bytes = reinterpret_cast<const BYTE*>(pab.get());
            parent_.assign(bytes, bytes + cb);
        }
    }
    if (parent_.empty()) return;

    ULONG type = 0;
    object_ptr<IUnknown> container;
    if (FAILED(p.OpenEntry(ULONG(parent_.size()), asId(parent_), nullptr, 0, &type, container.out()))) return;
    const SizedTags<2> templates{2, {PR_DEF_CREATE_MAILUSER, PR_DEF_CREATE_DL}};
    Owned<SPropValue> values(p.pdx());
    if (FAILED(reinterpret_cast<IMAPIProp*>(container.get())->GetProps(templates.get(), 0, &n, values.out())) ||
        n != 2)
        return;
    if (values.get()[0].ulPropTag == PR_DEF_CREATE_MAILUSER) mailUserTemplate_ = bytesOf(values.get()[0].Value.bin);
    if (values.get()[1].ulPropTag == PR_DEF_CREATE_DL) listTemplate_ = bytesOf(values.get()[1].Value.bin);
}

HRESULT DistListProxy::GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) {
    return guarded([&] {
        HRESULT h = ContainerProxy::GetProps(tags, flags, count, values);
        if (FAILED(h) || !keepsTemplates() || !*values) return h;
        // Templates the component does not know for a list come from the parent.
        SPropValue* v = *values;
        bool errors = false;
        for (ULONG i = 0; i < *count; ++i) {
            if (PROP_TYPE(v[i].ulPropTag) != PT_ERROR) continue;
            const ULONG id = PROP_ID(v[i].ulPropTag);
            const std::vector<BYTE>* kept = id == PROP_ID(PR_DEF_CREATE_MAILUSER) ? &mailUserTemplate_
                                            : id == PROP_ID(PR_DEF_CREATE_DL)      ? &listTemplate_
                                                                                   : nullptr;
            BYTE* data = nullptr;
            if (!kept || kept->empty() || FAILED(provider().pdx().more(kept->size(), v, &data))) {
                errors = true;
                continue;
            }
            std::memcpy(data, kept->data(), kept->size());
            v[i].ulPropTag = PROP_TAG(PT_BINARY, id);
            v[i].Value.bin = {ULONG(kept->size()), data};
        }
        return h == MAPI_W_ERRORS_RETURNED && !errors ? S_OK : h;
    });
}

HRESULT DistListProxy::CreateEntry(ULONG cbEntryID, ENTRYID* entryId, ULONG createFlags, IMAPIProp** out) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        if (!keepsTemplates()) return forwardCreateEntry(cbEntryID, entryId, createFlags, out);
        return createThroughParent(cbEntryID, entryId, createFlags, out);
    });
}

HRESULT DistListProxy::createThroughParent(ULONG cbEntryID, ENTRYID* entryId, ULONG createFlags, IMAPIProp** out) {
    if (!writableOut(out)) return E_INVALIDARG;
    *out = nullptr;
    if (!cbEntryID || !readableIn(entryId, cbEntryID)) return E_INVALIDARG;
    Provider& p = provider();
    if (p.policy().ids().inward(cbEntryID, entryId).kind == InwardId::Foreign) return MAPI_E_UNKNOWN_ENTRYID;
    if (parent_.empty()) return MAPI_E_NO_SUPPORT;

    ULONG type = 0;
    object_ptr<IUnknown> parent;
    if (HRESULT h = p.OpenEntry(ULONG(parent_.size()), asId(parent_), nullptr, 0, &type, parent.out()); FAILED(h))
        return h;
    if (type != MAPI_ABCONT) return MAPI_E_INVALID_OBJECT;
    object_ptr<IMAPIProp> entry;
    if (HRESULT h = reinterpret_cast<IABContainer*>(parent.get())->CreateEntry(cbEntryID, entryId, createFlags,
                                                                             entry.out());
        FAILED(h))
        return h;

    const std::string name = p.policy().newMemberName();
    SPropValue display{};
    display.ulPropTag = PR_DISPLAY_NAME;
    display.Value.lpszA = const_cast<char*>(name.c_str());
    if (HRESULT h = entry->SetProps(1, &display, nullptr); FAILED(h)) return h;
    if (HRESULT h = entry->SaveChanges(KEEP_OPEN_READWRITE); FAILED(h)) return h;
    SPropTagArray idTag{1, {PR_ENTRYID}};
    ULONG n = 0;
    Owned<SPropValue> id(p.pdx());
    if (FAILED(entry->GetProps(&idTag, 0, &n, id.out())) || n != 1 || id->ulPropTag != PR_ENTRYID) return E_FAIL;

    const InwardId member = p.policy().ids().inward(id->Value.bin.cb, reinterpret_cast<ENTRYID*>(id->Value.bin.lpb));
    if (member.kind == InwardId::Foreign) return E_FAIL;
    if (HRESULT h = addMember(member, createFlags); FAILED(h)) return h;
    *out = entry.release();
    return S_OK;
}

HRESULT DistListProxy::addMember(const InwardId& member, ULONG flags) {
    object_ptr<IMAPIProp> added;
    if (HRESULT h = target()->CreateEntry(member.cb, member.id, flags, added.out()); FAILED(h)) return h;
    if (!added) return MAPI_E_INVALID_OBJECT;
    return added->SaveChanges(0);
}

HRESULT DistListProxy::CopyEntries(ENTRYLIST* entries, ULONG_PTR ulUIParam, IMAPIProgress* progress, ULONG flags) {
    return guarded([&] {
        if (HRESULT h = ready(); FAILED(h)) return h;
        if (!keepsTemplates())
            return forwardList(entries, [&](ENTRYLIST* inward) {
                return target()->CopyEntries(inward, ulUIParam, progress, flags);
            });
        return copyIntoList(entries, flags);
    });
}

HRESULT DistListProxy::copyIntoList(ENTRYLIST* entries, ULONG flags) {
    if (!entries || !entries->cValues) return S_OK;
    if (!readableIn(entries, sizeof *entries) || !readableIn(entries->lpbin, sizeof(SBinary) * entries->cValues))
        return E_INVALIDARG;
    const IdentifierRule& ids = provider().policy().ids();
    // Every identifier is checked before the first member is added.
    for (ULONG i = 0; i < entries->cValues; ++i) {
        const SBinary& e = entries->lpbin[i];
        if (ids.inward(e.cb, reinterpret_cast<ENTRYID*>(e.lpb)).kind == InwardId::Foreign)
            return MAPI_E_UNKNOWN_ENTRYID;
    }
    bool all = true;
    for (ULONG i = 0; i < entries->cValues; ++i) {
        const SBinary& e = entries->lpbin[i];
        if (FAILED(addMember(ids.inward(e.cb, reinterpret_cast<ENTRYID*>(e.lpb)), flags))) all = false;
    }
    return all ? S_OK : MAPI_W_PARTIAL_COMPLETION;
}

} // namespace pdx::proxy
