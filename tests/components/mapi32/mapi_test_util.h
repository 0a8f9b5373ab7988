#pragma once
// Helpers for the messaging component's tests: profiles and services made
// through its administration objects, and address book reads through a
// logged-on session, all in-process.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "pdx/mapi.h"
#include "pdx/memory.h"

namespace mapitest {

// MAPIInitialize for the life of the object.
struct Initialized {
    Initialized();
    ~Initialized();
};

// A row of a table as text: strings as they are, numbers in decimal,
// binaries in hex, errors as "!".
using Row = std::map<pdx::ULONG, std::string>;

void createProfile(const std::string& name);
// Adds a service and configures it; the status of the first step that failed.
pdx::HRESULT addService(const std::string& profile, const char* kind, const std::string& name,
                        const std::vector<std::pair<pdx::ULONG, std::string>>& settings);
pdx::MAPIUID serviceUid(const std::string& profile, const std::string& name);

class Book {
public:
    // Logs on (MAPI_USE_DEFAULT when the profile is empty).
    explicit Book(const std::string& profile = {});
    ~Book();
    pdx::HRESULT logonStatus() const { return logon_; }
    pdx::IAddrBook* get() const { return book_.get(); }

    // The root's hierarchy: display name -> entry id.
    std::vector<std::pair<std::string, std::string>> containers();
    std::string containerId(const std::string& name);
    // Every row of a container's (or list's) contents table, by display name.
    pdx::HRESULT contents(const std::string& id, std::vector<Row>& rows);
    pdx::IUnknown* open(const std::string& id, pdx::ULONG* type = nullptr);

private:
    Initialized init_;
    pdx::object_ptr<pdx::IMAPISession> session_;
    pdx::object_ptr<pdx::IAddrBook> book_;
    pdx::HRESULT logon_;
};

std::string hex(const void* bytes, size_t n);
// All rows of a table from the beginning, in the component's memory, read as text.
pdx::HRESULT readAll(pdx::IMAPITable* table, std::vector<Row>& rows);
const Row* byName(const std::vector<Row>& rows, const std::string& name);

} // namespace mapitest
