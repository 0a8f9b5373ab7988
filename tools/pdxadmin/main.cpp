// pdxadmin: profile administration without a window.

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <memory>

#include "book_commands.h"
#include "usage.h"
#include "velmo_version.h"
#include "pdx/pdx.h"
#include "platform/module.h"

using namespace pdx;

namespace {

struct Core {
    platform::Module module;
    PDXAdminProfilesFn adminProfiles = nullptr;
    FreeBufferFn freeBuffer = nullptr;
    FreeProwsFn freeProws = nullptr;
};

// A display Qt can show windows on; without one no QApplication is made, and
// a provider asked for a dialog says it cannot show one.
bool haveDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"})
        if (const char* value = std::getenv(name); value && *value) return true;
    return false;
}

int fail(const char* what, HRESULT h) {
    const char* name = statusName(h);
    std::fprintf(stderr, "pdxadmin: %s failed: 0x%08x %s\n", what, static_cast<unsigned>(h), name ? name : "(unknown)");
    return 1;
}

bool parseUid(const std::string& text, MAPIUID& uid) {
    if (text.size() != 32) return false;
    for (size_t i = 0; i < 16; ++i) {
        char pair[3] = {text[2 * i], text[2 * i + 1], 0};
        char* end = nullptr;
        unsigned long v = std::strtoul(pair, &end, 16);
        if (*end || !std::isxdigit(static_cast<unsigned char>(pair[0])) ||
            !std::isxdigit(static_cast<unsigned char>(pair[1])))
            return false;
        uid.ab[i] = static_cast<BYTE>(v);
    }
    return true;
}

std::string hex(const SBinary& bin) {
    std::string out;
    char two[3];
    for (ULONG i = 0; i < bin.cb; ++i) {
        std::snprintf(two, sizeof two, "%02x", bin.lpb[i]);
        out += two;
    }
    return out;
}

const char* text(const SPropValue& v, ULONG tag) { return v.ulPropTag == tag ? v.Value.lpszA : ""; }

// Reads a table one row at a time from the beginning.
template <class Each>
HRESULT eachRow(Core& core, IMAPITable* table, const SPropTagArray* columns, Each each) {
    HRESULT h = table->SetColumns(columns, 0);
    if (SUCCEEDED(h)) h = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    while (SUCCEEDED(h)) {
        rowset_ptr rows(core.freeProws);
        h = table->QueryRows(1, 0, rows.out());
        if (FAILED(h) || rows->cRows == 0) break;
        each(rows->aRow[0]);
    }
    return FAILED(h) ? h : S_OK;
}

int listProfiles(Core& core, IPDXProfAdmin* admin) {
    object_ptr<IMAPITable> table;
    if (HRESULT h = admin->GetProfileTable(0, table.out()); FAILED(h)) return fail("GetProfileTable", h);
    struct { ULONG c; ULONG t[2]; } cols = {2, {PR_DISPLAY_NAME, PR_DEFAULT_PROFILE}};
    HRESULT h = eachRow(core, table.get(), reinterpret_cast<SPropTagArray*>(&cols), [](const SRow& row) {
        const bool def = row.lpProps[1].ulPropTag == PR_DEFAULT_PROFILE && row.lpProps[1].Value.b;
        std::printf("%s %s\n", def ? "*" : " ", text(row.lpProps[0], PR_DISPLAY_NAME));
    });
    return FAILED(h) ? fail("QueryRows", h) : 0;
}

