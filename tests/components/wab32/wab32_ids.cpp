// Prints "<entry id in hex> <display name>" for every entry of a vCard file,
// read through wab32.so as another process sees it.
// Usage: wab32-ids <folder of wab32.so> <file.vcf>

#include <cstdio>
#include <string>

#include "pdx/pdx.h"
#include "platform/module.h"

using namespace pdx;

namespace {

void readRows(IMAPITable* table, IWABObject* wab, ULONG tag, void (*each)(const SPropValue*, ULONG)) {
    struct { ULONG c; ULONG t[2]; } columns = {2, {PR_ENTRYID, PR_DISPLAY_NAME}};
    table->SetColumns(reinterpret_cast<SPropTagArray*>(&columns), 0);
    for (;;) {
        SRowSet* rows = nullptr;
        if (table->QueryRows(1, 0, &rows) != S_OK || !rows) return;
        const ULONG n = rows->cRows;
        if (n) each(rows->aRow[0].lpProps, rows->aRow[0].cValues);
        for (ULONG i = 0; i < n; ++i) wab->FreeBuffer(rows->aRow[i].lpProps);
        wab->FreeBuffer(rows);
        if (!n) return;
    }
    (void)tag;
}

std::string g_container;

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    platform::Module module;
    if (!module.load("WAB32.DLL", std::string(argv[1]) + "/")) return 3;
    auto open = module.function<WABOpenFn>("WABOpen");
    WAB_PARAM params{};
    params.cbSize = sizeof params;
    params.szFileName = argv[2];
    IAddrBook* ab = nullptr;
    IWABObject* wab = nullptr;
    if (!open || open(&ab, &wab, &params, 0) != S_OK) return 4;
    ULONG type = 0;
    IUnknown* root = nullptr;
    ab->OpenEntry(0, nullptr, nullptr, 0, &type, &root);
    IMAPITable* hierarchy = nullptr;
    static_cast<IABContainer*>(root)->GetHierarchyTable(1, &hierarchy);
    readRows(hierarchy, wab, 0, [](const SPropValue* v, ULONG) {
        g_container.assign(reinterpret_cast<char*>(v[0].Value.bin.lpb), v[0].Value.bin.cb);
    });
    hierarchy->Release();
    root->Release();
    IUnknown* container = nullptr;
    ab->OpenEntry(ULONG(g_container.size()), reinterpret_cast<ENTRYID*>(g_container.data()), nullptr, 0, &type,
                  &container);
    IMAPITable* table = nullptr;
    static_cast<IABContainer*>(container)->GetContentsTable(0, &table);
    readRows(table, wab, 0, [](const SPropValue* v, ULONG) {
        for (ULONG i = 0; i < v[0].Value.bin.cb; ++i) std::printf("%02x", v[0].Value.bin.lpb[i]);
        std::printf(" %s\n", v[1].Value.lpszA);
    });
    table->Release();
    container->Release();
    ab->Release();
    wab->Release();
    return 0;
}
