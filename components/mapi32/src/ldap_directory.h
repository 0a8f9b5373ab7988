#pragma once
// An LDAP service: a directory read with the OpenLDAP client library. It
// binds simply (or anonymously without a bind DN), reads persons and groups
// under the base DN with the service's filter in pages (RFC 2696), and never
// writes. Every read goes to the server; a server that is down, does not
// answer within 5 seconds or refuses the bind gives a status, never a hang.

#include <mutex>
#include <string>

#include "directory.h"
#include "ldap_values.h"

typedef struct ldap LDAP;

namespace mapi32 {

// Persons and both kinds of group.
constexpr const char* kDefaultLdapFilter =
    "(|(objectClass=person)(objectClass=groupOfNames)(objectClass=groupOfUniqueNames))";
// Seconds to connect, and to wait for each answer.
constexpr int kLdapTimeoutSeconds = 5;

class LdapDirectory final : public Directory {
public:
    explicit LdapDirectory(const ServiceConfig& config);
    ~LdapDirectory() override;

    pdx::HRESULT contents(std::vector<TableRow>& rows) override;
    pdx::HRESULT entry(const std::string& id, TableRow& props) override;
    pdx::HRESULT members(const std::string& listId, std::vector<TableRow>& rows) override;

    // The bind password from a file that only its owner may read:
    // E_ACCESSDENIED when others can read it, MAPI_E_NOT_FOUND when it cannot be read.
    static pdx::HRESULT readPassword(const std::string& path, std::string& password);

private:
    struct Search;
    // Runs `search` on the open connection; a connection that turns out to be
    // dead is opened once more (the server may have restarted since).
    pdx::HRESULT run(Search& search);
    pdx::HRESULT connect();
    void disconnect();
    pdx::HRESULT searchOnce(Search& search);
    // The DN of one of our identifiers of a mail user or a list.
    bool dnOf(const std::string& id, std::string& dn) const;

    std::string uri_;
    std::string base_;
    std::string filter_;
    std::string bindDn_;
    std::string passwordFile_;
    std::mutex lock_;
    LDAP* ld_ = nullptr;
};

} // namespace mapi32
