#include "forward.h"

#include "convert.h"
#include "pdx/guard.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "provider.h"
#include "proxies.h"

namespace pdx::proxy {

HRESULT forwardGetProps(Provider& p, IMAPIProp* target, const SPropTagArray* tags, ULONG flags, ULONG* count,
                        SPropValue** values) {
    if (!writableOut(count) || !writableOut(values)) return E_INVALIDARG;
    ULONG n = 0;
    Owned<SPropValue> from(p.component());
    const HRESULT h = target->GetProps(tags, flags, &n, from.out());
    if (FAILED(h)) return h;
    SPropValue* copy = nullptr;
    if (HRESULT c = copyValues(p.toCaller(), n, from.get(), &copy); FAILED(c)) return c;
    *count = copy ? n : 0;
    *values = copy;
    return h;
}

HRESULT forwardGetPropList(Provider& p, IMAPIProp* target, ULONG flags, SPropTagArray** tags) {
    if (!writableOut(tags)) return E_INVALIDARG;
    Owned<SPropTagArray> from(p.component());
    const HRESULT h = target->GetPropList(flags, from.out());
    if (FAILED(h)) return h;
    if (HRESULT c = copyTags(p.pdx(), from.get(), tags); FAILED(c)) return c;
    return h;
}

HRESULT forwardOpenProperty(Provider& p, IMAPIProp* target, ULONG tag, LPCIID iid, ULONG interfaceOptions,
                            ULONG flags, IUnknown** out) {
    if (!writableOut(out)) return E_INVALIDARG;
    *out = nullptr;
    if (!isIid(iid, IID_IMAPITable)) return E_NOINTERFACE;
    object_ptr<IUnknown> table;
    const HRESULT h = target->OpenProperty(tag, iid, interfaceOptions, flags, table.out());
    if (FAILED(h)) return h;
    if (!table) return MAPI_E_INVALID_OBJECT;
    IMAPITable* proxy = nullptr;
    if (HRESULT w = wrapTable(p, reinterpret_cast<IMAPITable*>(table.get()), &proxy); FAILED(w)) return w;
    *out = proxy;
    return h;
}

HRESULT problemsToCaller(Provider& p, HRESULT status, SPropProblemArray* fromComponent, SPropProblemArray** out) {
    Owned<SPropProblemArray> from(p.component(), fromComponent);
    if (!out) return status;
    *out = nullptr;
    if (HRESULT c = copyProblems(p.pdx(), from.get(), out); FAILED(c)) return c;
    return status;
}

HRESULT forwardSetProps(Provider& p, IMAPIProp* target, ULONG count, const SPropValue* values,
                        SPropProblemArray** problems) {
    if (problems && !writableOut(problems)) return E_INVALIDARG;
    SPropProblemArray* from = nullptr;
    const HRESULT h = target->SetProps(count, values, problems ? &from : nullptr);
    return problemsToCaller(p, h, from, problems);
}

HRESULT forwardDeleteProps(Provider& p, IMAPIProp* target, const SPropTagArray* tags, SPropProblemArray** problems) {
    if (problems && !writableOut(problems)) return E_INVALIDARG;
    SPropProblemArray* from = nullptr;
    const HRESULT h = target->DeleteProps(tags, problems ? &from : nullptr);
    return problemsToCaller(p, h, from, problems);
}

HRESULT forwardNamesFromIds(Provider& p, IMAPIProp* target, SPropTagArray** tags, GUID* propSet, ULONG flags,
                            ULONG* count, MAPINAMEID*** names) {
    if (!writableOut(tags) || !writableOut(count) || !writableOut(names)) return E_INVALIDARG;
    // The caller's tags are lent as they are; a tag array the component makes
    // (when the caller asked for all names) comes back as a copy.
    SPropTagArray* const given = *tags;
    SPropTagArray* used = given;
    ULONG n = 0;
    MAPINAMEID** from = nullptr;
    const HRESULT h = target->GetNamesFromIDs(&used, propSet, flags, &n, &from);
    Owned<MAPINAMEID*> fromNames(p.component(), from);
    Owned<SPropTagArray> fromTags(p.component(), used != given ? used : nullptr);
    if (FAILED(h)) return h;
    Owned<SPropTagArray> tagCopy(p.pdx());
    if (fromTags)
        if (HRESULT c = copyTags(p.pdx(), fromTags.get(), tagCopy.out()); FAILED(c)) return c;
    MAPINAMEID** copy = nullptr;
    if (HRESULT c = copyNames(p.pdx(), n, fromNames.get(), &copy); FAILED(c)) return c;
    if (tagCopy) *tags = tagCopy.release();
    *count = copy ? n : 0;
    *names = copy;
    return h;
}

HRESULT forwardIdsFromNames(Provider& p, IMAPIProp* target, ULONG count, MAPINAMEID** names, ULONG flags,
                            SPropTagArray** tags) {
    if (!writableOut(tags)) return E_INVALIDARG;
    Owned<SPropTagArray> from(p.component());
    const HRESULT h = target->GetIDsFromNames(count, names, flags, from.out());
    if (FAILED(h)) return h;
    if (HRESULT c = copyTags(p.pdx(), from.get(), tags); FAILED(c)) return c;
    return h;
}

HRESULT forwardOpenEntry(Provider& p, const ComponentOpen& open, ULONG cbEntryID, ENTRYID* entryId, ULONG* objType,
                         IUnknown** out) {
    if (!writableOut(objType) || !writableOut(out)) return E_INVALIDARG;
    *out = nullptr;
    const InwardId in = p.policy().ids().inward(cbEntryID, entryId);
    if (in.kind == InwardId::Foreign) return MAPI_E_INVALID_ENTRYID;
    ULONG type = 0;
    object_ptr<IUnknown> object;
    const HRESULT h = open(in.cb, in.id, &type, object.out());
    if (FAILED(h)) return h;
    IUnknown* proxy = nullptr;
    if (HRESULT w = wrapObject(p, type, object.get(), &proxy); FAILED(w)) return w;
    *objType = type;
    *out = proxy;
    return h;
}

HRESULT forwardWithAdrList(Provider& p, ADRLIST* list, const std::function<HRESULT(ADRLIST*)>& call) {
    Owned<ADRLIST> inward(p.component());
    if (HRESULT c = copyAdrList(p.toComponent(), list, inward.out()); FAILED(c)) return c;
    const HRESULT h = call(inward.get());
    if (SUCCEEDED(h))
        if (HRESULT c = replaceEntries(p.toCaller(), list, inward.get()); FAILED(c)) {
            freeAdrList(p.component(), inward.release());
            return c;
        }
    freeAdrList(p.component(), inward.release());
    return h;
}

HRESULT wrapCreated(Provider& p, IMAPIProp* object, IMAPIProp** out) {
    object_ptr<IMAPIProp> created(object);
    *out = nullptr;
    if (!created) return MAPI_E_INVALID_OBJECT;
    SPropTagArray tag{1, {PR_OBJECT_TYPE}};
    ULONG n = 0;
    Owned<SPropValue> type(p.component());
    HRESULT h = created->GetProps(&tag, 0, &n, type.out());
    if (FAILED(h) || n != 1 || !type || type->ulPropTag != PR_OBJECT_TYPE) return MAPI_E_INVALID_OBJECT;
    IUnknown* proxy = nullptr;
    if (HRESULT w = wrapObject(p, type->Value.ul, created.get(), &proxy); FAILED(w)) return w;
    *out = reinterpret_cast<IMAPIProp*>(proxy);
    return S_OK;
}

} // namespace pdx::proxy
