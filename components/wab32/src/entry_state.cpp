#include "entry_state.h"

#include <algorithm>

#include "card_mapping.h"
#include "duplicates.h"
#include "pdx/guids.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "prop_answers.h"
#include "pdx_common/prop_copy.h"
#include "wab_tags.h"

namespace wab32 {

using namespace pdx;
using common::PropArray;

std::shared_ptr<EntryState> EntryState::existing(std::shared_ptr<Session> session, const Entry& entry) {
    std::shared_ptr<EntryState> s(new EntryState(std::move(session), entry.kind));
    s->key_ = entry.key;
    s->cardHash_ = entry.cardHash;
    s->base_ = *entry.props;
    return s;
}

std::shared_ptr<EntryState> EntryState::created(std::shared_ptr<Session> session, EntryKind kind,
                                                ULONG createFlags) {
    std::shared_ptr<EntryState> s(new EntryState(std::move(session), kind));
    s->createFlags_ = createFlags;
    const bool list = kind == EntryKind::DistList;
    s->base_.setLong(PR_OBJECT_TYPE, LONG(list ? MAPI_DISTLIST : MAPI_MAILUSER));
    s->base_.setLong(PR_DISPLAY_TYPE, LONG(list ? DT_PRIVATE_DISTLIST : DT_MAILUSER));
    return s;
}

std::shared_ptr<EntryState> EntryState::oneOff(std::shared_ptr<Session> session, const EntryRef& ref) {
    std::shared_ptr<EntryState> s(new EntryState(session, EntryKind::OneOff));
    s->readOnly_ = true;
    s->oneOffId_ = makeOneOffId(ref.oneOff);
    if (auto props = session->store->propsOf(ref)) s->base_ = *props;
    return s;
}

std::string EntryState::entryId() const {
    std::lock_guard g(lock_);
    if (kind_ == EntryKind::OneOff) return oneOffId_;
    return key_ ? makeEntryId(kind_, *key_) : std::string();
}

std::optional<Key> EntryState::key() const {
    std::lock_guard g(lock_);
    return key_;
}

PropArray EntryState::view() const {
    std::lock_guard g(lock_);
    PropArray v = base_;
    for (ULONG tag : deleted_) v.remove(tag);
    for (ULONG i = 0; i < pending_.size(); ++i) v.set(pending_.data()[i]);
    return v;
}

HRESULT EntryState::getProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** out) {
    return answerProps(view(), tags, flags, count, out);
}

HRESULT EntryState::getPropList(ULONG flags, SPropTagArray** out) { return answerPropList(view(), flags, out); }

HRESULT EntryState::setProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) {
    if (problems) *problems = nullptr;
    if (count && !values) return E_INVALIDARG;
    if (readOnly_) return E_ACCESSDENIED;
    std::vector<SPropProblem> found;
    {
        std::lock_guard g(lock_);
        for (ULONG i = 0; i < count; ++i) {
            const SPropValue& v = values[i];
            HRESULT h = canStore(v);
            if (SUCCEEDED(h)) h = pending_.set(v);
            if (FAILED(h)) {
                found.push_back({i, v.ulPropTag, h});
                continue;
            }
            std::erase_if(deleted_, [&](ULONG t) { return PROP_ID(t) == PROP_ID(v.ulPropTag); });
        }
    }
    return answerProblems(found, problems);
}

HRESULT EntryState::deleteProps(const SPropTagArray* tags, SPropProblemArray** problems) {
    if (problems) *problems = nullptr;
    if (!tags) return E_INVALIDARG;
    if (readOnly_) return E_ACCESSDENIED;
    std::vector<SPropProblem> found;
    {
        std::lock_guard g(lock_);
        for (ULONG i = 0; i < tags->cValues; ++i) {
            const ULONG tag = tags->aulPropTag[i];
            if (isComputed(tag)) {
                found.push_back({i, tag, MAPI_E_COMPUTED});
                continue;
            }
            pending_.remove(tag);
            deleted_.push_back(tag);
        }
    }
    return answerProblems(found, problems);
}

void EntryState::addPendingMembers(const std::vector<std::string>& ids) {
    std::lock_guard g(lock_);
    for (const std::string& id : ids)
        if (std::find(newMembers_.begin(), newMembers_.end(), id) == newMembers_.end()) newMembers_.push_back(id);
}

void EntryState::syncFromStore() {
    std::lock_guard g(lock_);
    if (!key_) return;
    if (const Entry* e = session_->store->find(*key_)) {
        base_ = *e->props;
        cardHash_ = e->cardHash;
    }
}

