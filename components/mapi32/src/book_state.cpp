#include "book_state.h"

#include "entry_ids.h"
#include "objects.h"
#include "pdx/status.h"
#include "pdx/tags.h"

namespace mapi32 {

using namespace pdx;

std::shared_ptr<Directory> BookState::directoryOf(std::string_view id) const {
    MAPIUID uid;
    if (!idUid(id, uid)) return nullptr;
    for (const auto& d : directories_)
        if (sameUid(d->uid(), uid)) return d;
    return nullptr;
}

bool BookState::isContainer(std::string_view id) const {
    const auto d = directoryOf(id);
    return d && id == d->containerId();
}

HRESULT BookState::open(std::string_view id, ULONG* objectType, IUnknown** out) {
    *out = nullptr;
    *objectType = 0;
    // Shared with the objects made here, which keep the book's state alive.
    auto self = shared_from_this();
    if (id.empty() || id == rootId()) {
        *out = newRootContainer(self);
        *objectType = MAPI_ABCONT;
        return S_OK;
    }
    const auto directory = directoryOf(id);
    if (!directory) return MAPI_E_UNKNOWN_ENTRYID;
    if (id == directory->containerId()) {
        *out = newServiceContainer(self, directory);
        *objectType = MAPI_ABCONT;
        return S_OK;
    }
    TableRow props;
    if (HRESULT h = directory->entry(std::string(id), props); FAILED(h)) return h;
    const SPropValue* type = props->find(PR_OBJECT_TYPE);
    if (type && type->Value.ul == MAPI_DISTLIST) {
        *out = newDistList(self, directory, std::move(props));
        *objectType = MAPI_DISTLIST;
    } else {
        *out = newMailUser(std::move(props));
        *objectType = MAPI_MAILUSER;
    }
    return S_OK;
}

std::string BookState::defaultDir() const {
    std::lock_guard g(lock_);
    if (!defaultDir_.empty()) return defaultDir_;
    return directories_.empty() ? std::string() : directories_.front()->containerId();
}

HRESULT BookState::setDefaultDir(std::string_view id) {
    if (!isContainer(id)) return MAPI_E_INVALID_ENTRYID;
    std::lock_guard g(lock_);
    defaultDir_.assign(id);
    return S_OK;
}

std::vector<std::string> BookState::searchPath() const {
    std::lock_guard g(lock_);
    if (!searchPath_.empty()) return searchPath_;
    std::vector<std::string> all;
    for (const auto& d : directories_) all.push_back(d->containerId());
    return all;
}

HRESULT BookState::setSearchPath(std::vector<std::string> ids) {
    for (const std::string& id : ids)
        if (!isContainer(id)) return MAPI_E_INVALID_ENTRYID;
    std::lock_guard g(lock_);
    searchPath_ = std::move(ids);
    return S_OK;
}

} // namespace mapi32
