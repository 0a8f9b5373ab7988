#pragma once
// A vCard service: one vCard file read through the contacts store (its
// reader and card mapping), read-only. Its identifiers are the store's own
// with the service's UID in bytes 4-19, so each service routes on its own.

#include <memory>
#include <mutex>

#include "contact_store.h"
#include "directory.h"

namespace mapi32 {

class VCardDirectory final : public Directory {
public:
    explicit VCardDirectory(const ServiceConfig& config);

    pdx::HRESULT contents(std::vector<TableRow>& rows) override;
    pdx::HRESULT entry(const std::string& id, TableRow& props) override;
    pdx::HRESULT members(const std::string& listId, std::vector<TableRow>& rows) override;

private:
    // The store, opened on first use and read again when the file changed.
    pdx::HRESULT current(std::shared_ptr<wab32::ContactStore>& store, std::unique_lock<std::mutex>& lock);
    // Between the store's identifiers and ours.
    std::string toService(std::string_view storeId) const;
    bool toStore(std::string_view serviceId, std::string& storeId) const;
    TableRow toServiceRow(const pdx::common::PropArray& props) const;

    std::string path_;
    pdx::MAPIUID storeUid_{};
    std::mutex lock_;
    std::shared_ptr<wab32::ContactStore> store_;
};

} // namespace mapi32
