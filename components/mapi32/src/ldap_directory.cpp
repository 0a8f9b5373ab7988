#include "ldap_directory.h"

#include <fcntl.h>
#include <ldap.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "entry_ids.h"
#include "pdx/mapi.h"
#include "pdx/status.h"

namespace mapi32 {

using namespace pdx;

namespace {

constexpr int kPageSize = 500;

// A peer that closed the connection must not end the process with SIGPIPE:
// the signal is blocked on this thread while the library writes, and one
// that was raised meanwhile is taken back before the mask is restored.
class NoSigpipe {
public:
    NoSigpipe() {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        pendingBefore_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe, &old_);
    }
    ~NoSigpipe() {
        sigset_t pending;
        sigpending(&pending);
        if (!pendingBefore_ && sigismember(&pending, SIGPIPE) == 1) {
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            // A broken connection's SIGPIPE is sent to the writing thread, and
            // it is pending here: taking it cannot block.
            int taken = 0;
            sigwait(&pipe, &taken);
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }

private:
    sigset_t old_;
    bool pendingBefore_ = false;
};

HRESULT fromLdap(int rc) {
    switch (rc) {
    case LDAP_SUCCESS: return S_OK;
    case LDAP_SERVER_DOWN:
    case LDAP_CONNECT_ERROR: return MAPI_E_NETWORK_ERROR;
    case LDAP_TIMEOUT:
    case LDAP_TIMELIMIT_EXCEEDED: return MAPI_E_TIMEOUT;
    case LDAP_INVALID_CREDENTIALS:
    case LDAP_INAPPROPRIATE_AUTH:
    case LDAP_INSUFFICIENT_ACCESS:
    case LDAP_STRONG_AUTH_REQUIRED:
    case LDAP_CONFIDENTIALITY_REQUIRED:
    case LDAP_UNWILLING_TO_PERFORM: return E_ACCESSDENIED;
    case LDAP_NO_SUCH_OBJECT: return MAPI_E_NOT_FOUND;
    case LDAP_FILTER_ERROR:
    case LDAP_INVALID_DN_SYNTAX:
    case LDAP_PARAM_ERROR: return MAPI_E_BAD_VALUE;
    case LDAP_NO_MEMORY: return E_OUTOFMEMORY;
    case LDAP_BUSY:
    case LDAP_UNAVAILABLE: return MAPI_E_BUSY;
    default: return E_FAIL;
    }
}

bool connectionLost(int rc) { return rc == LDAP_SERVER_DOWN || rc == LDAP_CONNECT_ERROR || rc == LDAP_TIMEOUT; }

LdapEntry readEntry(LDAP* ld, LDAPMessage* msg) {
    LdapEntry e;
    if (char* dn = ldap_get_dn(ld, msg)) {
        e.dn = dn;
        ldap_memfree(dn);
    }
    BerElement* ber = nullptr;
    for (char* name = ldap_first_attribute(ld, msg, &ber); name; name = ldap_next_attribute(ld, msg, ber)) {
        LdapAttribute a;
        a.name = name;
        if (berval** values = ldap_get_values_len(ld, msg, name)) {
            for (berval** v = values; *v; ++v) a.values.emplace_back((*v)->bv_val, (*v)->bv_len);
            ldap_value_free_len(values);
        }
        ldap_memfree(name);
        e.attributes.push_back(std::move(a));
    }
    if (ber) ber_free(ber, 0);
    return e;
}

} // namespace

// One search: where, what, and what to do with each entry. A search whose
// scope is the base entry alone is not paged.
struct LdapDirectory::Search {
    std::string base;
    int scope = LDAP_SCOPE_SUBTREE;
    std::string filter;
    const std::vector<const char*>* attributes = nullptr;
    std::function<void(const LdapEntry&)> each;
    // Set when the server stopped early at its size limit: what came is kept.
    bool truncated = false;
};

LdapDirectory::LdapDirectory(const ServiceConfig& config)
    : Directory(config), uri_(config.setting(PR_VELMO_LDAP_URI)), base_(config.setting(PR_VELMO_LDAP_BASE_DN)),
      filter_(config.setting(PR_VELMO_LDAP_FILTER)), bindDn_(config.setting(PR_VELMO_LDAP_BIND_DN)),
      passwordFile_(config.setting(PR_VELMO_LDAP_PASSWORD_FILE)) {
    if (filter_.empty()) filter_ = kDefaultLdapFilter;
}

LdapDirectory::~LdapDirectory() {
    std::lock_guard g(lock_);
    disconnect();
}

HRESULT LdapDirectory::readPassword(const std::string& path, std::string& password) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return errno == EACCES ? E_ACCESSDENIED : MAPI_E_NOT_FOUND;
    struct stat st {};
    HRESULT h = S_OK;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) h = MAPI_E_NOT_FOUND;
    else if (st.st_mode & (S_IRGRP | S_IROTH)) h = E_ACCESSDENIED;
    std::string text;
    char buf[512];
    for (ssize_t n; SUCCEEDED(h) && (n = ::read(fd, buf, sizeof buf)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            h = MAPI_E_NOT_FOUND;
            break;
        }
        text.append(buf, size_t(n));
        if (text.size() > 4096) h = MAPI_E_BAD_VALUE;
    }
    ::close(fd);
    if (FAILED(h)) return h;
    // The first line is the password.
    text.resize(text.find_first_of("\r\n") == std::string::npos ? text.size() : text.find_first_of("\r\n"));
    password = std::move(text);
    return S_OK;
}