int listServices(Core& core, IPDXProfAdmin* admin, const char* profile) {
    object_ptr<IPDXServiceAdmin> services;
    if (HRESULT h = admin->AdminServices(profile, 0, services.out()); FAILED(h)) return fail("AdminServices", h);
    object_ptr<IMAPITable> table;
    if (HRESULT h = services->GetServiceTable(0, table.out()); FAILED(h)) return fail("GetServiceTable", h);
    struct { ULONG c; ULONG t[4]; } cols = {4, {PR_SERVICE_UID, PR_SERVICE_NAME, PR_DISPLAY_NAME, PR_RESOURCE_FLAGS}};
    HRESULT h = eachRow(core, table.get(), reinterpret_cast<SPropTagArray*>(&cols), [](const SRow& row) {
        const SPropValue* v = row.lpProps;
        std::printf("%s\t%s\t%s\t0x%08x\n", v[0].ulPropTag == PR_SERVICE_UID ? hex(v[0].Value.bin).c_str() : "",
                    text(v[1], PR_SERVICE_NAME), text(v[2], PR_DISPLAY_NAME),
                    v[3].ulPropTag == PR_RESOURCE_FLAGS ? v[3].Value.ul : 0u);
    });
    return FAILED(h) ? fail("QueryRows", h) : 0;
}

int badUid(const char* text) { return pdxadmin::usage(std::string("not a service UID (32 hexadecimal digits): ") + text); }

