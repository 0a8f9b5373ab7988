#include "profile_store.h"

#include <cstring>

#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/system.h"
#include "prop_ops.h"

namespace pdx::core {

using platform::RegKey;
using platform::RegRoot;
using platform::kRegOk;

namespace {
std::string rootPath() {
    std::string p = kProfilesRoot;
    p.pop_back(); // the store takes key paths without the trailing separator
    return p;
}
} // namespace

bool validProfileName(const char* name) { return name && *name && !std::strchr(name, '\\'); }

platform::RegStatus openRoot(bool create, RegKey& out) {
    return create ? RegKey::create(RegRoot::CurrentUser, rootPath(), out) : RegKey::open(RegRoot::CurrentUser, rootPath(), out);
}

HRESULT openProfileKey(const std::string& name, bool create, bool clear, RegKey& out) {
    if (!validProfileName(name.c_str())) return E_INVALIDARG;
    const std::string path = std::string(kProfilesRoot) + name;
    if (!create) return RegKey::open(RegRoot::CurrentUser, path, out) == kRegOk ? S_OK : E_FAIL;
    bool created = false;
    if (RegKey::create(RegRoot::CurrentUser, path, out, &created) != kRegOk) return E_FAIL;
    if (clear && !created) return deleteSubtree(out);
    return S_OK;
}

bool profileKeyExists(const std::string& name) {
    RegKey key;
    return validProfileName(name.c_str()) && openProfileKey(name, false, false, key) == S_OK;
}

HRESULT deleteSubtree(const RegKey& key) {
    for (;;) {
        std::string name;
        platform::RegStatus r = key.enumKey(0, name);
        if (r == platform::kRegNoMoreItems) return S_OK;
        if (r != kRegOk) return E_FAIL;
        RegKey child;
        if (key.openSubKey(name, child) != kRegOk) return E_FAIL;
        if (HRESULT h = deleteSubtree(child); FAILED(h)) return h;
        if (key.deleteSubKey(name) != kRegOk) return E_FAIL;
    }
}

HRESULT deleteProfileKey(const std::string& name) {
    RegKey root;
    if (!validProfileName(name.c_str()) || openRoot(false, root) != kRegOk) return E_FAIL;
    RegKey key;
    if (root.openSubKey(name, key) != kRegOk) return E_FAIL;
    if (HRESULT h = deleteSubtree(key); FAILED(h)) return h;
    return root.deleteSubKey(name) == kRegOk ? S_OK : E_FAIL;
}

HRESULT readPropList(const RegKey& key, PropList& out) {
    PropList list;
    std::vector<platform::RegValue> values;
    if (key.values(values) != kRegOk) return E_FAIL;
    for (const auto& [name, type, data] : values) {
        if (data.empty()) return E_FAIL;
        PropNode node;
        if (FAILED(nodeFromBody(data.data(), data.size(), node))) return E_FAIL;
        list.addUnchanged(std::move(node));
    }
    out = std::move(list);
    return S_OK;
}

HRESULT writeChangedProps(const RegKey& key, PropList& list) {
    platform::RegTransaction tx;
    for (auto& node : list.nodes()) {
        if (!(node.flags & kNodeChanged)) continue;
        const std::string name = std::to_string(node.tag());
        if (key.setBinary(name, node.body.data(), node.body.size()) != kRegOk) return E_FAIL;
    }
    if (tx.commit() != kRegOk) return E_FAIL;
    list.clearChanged();
    return S_OK;
}

HRESULT serviceUidOf(const PropList& row, MAPIUID& out) {
    const PropNode* uid = row.find(PR_SERVICE_UID);
    if (!uid || uid->dataLength() != sizeof out.ab) return MAPI_E_MISSING_REQUIRED_COLUMN;
    std::memcpy(out.ab, uid->data(), sizeof out.ab);
    return S_OK;
}

bool wellFormedServiceUid(const SPropValue& value) {
    return value.ulPropTag == PR_SERVICE_UID && value.Value.bin.cb == sizeof(MAPIUID) &&
           platform::isReadable(value.Value.bin.lpb, sizeof(MAPIUID));
}

HRESULT serviceKeyName(const PropList& row, std::string& out) {
    MAPIUID uid;
    if (HRESULT h = serviceUidOf(row, uid); FAILED(h)) return h;
    return binaryToHex(uid.ab, sizeof uid.ab, out);
}

HRESULT writeServiceRow(const RegKey& profileKey, PropList& row) {
    std::string keyName;
    if (HRESULT h = serviceKeyName(row, keyName); FAILED(h)) return h;
    RegKey serviceKey;
    bool created = false;
    if (profileKey.createSubKey(keyName, serviceKey, &created) != kRegOk) return E_FAIL;
    if (!created)
        if (HRESULT h = deleteSubtree(serviceKey); FAILED(h)) return h;
    row.markAllChanged();
    return writeChangedProps(serviceKey, row);
}

HRESULT writeServiceRow(const std::string& profile, PropList& row) {
    RegKey key;
    if (HRESULT h = openProfileKey(profile, true, false, key); FAILED(h)) return h;
    return writeServiceRow(key, row);
}

HRESULT writeServices(const std::string& profile, RowStore& rows) {
    // One transaction: the profile changes as a whole or not at all.
    platform::RegTransaction tx;
    RegKey key;
    if (HRESULT h = openProfileKey(profile, true, true, key); FAILED(h)) return h;
    for (auto& row : rows.rows())
        if (HRESULT h = writeServiceRow(key, row); FAILED(h)) return h;
    return tx.commit() == kRegOk ? S_OK : E_FAIL;
}

HRESULT readServices(const std::string& profile, RowStore& out) {
    RegKey key;
    if (HRESULT h = openProfileKey(profile, false, false, key); FAILED(h)) return h;
    RowStore rows;
    for (uint32_t i = 0;; ++i) {
        std::string name;
        platform::RegStatus r = key.enumKey(i, name);
        if (r == platform::kRegNoMoreItems) break;
        if (r != kRegOk) return E_FAIL;
        RegKey serviceKey;
        if (key.openSubKey(name, serviceKey) != kRegOk) return E_FAIL;
        PropList row;
        if (HRESULT h = readPropList(serviceKey, row); FAILED(h)) return h;
        MAPIUID uid;
        if (HRESULT h = serviceUidOf(row, uid); FAILED(h)) return h;
        rows.addRow(std::move(row), i);
    }
    out = std::move(rows);
    return S_OK;
}

} // namespace pdx::core