void LdapDirectory::disconnect() {
    if (!ld_) return;
    NoSigpipe quiet;
    ldap_unbind_ext_s(ld_, nullptr, nullptr);
    ld_ = nullptr;
}

HRESULT LdapDirectory::connect() {
    if (uri_.empty() || base_.empty()) return MAPI_E_UNCONFIGURED;
    std::string password;
    if (!bindDn_.empty() && !passwordFile_.empty())
        if (HRESULT h = readPassword(passwordFile_, password); FAILED(h)) return h;

    LDAP* ld = nullptr;
    if (int rc = ldap_initialize(&ld, uri_.c_str()); rc != LDAP_SUCCESS) return rc == LDAP_NO_MEMORY ? E_OUTOFMEMORY : MAPI_E_BAD_VALUE;
    const int version = LDAP_VERSION3;
    timeval timeout{kLdapTimeoutSeconds, 0};
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &timeout);
    ldap_set_option(ld, LDAP_OPT_TIMEOUT, &timeout);
    ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    ldap_set_option(ld, LDAP_OPT_RESTART, LDAP_OPT_ON);

    NoSigpipe quiet;
    berval credentials{password.size(), password.data()};
    const int rc = ldap_sasl_bind_s(ld, bindDn_.empty() ? nullptr : bindDn_.c_str(), LDAP_SASL_SIMPLE, &credentials,
                                    nullptr, nullptr, nullptr);
    if (rc != LDAP_SUCCESS) {
        ldap_unbind_ext_s(ld, nullptr, nullptr);
        return fromLdap(rc);
    }
    ld_ = ld;
    return S_OK;
}

HRESULT LdapDirectory::run(Search& search) {
    std::lock_guard g(lock_);
    const bool reused = ld_ != nullptr;
    if (!ld_)
        if (HRESULT h = connect(); FAILED(h)) return h;
    HRESULT h = searchOnce(search);
    if (h == MAPI_E_NETWORK_ERROR && reused) {
        if (HRESULT c = connect(); FAILED(c)) return c;
        h = searchOnce(search);
    }
    return h;
}

HRESULT LdapDirectory::searchOnce(Search& search) {
    NoSigpipe quiet;
    const bool paged = search.scope != LDAP_SCOPE_BASE;
    berval cookie{0, nullptr};
    for (;;) {
        LDAPControl* page = nullptr;
        LDAPControl* controls[2] = {nullptr, nullptr};
        if (paged) {
            if (int rc = ldap_create_page_control(ld_, kPageSize, &cookie, 0, &page); rc != LDAP_SUCCESS) {
                ber_memfree(cookie.bv_val);
                return fromLdap(rc);
            }
            controls[0] = page;
        }
        ber_memfree(cookie.bv_val);
        cookie = {0, nullptr};
        timeval timeout{kLdapTimeoutSeconds, 0};
        int msgid = 0;
        int rc = ldap_search_ext(ld_, search.base.c_str(), search.scope, search.filter.c_str(),
                                 const_cast<char**>(search.attributes->data()), 0, paged ? controls : nullptr,
                                 nullptr, &timeout, LDAP_NO_LIMIT, &msgid);
        if (page) ldap_control_free(page);
        if (rc != LDAP_SUCCESS) {
            if (connectionLost(rc)) disconnect();
            return fromLdap(rc);
        }
        bool done = false;
        while (!done) {
            LDAPMessage* msg = nullptr;
            timeval wait{kLdapTimeoutSeconds, 0};
            const int type = ldap_result(ld_, msgid, LDAP_MSG_ONE, &wait, &msg);
            if (type <= 0) {
                // No answer in time, or the connection is gone: this connection is not used again.
                int err = type == 0 ? LDAP_TIMEOUT : LDAP_SERVER_DOWN;
                if (type < 0) ldap_get_option(ld_, LDAP_OPT_RESULT_CODE, &err);
                if (msg) ldap_msgfree(msg);
                disconnect();
                return fromLdap(connectionLost(err) ? err : LDAP_SERVER_DOWN);
            }
            if (type == LDAP_RES_SEARCH_ENTRY) {
                search.each(readEntry(ld_, msg));
            } else if (type == LDAP_RES_SEARCH_RESULT) {
                int result = LDAP_SUCCESS;
                LDAPControl** serverControls = nullptr;
                rc = ldap_parse_result(ld_, msg, &result, nullptr, nullptr, nullptr, &serverControls, 0);
                if (rc == LDAP_SUCCESS && paged && serverControls)
                    if (LDAPControl* answer = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, serverControls, nullptr)) {
                        ber_int_t estimate = 0;
                        ldap_parse_pageresponse_control(ld_, answer, &estimate, &cookie);
                    }
                if (serverControls) ldap_controls_free(serverControls);
                ldap_msgfree(msg);
                if (rc != LDAP_SUCCESS) {
                    ber_memfree(cookie.bv_val);
                    return fromLdap(rc);
                }
                if (result == LDAP_SIZELIMIT_EXCEEDED || result == LDAP_ADMINLIMIT_EXCEEDED) {
                    search.truncated = true;
                    ber_memfree(cookie.bv_val);
                    return S_OK;
                }
                if (result != LDAP_SUCCESS) {
                    ber_memfree(cookie.bv_val);
                    return fromLdap(result);
                }
                done = true;
                continue;
            }
            ldap_msgfree(msg);
        }
        if (!paged || !cookie.bv_val || !cookie.bv_len) {
            ber_memfree(cookie.bv_val);
            return S_OK;
        }
    }
}

