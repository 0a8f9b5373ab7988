#pragma once
// The common property object: a property list behind the IMAPIProp operations,
// shared by the profile section and the address book.

#include <functional>
#include <mutex>

#include "pdx/interfaces.h"
#include "prop_list.h"

namespace pdx::core {

class PropertyBag {
public:
    HRESULT getProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values);
    HRESULT getPropList(ULONG flags, SPropTagArray** tags);
    HRESULT setProps(ULONG count, const SPropValue* values, SPropProblemArray** problems);
    HRESULT deleteProps(const SPropTagArray* tags, SPropProblemArray** problems);
    // `self` is the object these properties belong to, read through its own GetProps.
    HRESULT copyTo(IMAPIProp* self, const SPropTagArray* excludeTags, LPCIID iface, void* destination, ULONG flags,
                   SPropProblemArray** problems);

    // The owner's own rule for some values, applied by setProps before the
    // read-only test: a failure status refuses the value with that status.
    using ValueCheck = std::function<HRESULT(const SPropValue&)>;
    void setValueCheck(ValueCheck check) { check_ = std::move(check); }

    std::recursive_mutex& lock() { return lock_; }
    PropList& list() { return list_; }
    bool modified() const { return modified_; }
    void setModified(bool m) { modified_ = m; }

private:
    std::recursive_mutex lock_;
    PropList list_;
    bool modified_ = false;
    ValueCheck check_;
};

// The plain property copy: the source's values for `tags`, without errors,
// objects and binaries (and, with MAPI_NOREPLACE, without what the
// destination already has), written with the destination's SetProps.
HRESULT copyProps(IMAPIProp* source, const SPropTagArray* tags, LPCIID iface, void* destination, ULONG flags,
                  SPropProblemArray** problems);

// Identifiers the system computes; SetProps refuses them.
bool isComputedProperty(ULONG tag);

} // namespace pdx::core
