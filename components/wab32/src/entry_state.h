#pragma once
// The state behind a mail user or distribution list object: the properties
// as read, the changes not yet saved, and SaveChanges into the store.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "entry_id.h"
#include "pdx/interfaces.h"
#include "pdx_common/prop_array.h"
#include "session.h"

namespace wab32 {

class EntryState {
public:
    // An entry of the store, as it stands now.
    static std::shared_ptr<EntryState> existing(std::shared_ptr<Session> session, const Entry& entry);
    // A new mail user or list, written by its first SaveChanges. `createFlags`:
    // CreateEntry's duplicate check and replace, done by that SaveChanges.
    static std::shared_ptr<EntryState> created(std::shared_ptr<Session> session, EntryKind kind,
                                               pdx::ULONG createFlags = 0);
    // A one-off address: read-only, but it can become a list member.
    static std::shared_ptr<EntryState> oneOff(std::shared_ptr<Session> session, const EntryRef& ref);

    const std::shared_ptr<Session>& session() const { return session_; }
    EntryKind kind() const { return kind_; }
    // Empty while a new entry is not saved.
    std::string entryId() const;
    std::optional<Key> key() const;
    pdx::common::PropArray view() const;

    pdx::HRESULT getProps(const pdx::SPropTagArray* tags, pdx::ULONG flags, pdx::ULONG* count, pdx::SPropValue** out);
    pdx::HRESULT getPropList(pdx::ULONG flags, pdx::SPropTagArray** out);
    pdx::HRESULT setProps(pdx::ULONG count, const pdx::SPropValue* values, pdx::SPropProblemArray** problems);
    pdx::HRESULT deleteProps(const pdx::SPropTagArray* tags, pdx::SPropProblemArray** problems);
    pdx::HRESULT saveChanges(pdx::ULONG flags);
    // CopyTo/CopyProps to another object: its SetProps with our values.
    pdx::HRESULT copyTo(const pdx::SPropTagArray* include, const pdx::SPropTagArray* exclude, pdx::LPCIID iface,
                        void* destination, pdx::SPropProblemArray** problems);

    // Saving this entry also makes it a member of `list`.
    void setMemberOf(std::shared_ptr<EntryState> list) { memberOf_ = std::move(list); }
    // A new list remembers members given before its first save.
    void addPendingMembers(const std::vector<std::string>& ids);
    const std::vector<std::string>& pendingMembers() const { return newMembers_; }
    // Takes the entry's current card from the store (keeping unsaved changes).
    void syncFromStore();

private:
    void replaceInto(SaveRequest& request, const Entry& duplicate) const; // caller holds lock_
    EntryState(std::shared_ptr<Session> session, EntryKind kind) : session_(std::move(session)), kind_(kind) {}

    std::shared_ptr<Session> session_;
    EntryKind kind_;
    mutable std::mutex lock_;
    std::optional<Key> key_;
    pdx::ULONG createFlags_ = 0;
    std::string oneOffId_;
    bool readOnly_ = false;
    uint64_t cardHash_ = 0;
    pdx::common::PropArray base_;
    pdx::common::PropArray pending_;
    std::vector<pdx::ULONG> deleted_;
    std::shared_ptr<EntryState> memberOf_;
    std::vector<std::string> newMembers_;
};

} // namespace wab32