int configure(IPDXProfAdmin* admin, const char* profile, const char* uidText, int count, char** assignments) {
    MAPIUID uid;
    if (!parseUid(uidText, uid)) return badUid(uidText);
    std::vector<SPropValue> values;
    std::vector<std::string> texts;
    texts.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const char* eq = std::strchr(assignments[i], '=');
        if (!eq) return pdxadmin::usage(std::string("configure: expected TAG=VALUE, not ") + assignments[i]);
        char* end = nullptr;
        const std::string tagText(assignments[i], static_cast<size_t>(eq - assignments[i]));
        const unsigned long tag = std::strtoul(tagText.c_str(), &end, 16);
        if (tagText.empty() || *end || tag > 0xFFFFFFFFul)
            return pdxadmin::usage("configure: not a hexadecimal property tag: " + tagText);
        SPropValue v{};
        v.ulPropTag = ULONG(tag);
        if (PROP_TYPE(v.ulPropTag) == PT_STRING8) {
            texts.emplace_back(eq + 1);
            v.Value.lpszA = texts.back().data();
        } else if (PROP_TYPE(v.ulPropTag) == PT_LONG) {
            const long n = std::strtol(eq + 1, &end, 10);
            if (!eq[1] || *end) return pdxadmin::usage("configure: " + tagText + " takes a number, not " + (eq + 1));
            v.Value.l = LONG(n);
        } else {
            std::fprintf(stderr, "pdxadmin: only PT_STRING8 and PT_LONG values can be given\n");
            return 2;
        }
        values.push_back(v);
    }
    object_ptr<IPDXServiceAdmin> services;
    if (HRESULT h = admin->AdminServices(profile, 0, services.out()); FAILED(h)) return fail("AdminServices", h);
    HRESULT h = services->ConfigureService(&uid, 0, 0, ULONG(values.size()), values.data());
    return FAILED(h) ? fail("ConfigureService", h) : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return pdxadmin::usage("no command given");
    const std::string cmd = argv[1];
    if (cmd == "--help" && argc == 2) {
        pdxadmin::printHelp();
        return 0;
    }
    if (cmd == "--version" && argc == 2) {
        std::printf("pdxadmin %s\n", VELMO_VERSION);
        return 0;
    }
    if (!pdxadmin::commandSyntax(cmd))
        return pdxadmin::usage((cmd.rfind("--", 0) == 0 ? "unknown option " : "unknown command ") + cmd);
    Core core;
    if (!core.module.load("vqcore.dll")) {
        std::fprintf(stderr, "pdxadmin: cannot load vqcore: %s\n", core.module.error().c_str());
        return 1;
    }
    core.adminProfiles = core.module.function<PDXAdminProfilesFn>("PDXAdminProfiles");
    core.freeBuffer = core.module.function<FreeBufferFn>("PDXFreeBuffer");
    core.freeProws = core.module.function<FreeProwsFn>("PDXFreeProws");
    if (!core.adminProfiles || !core.freeBuffer || !core.freeProws) {
        std::fputs("pdxadmin: vqcore lacks its exports\n", stderr);
        return 1;
    }
    // Made before any provider is loaded and gone before vqcore is unloaded.
    std::unique_ptr<QApplication> app;
    if (pdxadmin::isDialogCommand(argv[1]) && haveDisplay()) app = std::make_unique<QApplication>(argc, argv);
    if (pdxadmin::isBookCommand(argv[1])) {
        pdxadmin::CoreCalls calls;
        calls.open = core.module.function<PDXOpenFn>("PDXOpen");
        calls.allocateBuffer = core.module.function<PDXAllocateBufferFn>("PDXAllocateBuffer");
        calls.allocateMore = core.module.function<PDXAllocateMoreFn>("PDXAllocateMore");
        calls.freeBuffer = core.freeBuffer;
        calls.freeProws = core.freeProws;
        calls.freePadrlist = core.module.function<PDXFreePadrlistFn>("PDXFreePadrlist");
        if (!calls.open || !calls.allocateBuffer || !calls.allocateMore || !calls.freePadrlist) {
            std::fputs("pdxadmin: vqcore lacks its exports\n", stderr);
            return 1;
        }
        const int rc = pdxadmin::runBookCommand(calls, argc - 1, argv + 1);
        std::fflush(stdout);
        return rc == 2 ? pdxadmin::commandUsage(cmd) : rc;
    }
    int rc = 0;
    {
        object_ptr<IPDXProfAdmin> admin;
        if (HRESULT h = core.adminProfiles(0, admin.out()); FAILED(h)) return fail("PDXAdminProfiles", h);
        auto run = [&](const char* what, HRESULT h) { return FAILED(h) ? fail(what, h) : 0; };
        if (cmd == "profiles" && argc == 2) {
            rc = listProfiles(core, admin.get());
        } else if (cmd == "create" && (argc == 3 || (argc == 4 && std::strcmp(argv[3], "--default-services") == 0))) {
            rc = run("CreateProfile", admin->CreateProfile(argv[2], 0, argc == 4 ? MAPI_DEFAULT_SERVICES : 0));
        } else if (cmd == "delete" && argc == 3) {
            rc = run("DeleteProfile", admin->DeleteProfile(argv[2], 0));
        } else if (cmd == "copy" && argc == 4) {
            rc = run("CopyProfile", admin->CopyProfile(argv[2], argv[3], 0));
        } else if (cmd == "rename" && argc == 4) {
            rc = run("RenameProfile", admin->RenameProfile(argv[2], argv[3], 0));
        } else if (cmd == "set-default" && argc == 3) {
            const bool none = std::strcmp(argv[2], "--none") == 0;
            rc = run("SetDefaultProfile", admin->SetDefaultProfile(none ? nullptr : argv[2], 0));
        } else if (cmd == "services" && argc == 3) {
            rc = listServices(core, admin.get(), argv[2]);
        } else if (cmd == "add-service" && (argc == 4 || (argc == 6 && std::strcmp(argv[4], "--display") == 0))) {
            object_ptr<IPDXServiceAdmin> services;
            HRESULT h = admin->AdminServices(argv[2], 0, services.out());
            if (FAILED(h)) {
                rc = fail("AdminServices", h);
            } else {
                rc = run("CreateService", services->CreateService(argv[3], argc == 6 ? argv[5] : "", 0, 0, 0));
            }
        } else if (cmd == "remove-service" && argc == 4) {
            MAPIUID uid;
            if (!parseUid(argv[3], uid)) return badUid(argv[3]);
            object_ptr<IPDXServiceAdmin> services;
            HRESULT h = admin->AdminServices(argv[2], 0, services.out());
            rc = FAILED(h) ? fail("AdminServices", h) : run("DeleteService", services->DeleteService(&uid));
        } else if (cmd == "configure" && argc >= 5) {
            rc = configure(admin.get(), argv[2], argv[3], argc - 4, argv + 4);
        } else {
            return pdxadmin::commandUsage(cmd);
        }
    }
    std::fflush(stdout);
    return rc;
}