bool LdapDirectory::dnOf(const std::string& id, std::string& dn) const {
    MAPIUID u;
    IdKind kind;
    if (!idUid(id, u) || !sameUid(u, uid()) || !idKind(id, kind)) return false;
    if (kind != IdKind::MailUser && kind != IdKind::DistList) return false;
    dn.assign(idRest(id));
    return !dn.empty();
}

HRESULT LdapDirectory::contents(std::vector<TableRow>& rows) {
    const DirectoryText text;
    std::vector<TableRow> found;
    Search search;
    search.base = base_;
    search.filter = filter_;
    search.attributes = &recipientAttributes();
    search.each = [&](const LdapEntry& e) { found.push_back(recipientRow(e, uid(), text)); };
    if (HRESULT h = run(search); FAILED(h)) return h;
    rows = std::move(found);
    return S_OK;
}

HRESULT LdapDirectory::entry(const std::string& id, TableRow& props) {
    std::string dn;
    if (!dnOf(id, dn)) return MAPI_E_INVALID_ENTRYID;
    const DirectoryText text;
    TableRow found;
    Search search;
    search.base = dn;
    search.scope = LDAP_SCOPE_BASE;
    search.filter = "(objectClass=*)";
    search.attributes = &recipientAttributes();
    search.each = [&](const LdapEntry& e) { found = recipientRow(e, uid(), text); };
    if (HRESULT h = run(search); FAILED(h)) return h;
    if (!found) return MAPI_E_NOT_FOUND;
    props = std::move(found);
    return S_OK;
}

HRESULT LdapDirectory::members(const std::string& listId, std::vector<TableRow>& rows) {
    std::string dn;
    IdKind kind;
    if (!dnOf(listId, dn) || !idKind(listId, kind) || kind != IdKind::DistList) return MAPI_E_INVALID_ENTRYID;
    std::vector<std::string> dns;
    bool exists = false;
    Search group;
    group.base = dn;
    group.scope = LDAP_SCOPE_BASE;
    group.filter = "(objectClass=*)";
    group.attributes = &memberAttributes();
    group.each = [&](const LdapEntry& e) {
        exists = true;
        dns = memberDns(e);
    };
    if (HRESULT h = run(group); FAILED(h)) return h;
    if (!exists) return MAPI_E_NOT_FOUND;

    const DirectoryText text;
    std::vector<TableRow> found;
    for (const std::string& member : dns) {
        Search one;
        one.base = member;
        one.scope = LDAP_SCOPE_BASE;
        one.filter = "(objectClass=*)";
        one.attributes = &recipientAttributes();
        one.each = [&](const LdapEntry& e) { found.push_back(recipientRow(e, uid(), text)); };
        const HRESULT h = run(one);
        // A member that no longer exists (or is not a valid DN) is left out.
        if (h == MAPI_E_NOT_FOUND || h == MAPI_E_BAD_VALUE) continue;
        if (FAILED(h)) return h;
    }
    rows = std::move(found);
    return S_OK;
}

} // namespace mapi32
