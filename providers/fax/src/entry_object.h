#pragma once
// What containers, groups and contacts share: their identifier, property and
// member lists, the store binding, the dirty flag, and the property operations
// on them.

#include <mutex>

#include "entry_id.h"
#include "member_list.h"
#include "pdx/interfaces.h"
#include "prop_list.h"

namespace vqfax {

class Logon;
class StoreBinding;

class EntryState {
public:
    // Takes a reference on the logon and on its store binding.
    EntryState(Logon* logon, const EntryId& id);
    ~EntryState();
    EntryState(const EntryState&) = delete;
    EntryState& operator=(const EntryState&) = delete;

    // Default properties of a root container or group (`objectType` 4 or 8), or of a contact.
    void putContainerDefaults(ULONG objectType);
    void putContactDefaults();
    // Resolves the record (must exist) and loads its fields and, for the root
    // and groups, its members.
    HRESULT load(bool withMembers);

    HRESULT getProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values);
    HRESULT getPropList(ULONG flags, SPropTagArray** tags);
    HRESULT setProps(ULONG count, const SPropValue* values, SPropProblemArray** problems);
    // Writes a dirty object; `withMembers` for containers. Sends the
    // modification notification after a write.
    HRESULT saveChanges(bool withMembers);

    Logon& logon() const { return *logon_; }
    StoreBinding& binding() const { return *binding_; }
    std::mutex& lock() { return lock_; }
    // Caller holds the lock for these.
    EntryId id;
    PropList props;
    MemberList members;
    bool dirty = false;

private:
    Logon* logon_;
    StoreBinding* binding_;
    std::mutex lock_;
};

// Tags SetProps refuses: the computed properties, multi-valued and object types.
HRESULT setPropsProblem(ULONG tag);

} // namespace vqfax
