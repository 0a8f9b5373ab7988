// velmo-mapi: administers the messaging profiles and their LDAP and vCard
// services through the messaging component (mapi32.so beside the tool).

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "pdx/mapi.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/codepage.h"
#include "platform/module.h"
#include "velmo_version.h"

using namespace pdx;

namespace {

struct Mapi {
    platform::Module module;
    MAPIInitializeFn initialize = nullptr;
    MAPIUninitializeFn uninitialize = nullptr;
    MAPIAdminProfilesFn adminProfiles = nullptr;
    FreeProwsMapiFn freeProws = nullptr;
};

constexpr const char* kUsage =
    "usage: velmo-mapi profiles\n"
    "       velmo-mapi create NAME\n"
    "       velmo-mapi set-default NAME\n"
    "       velmo-mapi add-ldap PROFILE NAME URI BASE-DN [--filter F] [--bind-dn DN --password-file FILE]\n"
    "       velmo-mapi add-vcard PROFILE NAME FILE\n"
    "       velmo-mapi services PROFILE\n"
    "       velmo-mapi remove-service PROFILE NAME\n"
    "       velmo-mapi --help | --version\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

int fail(const std::string& what, HRESULT h) {
    const char* name = statusName(h);
    std::fprintf(stderr, "velmo-mapi: %s: 0x%08x %s\n", what.c_str(), static_cast<unsigned>(h),
                 name ? name : "(unknown)");
    return 1;
}

// Names cross the component in the system code page; the command line and
// the terminal speak UTF-8.
std::string toSystem(const char* utf8) { return platform::utf8ToSystem(utf8); }
std::string fromSystem(const char* s) { return platform::systemToUtf8(s ? s : ""); }

const char* textOf(const SPropValue& v, ULONG tag) { return v.ulPropTag == tag && v.Value.lpszA ? v.Value.lpszA : ""; }

template <class Each> HRESULT eachRow(Mapi& mapi, IMAPITable* table, const SPropTagArray* columns, Each each) {
    HRESULT h = columns ? table->SetColumns(columns, 0) : S_OK;
    if (SUCCEEDED(h)) h = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    while (SUCCEEDED(h)) {
        SRowSet* rows = nullptr;
        h = table->QueryRows(1, 0, &rows);
        if (FAILED(h) || !rows) break;
        const bool done = rows->cRows == 0;
        if (!done) each(rows->aRow[0]);
        mapi.freeProws(rows);
        if (done) break;
    }
    return FAILED(h) ? h : S_OK;
}

template <ULONG N> struct Columns {
    ULONG cValues;
    ULONG aulPropTag[N];
    const SPropTagArray* get() const { return reinterpret_cast<const SPropTagArray*>(this); }
};

int listProfiles(Mapi& mapi, IProfAdmin* admin) {
    object_ptr<IMAPITable> table;
    if (HRESULT h = admin->GetProfileTable(0, table.out()); FAILED(h)) return fail("GetProfileTable", h);
    const Columns<2> columns{2, {PR_DISPLAY_NAME, PR_DEFAULT_PROFILE}};
    HRESULT h = eachRow(mapi, table.get(), columns.get(), [](const SRow& row) {
        const bool isDefault = row.lpProps[1].ulPropTag == PR_DEFAULT_PROFILE && row.lpProps[1].Value.b;
        std::printf("%s %s\n", isDefault ? "*" : " ", fromSystem(textOf(row.lpProps[0], PR_DISPLAY_NAME)).c_str());
    });
    return FAILED(h) ? fail("reading the profile table", h) : 0;
}

struct ServiceRow {
    std::string name, kind, uri, base, filter, bindDn, passwordFile, file;
    MAPIUID uid{};
};

HRESULT readServices(Mapi& mapi, IMsgServiceAdmin* services, std::vector<ServiceRow>& out) {
    object_ptr<IMAPITable> table;
    if (HRESULT h = services->GetMsgServiceTable(0, table.out()); FAILED(h)) return h;
    const Columns<9> columns{9,
                             {PR_DISPLAY_NAME, PR_VELMO_SERVICE_KIND, PR_SERVICE_UID, PR_VELMO_LDAP_URI,
                              PR_VELMO_LDAP_BASE_DN, PR_VELMO_LDAP_FILTER, PR_VELMO_LDAP_BIND_DN,
                              PR_VELMO_LDAP_PASSWORD_FILE, PR_VELMO_VCARD_FILE}};
    return eachRow(mapi, table.get(), columns.get(), [&](const SRow& row) {
        const SPropValue* v = row.lpProps;
        ServiceRow s;
        s.name = textOf(v[0], PR_DISPLAY_NAME);
        s.kind = textOf(v[1], PR_VELMO_SERVICE_KIND);
        if (v[2].ulPropTag == PR_SERVICE_UID && v[2].Value.bin.cb == 16) std::memcpy(s.uid.ab, v[2].Value.bin.lpb, 16);
        s.uri = textOf(v[3], PR_VELMO_LDAP_URI);
        s.base = textOf(v[4], PR_VELMO_LDAP_BASE_DN);
        s.filter = textOf(v[5], PR_VELMO_LDAP_FILTER);
        s.bindDn = textOf(v[6], PR_VELMO_LDAP_BIND_DN);
        s.passwordFile = textOf(v[7], PR_VELMO_LDAP_PASSWORD_FILE);
        s.file = textOf(v[8], PR_VELMO_VCARD_FILE);
        out.push_back(std::move(s));
    });
}

HRESULT openServices(IProfAdmin* admin, const std::string& profile, object_ptr<IMsgServiceAdmin>& services) {
    return admin->AdminServices(profile.c_str(), nullptr, 0, 0, services.out());
}

int listServices(Mapi& mapi, IProfAdmin* admin, const std::string& profile) {
    object_ptr<IMsgServiceAdmin> services;
    if (HRESULT h = openServices(admin, profile, services); FAILED(h)) return fail("profile " + fromSystem(profile.c_str()), h);
    std::vector<ServiceRow> rows;
    if (HRESULT h = readServices(mapi, services.get(), rows); FAILED(h)) return fail("reading the services", h);
    for (const ServiceRow& s : rows) {
        std::string details;
        if (s.kind == kMapiServiceLdap) {
            details = s.uri + "\t" + s.base;
            if (!s.filter.empty()) details += "\tfilter=" + s.filter;
            if (!s.bindDn.empty()) details += "\tbind-dn=" + s.bindDn + "\tpassword-file=" + s.passwordFile;
        } else {
            details = s.file;
        }
        std::printf("%s\t%s\t%s\n", fromSystem(s.name.c_str()).c_str(), s.kind.c_str(),
                    fromSystem(details.c_str()).c_str());
    }
    return 0;
}

// Creates the service and configures it; a service whose settings are
// refused is taken away again, so no half-made service stays in the profile.
int addService(Mapi& mapi, IProfAdmin* admin, const std::string& profile, const char* kind, const std::string& name,
               const std::vector<std::pair<ULONG, std::string>>& settings) {
    object_ptr<IMsgServiceAdmin> services;
    if (HRESULT h = openServices(admin, profile, services); FAILED(h)) return fail("profile " + fromSystem(profile.c_str()), h);
    if (HRESULT h = services->CreateMsgService(kind, name.c_str(), 0, 0); FAILED(h)) {
        if (h == MAPI_E_COLLISION)
            std::fprintf(stderr, "velmo-mapi: the profile already has a service named %s\n", fromSystem(name.c_str()).c_str());
        return fail("creating the service", h);
    }
    std::vector<ServiceRow> rows;
    if (HRESULT h = readServices(mapi, services.get(), rows); FAILED(h)) return fail("reading the services", h);
    const ServiceRow* made = nullptr;
    for (const ServiceRow& s : rows)
        if (s.name == name) made = &s;
    if (!made) return fail("finding the new service", MAPI_E_NOT_FOUND);
    std::vector<SPropValue> values;
    for (const auto& [tag, text] : settings) {
        SPropValue v{};
        v.ulPropTag = tag;
        v.Value.lpszA = const_cast<char*>(text.c_str());
        values.push_back(v);
    }
    if (HRESULT h = services->ConfigureMsgService(&made->uid, 0, 0, ULONG(values.size()), values.data()); FAILED(h)) {
        services->DeleteMsgService(&made->uid);
        if (h == E_ACCESSDENIED)
            std::fputs("velmo-mapi: the password file can be read by other users; allow only its owner (chmod 600)\n",
                       stderr);
        else if (h == MAPI_E_NOT_FOUND)
            std::fputs("velmo-mapi: the password file cannot be read\n", stderr);
        return fail("configuring the service", h);
    }
    return 0;
}

bool isLdapUri(const std::string& uri) {
    for (const char* scheme : {"ldap://", "ldaps://", "ldapi://"})
        if (uri.rfind(scheme, 0) == 0) return true;
    return false;
}

int addLdap(Mapi& mapi, IProfAdmin* admin, int argc, char** argv) {
    // PROFILE NAME URI BASE-DN [--filter F] [--bind-dn DN --password-file FILE]
    if (argc < 4) return usage();
    const std::string uri = argv[2];
    std::string filter, bindDn, passwordFile;
    for (int i = 4; i < argc; i += 2) {
        if (i + 1 >= argc) return usage();
        const std::string option = argv[i];
        if (option == "--filter") filter = argv[i + 1];
        else if (option == "--bind-dn") bindDn = argv[i + 1];
        else if (option == "--password-file") passwordFile = argv[i + 1];
        else return usage();
    }
    if (bindDn.empty() != passwordFile.empty()) {
        std::fputs("velmo-mapi: --bind-dn and --password-file go together\n", stderr);
        return 2;
    }
    if (!isLdapUri(uri)) {
        std::fprintf(stderr, "velmo-mapi: not an LDAP URI: %s\n", uri.c_str());
        return 2;
    }
    if (!passwordFile.empty()) passwordFile = std::filesystem::absolute(passwordFile).string();
    // Directory names and filters are UTF-8 on the wire and stay so.
    std::vector<std::pair<ULONG, std::string>> settings = {{PR_VELMO_LDAP_URI, uri}, {PR_VELMO_LDAP_BASE_DN, argv[3]}};
    if (!filter.empty()) settings.emplace_back(PR_VELMO_LDAP_FILTER, filter);
    if (!bindDn.empty()) {
        settings.emplace_back(PR_VELMO_LDAP_BIND_DN, bindDn);
        settings.emplace_back(PR_VELMO_LDAP_PASSWORD_FILE, passwordFile);
    }
    return addService(mapi, admin, toSystem(argv[0]), kMapiServiceLdap, toSystem(argv[1]), settings);
}

int addVCard(Mapi& mapi, IProfAdmin* admin, char** argv) {
    const std::string file = std::filesystem::absolute(argv[2]).string();
    return addService(mapi, admin, toSystem(argv[0]), kMapiServiceVCard, toSystem(argv[1]),
                      {{PR_VELMO_VCARD_FILE, file}});
}

int removeService(Mapi& mapi, IProfAdmin* admin, const std::string& profile, const std::string& name) {
    object_ptr<IMsgServiceAdmin> services;
    if (HRESULT h = openServices(admin, profile, services); FAILED(h)) return fail("profile " + fromSystem(profile.c_str()), h);
    std::vector<ServiceRow> rows;
    if (HRESULT h = readServices(mapi, services.get(), rows); FAILED(h)) return fail("reading the services", h);
    for (const ServiceRow& s : rows)
        if (s.name == name) {
            if (HRESULT h = services->DeleteMsgService(&s.uid); FAILED(h)) return fail("removing the service", h);
            return 0;
        }
    std::fprintf(stderr, "velmo-mapi: no service named %s\n", fromSystem(name.c_str()).c_str());
    return 1;
}

int run(Mapi& mapi, IProfAdmin* admin, const std::string& command, int argc, char** argv) {
    if (command == "profiles" && argc == 0) return listProfiles(mapi, admin);
    if (command == "create" && argc == 1) {
        if (HRESULT h = admin->CreateProfile(toSystem(argv[0]).c_str(), nullptr, 0, 0); FAILED(h))
            return fail(h == E_ACCESSDENIED ? "the profile exists" : "creating the profile", h);
        return 0;
    }
    if (command == "set-default" && argc == 1) {
        if (HRESULT h = admin->SetDefaultProfile(toSystem(argv[0]).c_str(), 0); FAILED(h))
            return fail("setting the default profile", h);
        return 0;
    }
    if (command == "add-ldap") return addLdap(mapi, admin, argc, argv);
    if (command == "add-vcard" && argc == 3) return addVCard(mapi, admin, argv);
    if (command == "services" && argc == 1) return listServices(mapi, admin, toSystem(argv[0]));
    if (command == "remove-service" && argc == 2)
        return removeService(mapi, admin, toSystem(argv[0]), toSystem(argv[1]));
    return usage();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("velmo-mapi %s\n", VELMO_VERSION);
        return 0;
    }
    Mapi mapi;
    if (!mapi.module.load("MAPI32.DLL")) {
        std::fprintf(stderr, "velmo-mapi: cannot load mapi32.so: %s\n", mapi.module.error().c_str());
        return 1;
    }
    mapi.initialize = mapi.module.function<MAPIInitializeFn>("MAPIInitialize");
    mapi.uninitialize = mapi.module.function<MAPIUninitializeFn>("MAPIUninitialize");
    mapi.adminProfiles = mapi.module.function<MAPIAdminProfilesFn>("MAPIAdminProfiles");
    mapi.freeProws = mapi.module.function<FreeProwsMapiFn>("FreeProws");
    if (!mapi.initialize || !mapi.uninitialize || !mapi.adminProfiles || !mapi.freeProws) {
        std::fputs("velmo-mapi: mapi32.so lacks the MAPI functions\n", stderr);
        return 1;
    }
    if (HRESULT h = mapi.initialize(nullptr); FAILED(h)) return fail("MAPIInitialize", h);
    int rc;
    {
        object_ptr<IProfAdmin> admin;
        if (HRESULT h = mapi.adminProfiles(0, admin.out()); FAILED(h)) rc = fail("MAPIAdminProfiles", h);
        else rc = run(mapi, admin.get(), argv[1], argc - 2, argv + 2);
    }
    mapi.uninitialize();
    return rc;
}
