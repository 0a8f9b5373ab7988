#include "entry_object.h"

#include <vector>

#include "fax_tags.h"
#include "logon.h"
#include "fax_memory.h"
#include "pdx/status.h"
#include "store_records.h"

namespace vqfax {

HRESULT setPropsProblem(ULONG tag) {
    switch (PROP_ID(tag)) {
    case 0x0FF4: // PR_ACCESS
    case 0x0FF6: // PR_INSTANCE_KEY
    case 0x0FF7: // PR_ACCESS_LEVEL
    case 0x0FFE: // PR_OBJECT_TYPE
    case 0x0FFF: // PR_ENTRYID
    case 0x300B: // PR_SEARCH_KEY
    case 0x3600: // PR_CONTAINER_FLAGS
    case 0x3615: // PR_AB_PROVIDER_ID
    case 0x3900: // PR_DISPLAY_TYPE
        return MAPI_E_COMPUTED;
    default:
        break;
    }
    if (PROP_TYPE(tag) & MV_FLAG) return MAPI_E_NO_SUPPORT;
    if (PROP_TYPE(tag) == PT_OBJECT) return E_ACCESSDENIED;
    return S_OK;
}

EntryState::EntryState(Logon* logon, const EntryId& entryId)
    : id(entryId), logon_(logon), binding_(&logon->binding()) {
    logon_->AddRef();
    binding_->addRef();
}

EntryState::~EntryState() {
    binding_->release();
    logon_->Release();
}

void EntryState::putContainerDefaults(ULONG objectType) {
    const auto idBytes = id.bytes();
    const auto key = instanceKey(id.record);
    const auto dl = logon_->templateId(kKindGroupTemplate).bytes();
    const auto user = logon_->templateId(kKindContactTemplate).bytes();
    props.put(PropValue::long32(PR_CONTAINER_FLAGS, kContainerFlags));
    props.put(PropValue::binary(PR_ENTRYID, idBytes.data(), idBytes.size()));
    props.put(PropValue::binary(PR_INSTANCE_KEY, key.data(), key.size()));
    props.put(PropValue::long32(PR_OBJECT_TYPE, MAPI_ABCONT));
    props.put(PropValue::long32(PR_DISPLAY_TYPE, kContainerDisplayType));
    props.put(PropValue::long32(PR_DEPTH, 0));
    props.put(PropValue::binary(PR_DEF_CREATE_DL, dl.data(), dl.size()));
    props.put(PropValue::binary(PR_DEF_CREATE_MAILUSER, user.data(), user.size()));
    if (objectType == MAPI_DISTLIST) props.put(PropValue::long32(PR_OBJECT_TYPE, MAPI_DISTLIST));
}

void EntryState::putContactDefaults() {
    const auto idBytes = id.bytes();
    const auto key = instanceKey(id.record);
    const uint8_t emptyString = 0;
    props.put(PropValue::binary(PR_ENTRYID, idBytes.data(), idBytes.size()));
    props.put(PropValue::binary(PR_INSTANCE_KEY, key.data(), key.size()));
    props.put(PropValue::binary(PR_RECORD_KEY, idBytes.data(), idBytes.size()));
    props.put(PropValue::binary(PR_SEARCH_KEY, &emptyString, 1));
    props.put(PropValue::long32(PR_OBJECT_TYPE, MAPI_MAILUSER));
    props.put(PropValue::long32(PR_DISPLAY_TYPE, 0));
}

HRESULT EntryState::load(bool withMembers) {
    OpenBook book(*binding_);
    if (FAILED(book.status())) return book.status();
    int32_t record = id.record;
    ULONG kind = id.kind;
    if (HRESULT h = resolveEntry(book, record, kind, ResolveMode::MustExist); FAILED(h)) return h;
    if (HRESULT h = loadFields(book, record, kind, id.parentRecord, id.parentKind, props); FAILED(h)) return h;
    if (withMembers) return loadMembers(book, record, kind, members);
    return S_OK;
}

HRESULT EntryState::getProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) {
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    if (!writableOut(count) || !writableOut(values)) return E_INVALIDARG;
    if (tags && (!readableIn(tags, cbTagArray(0)) || !readableIn(tags, cbTagArray(tags->cValues))))
        return E_INVALIDARG;
    *count = 0;
    *values = nullptr;
    std::lock_guard g(lock_);
    return props.copyOut(tags, count, values);
}

HRESULT EntryState::getPropList(ULONG flags, SPropTagArray** tags) {
    if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
    if (!writableOut(tags)) return E_INVALIDARG;
    *tags = nullptr;
    std::lock_guard g(lock_);
    return props.tagList(tags);
}

HRESULT EntryState::setProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) {
    if (count && !readableIn(values, sizeof(SPropValue) * size_t(count))) return E_INVALIDARG;
    if (problems && !writableOut(problems)) return E_INVALIDARG;
    Owned<SPropProblemArray> found;
    if (problems) {
        *problems = nullptr;
        if (HRESULT h = allocate(cbProblemArray(count), found.out()); FAILED(h)) return h;
        found->cProblem = 0;
    }
    std::vector<SPropProblem> noted;
    {
        std::lock_guard g(lock_);
        for (ULONG i = 0; i < count; ++i) {
            const SPropValue& v = values[i];
            // Placeholders: PR_NULL, and any PT_NULL value (a copy marks what it
            // leaves out that way), and error values.
            if (PROP_TYPE(v.ulPropTag) == PT_NULL || PROP_TYPE(v.ulPropTag) == PT_ERROR) continue;
            if (HRESULT problem = setPropsProblem(v.ulPropTag); FAILED(problem)) {
                noted.push_back({i, v.ulPropTag, problem});
                continue;
            }
            if (v.ulPropTag == PR_DISPLAY_NAME) {
                SPropValue seven = v;
                seven.ulPropTag = PR_7BIT_DISPLAY_NAME;
                props.put(seven);
            }
            if (HRESULT h = props.put(v); FAILED(h)) {
                noted.push_back({i, v.ulPropTag, h});
                continue;
            }
            dirty = true;
        }
    }
    if (problems && !noted.empty()) {
        for (const SPropProblem& p : noted) found->aProblem[found->cProblem++] = p;
        *problems = found.release();
    }
    return S_OK;
}

HRESULT EntryState::saveChanges(bool withMembers) {
    if (id.kind & kKindNoSave) return S_OK;
    {
        std::lock_guard g(lock_);
        if (!dirty) return S_OK;
        OpenBook book(*binding_);
        if (FAILED(book.status())) return book.status();
        if (HRESULT h = writeEntry(book, id, props, withMembers ? &members : nullptr); FAILED(h)) return h;
        const auto idBytes = id.bytes();
        props.put(PropValue::binary(PR_ENTRYID, idBytes.data(), idBytes.size()));
        dirty = false;
    }
    logon_->notifyModified();
    return S_OK;
}

} // namespace vqfax
