#pragma once
// The distribution list proxy. With the contacts provider's policy the list
// keeps its parent container and that container's creation templates: its
// properties report the templates, and new members are created in the parent
// and then added to the list.

#include <vector>

#include "object_proxy.h"

namespace pdx::proxy {

class DistListProxy final : public ContainerProxy<IDistList> {
public:
    explicit DistListProxy(Provider& p) : ContainerProxy(p, IID_IDistList) {}

    HRESULT attach(IUnknown* target) override;
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override;
    HRESULT CreateEntry(ULONG cbEntryID, ENTRYID* entryId, ULONG createFlags, IMAPIProp** out) override;
    HRESULT CopyEntries(ENTRYLIST* entries, ULONG_PTR ulUIParam, IMAPIProgress* progress, ULONG flags) override;

private:
    bool answers(LPCIID iid) const override;
    bool keepsTemplates() const;
    void setUp();
    HRESULT createThroughParent(ULONG cbEntryID, ENTRYID* entryId, ULONG createFlags, IMAPIProp** out);
    HRESULT copyIntoList(ENTRYLIST* entries, ULONG flags);
    // The component list's own CreateEntry with a template, the member saved.
    HRESULT addMember(const InwardId& member, ULONG flags);

    // In the caller's form (wrapped); empty when unknown.
    std::vector<BYTE> parent_;
    std::vector<BYTE> mailUserTemplate_;
    std::vector<BYTE> listTemplate_;
};

} // namespace pdx::proxy