// CREATE_REPLACE: the new entry's values go into the duplicate's card, which
// keeps its identity (UID, entry id, list memberships); the duplicate's own
// values the new entry does not have are removed.
void EntryState::replaceInto(SaveRequest& request, const Entry& duplicate) const {
    request.key = duplicate.key;
    request.expectedHash = duplicate.cardHash;
    for (ULONG i = 0; i < duplicate.props->size(); ++i) {
        const ULONG tag = duplicate.props->data()[i].ulPropTag;
        if (isComputed(tag) || FAILED(canStore(duplicate.props->data()[i]))) continue;
        if (!pending_.find(CHANGE_PROP_TYPE(tag, PT_UNSPECIFIED))) request.deleted.push_back(tag);
    }
}

HRESULT EntryState::saveChanges(ULONG) {
    ContactStore& store = *session_->store;
    std::shared_ptr<EntryState> list = memberOf_;
    std::optional<Key> listKey = list ? list->key() : std::nullopt;
    if (list && !listKey) return MAPI_E_NO_SUPPORT; // the list itself is not saved yet
    bool created = false;
    std::string id;
    {
        std::unique_lock storeLock(store.mutex());
        std::lock_guard g(lock_);
        const bool edits = pending_.size() || !deleted_.empty() || !key_;
        HRESULT h = S_OK;
        if (readOnly_ || (!edits && key_)) {
            // Nothing of its own to write: only the membership.
            const std::string self = kind_ == EntryKind::OneOff ? oneOffId_ : makeEntryId(kind_, *key_);
            if (!listKey) return readOnly_ ? E_ACCESSDENIED : S_OK;
            size_t added = 0;
            h = store.addMembers(*listKey, {self}, &added);
            if (SUCCEEDED(h) && added == 0) h = MAPI_E_NOT_FOUND;
        } else {
            SaveRequest r;
            r.key = key_;
            r.list = kind_ == EntryKind::DistList;
            r.expectedHash = cardHash_;
            r.values = pending_;
            r.deleted = deleted_;
            r.memberOf = listKey;
            r.members = newMembers_;
            if (!key_) {
                PropArray whole = base_;
                for (ULONG i = 0; i < pending_.size(); ++i) whole.set(pending_.data()[i]);
                if (const Entry* dup = findDuplicate(store, kind_, whole, createFlags_)) {
                    if (!(createFlags_ & CREATE_REPLACE)) return MAPI_E_COLLISION;
                    replaceInto(r, *dup);
                }
            }
            const bool replacing = !key_ && r.key;
            Key saved{};
            h = store.save(r, &saved);
            // A replaced list keeps its members and gains the new entry's.
            if (SUCCEEDED(h) && replacing && !newMembers_.empty()) {
                size_t added = 0;
                h = store.addMembers(saved, newMembers_, &added);
            }
            if (SUCCEEDED(h)) {
                created = !key_ && !replacing;
                key_ = saved;
                pending_ = PropArray();
                deleted_.clear();
                newMembers_.clear();
            }
        }
        if (FAILED(h)) return h;
        if (kind_ != EntryKind::OneOff)
            if (const Entry* e = store.find(*key_)) {
                base_ = *e->props;
                cardHash_ = e->cardHash;
            }
        id = kind_ == EntryKind::OneOff ? oneOffId_ : makeEntryId(kind_, *key_);
    }
    if (list) {
        std::lock_guard storeLock(store.mutex());
        list->syncFromStore();
    }
    const ULONG type = kind_ == EntryKind::DistList ? MAPI_DISTLIST : MAPI_MAILUSER;
    session_->advise.notify(created ? fnevObjectCreated : fnevObjectModified, id, type);
    if (list) session_->advise.notify(fnevObjectModified, list->entryId(), MAPI_DISTLIST);
    return S_OK;
}

HRESULT EntryState::copyTo(const SPropTagArray* include, const SPropTagArray* exclude, LPCIID iface, void* destination,
                           SPropProblemArray** problems) {
    if (problems) *problems = nullptr;
    if (!destination) return E_INVALIDARG;
    if (!isIid(iface, IID_IMAPIProp) && !isIid(iface, IID_IMailUser) && !isIid(iface, IID_IDistList) &&
        !isIid(iface, IID_IMAPIContainer) && !isIid(iface, IID_IABContainer))
        return E_NOINTERFACE;
    // Every interface accepted above starts with the IMAPIProp slots.
    auto* dest = static_cast<IMAPIProp*>(destination);
    const PropArray all = view();
    PropArray chosen;
    for (ULONG i = 0; i < all.size(); ++i) {
        const SPropValue& v = all.data()[i];
        if (isComputed(v.ulPropTag)) continue;
        if (include) {
            bool wanted = false;
            for (ULONG k = 0; k < include->cValues; ++k) wanted = wanted || common::tagMatches(v.ulPropTag, include->aulPropTag[k]);
            if (!wanted) continue;
        }
        if (exclude) {
            bool dropped = false;
            for (ULONG k = 0; k < exclude->cValues; ++k) dropped = dropped || common::tagMatches(v.ulPropTag, exclude->aulPropTag[k]);
            if (dropped) continue;
        }
        chosen.set(v);
    }
    return dest->SetProps(chosen.size(), chosen.data(), problems);
}

} // namespace wab32
