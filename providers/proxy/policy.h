#pragma once
// What a plug-in decides for the proxy layer: the component's memory, how
// identifiers cross, the table flags the component understands, whether
// distribution lists work through their parent container, and how NewEntry
// picks a template when the caller gives none. Everything else is shared.

#include <string>

#include "entry_ids.h"
#include "memory.h"
#include "pdx/guids.h"
#include "pdx/types.h"

namespace pdx::proxy {

// {00020308-0000-0000-C000-000000000046}: asked of a proxy, the wrapped object.
inline constexpr IID kWrappedObjectIid = mapiGuid(0x00020308);

class ComponentPolicy {
public:
    virtual ~ComponentPolicy() = default;

    // The component's memory domain.
    virtual const Allocator& componentMemory() const = 0;
    // How identifiers given as call arguments cross.
    virtual const IdentifierRule& ids() const = 0;
    // Whether values, entry lists, row sets and address lists cross with the
    // identifier rules (else they are only copied between the domains).
    virtual bool convertsValues() const = 0;
    // The flags the component gets for GetContentsTable and GetHierarchyTable.
    virtual ULONG tableFlags(ULONG callerFlags) const { return callerFlags; }
    // Whether a distribution list keeps its parent container and its creation
    // templates, and creates and copies its members through them.
    virtual bool listsKeepTemplates() const { return false; }
    // The display name a member created through a list starts with (system code page).
    virtual std::string newMemberName() const { return {}; }
    // Whether every proxy hands out the object it wraps under
    // kWrappedObjectIid, so that CopyTo and CopyProps between two proxies go
    // straight to the component (else they go through the PDX support object).
    virtual bool exposesWrappedObjects() const { return false; }
    // Whether the provider's own root identifier is answered by the provider
    // where it names one entry: CompareEntryIDs with the root compares here
    // (true exactly when both are the root), and SetPAB and SetDefaultDir
    // refuse the root and unusable identifiers with E_INVALIDARG. Otherwise
    // the root reaches the component as no identifier, and identifiers that
    // are not the provider's are refused with MAPI_E_UNKNOWN_ENTRYID.
    virtual bool rootStaysLocal() const { return false; }
    // NewEntry without a template: which creation template of the personal
    // address book to use (PR_DEF_CREATE_MAILUSER or PR_DEF_CREATE_DL), or 0
    // to let the component decide. A failure (the user cancelled) ends NewEntry.
    virtual HRESULT chooseRecordType(ULONG_PTR ulUIParam, ULONG* templateTag) = 0;
};

} // namespace pdx::proxy
