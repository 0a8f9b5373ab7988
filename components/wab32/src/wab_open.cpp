#include "wab_open.h"

#include <cstddef>
#include <cstdlib>

#include "objects.h"
#include "wab_tags.h"

namespace wab32 {

using namespace pdx;

std::string defaultStorePath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) base = xdg;
    else base = std::string(std::getenv("HOME") ? std::getenv("HOME") : ".") + "/.local/share";
    return base + "/velmo/contacts.vcf";
}

HRESULT wabOpen(IAddrBook** addrBook, IWABObject** wabObject, const WAB_PARAM* params) {
    if (!addrBook || !wabObject) return E_INVALIDARG;
    *addrBook = nullptr;
    *wabObject = nullptr;
    // Callers fill in the size of the block they know; the fields up to the flags are required.
    if (params && params->cbSize < offsetof(WAB_PARAM, guidPSExt)) return E_INVALIDARG;
    const bool named = params && params->szFileName && *params->szFileName;
    auto session = std::make_shared<Session>();
    // Profiles belong to the user's own store; a named file is read as it is.
    session->profiles = params && (params->ulFlags & WAB_ENABLE_PROFILES) && !named;
    HRESULT h = ContactStore::open(named ? std::string(params->szFileName) : defaultStorePath(), session->store);
    if (FAILED(h)) return h;
    IAddrBook* ab = newAddrBook(session);
    IWABObject* wab = newWabObject(session);
    if (!ab || !wab) {
        if (ab) ab->Release();
        if (wab) wab->Release();
        return E_OUTOFMEMORY;
    }
    *addrBook = ab;
    *wabObject = wab;
    return S_OK;
}

} // namespace wab32
