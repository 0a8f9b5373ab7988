#pragma once
// A service of a messaging profile as the address book sees it: one
// read-only container of recipients, whose entries carry the service's UID.
// The LDAP and vCard services implement it.

#include <memory>
#include <string>
#include <vector>

#include "pdx/types.h"
#include "pdx_common/snapshot_table.h"
#include "profile_store.h"

namespace mapi32 {

using pdx::common::TableRow;

// AB_RECIPIENTS | AB_UNMODIFIABLE: entries can be read, not changed.
constexpr pdx::ULONG kServiceContainerFlags = 0x1 | 0x8;

class Directory {
public:
    explicit Directory(const ServiceConfig& config) : name_(config.displayName), uid_(config.uid) {}
    virtual ~Directory() = default;
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    const std::string& name() const { return name_; }
    const pdx::MAPIUID& uid() const { return uid_; }
    std::string containerId() const;
    // The container's properties (a row of the root's hierarchy table).
    TableRow containerRow() const;

    // Every recipient of the service, read anew.
    virtual pdx::HRESULT contents(std::vector<TableRow>& rows) = 0;
    // One entry by its identifier: MAPI_E_INVALID_ENTRYID when it is not one
    // of this service's forms, MAPI_E_NOT_FOUND when it is gone.
    virtual pdx::HRESULT entry(const std::string& id, TableRow& props) = 0;
    // The members of a distribution list, each as its own row.
    virtual pdx::HRESULT members(const std::string& listId, std::vector<TableRow>& rows) = 0;

private:
    std::string name_;
    pdx::MAPIUID uid_;
};

// The service's directory, by kind; null for a kind this component does not know.
std::shared_ptr<Directory> makeDirectory(const ServiceConfig& config);

} // namespace mapi32
