// A provider module for the tests: its service entry appends one line per call
// to the file named by PDXTEST_LOG and answers with PDXTEST_RESULT (hex).
// With PDXTEST_DISPLAY set, it writes that display name through the profile
// section and saves it. PDXTEST_THROW makes it throw instead: "bad_alloc" a
// std::bad_alloc, anything else a std::runtime_error.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "pdx/pdx.h"

using namespace pdx;

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
HRESULT configuredResult() {
    const char* r = std::getenv("PDXTEST_RESULT");
    return r ? static_cast<HRESULT>(std::strtoul(r, nullptr, 16)) : S_OK;
}
} // namespace

TEST_EXPORT HRESULT TestServiceEntry(void* module, ULONG_PTR ulUIParam, ULONG flags, ULONG context, ULONG count,
                                     const SPropValue* values, IProfSect* section, IPDXSupport* support) {
    AllocateBufferFn alloc = nullptr;
    AllocateMoreFn more = nullptr;
    FreeBufferFn freeBuffer = nullptr;
    HRESULT routines = support ? support->GetMemAllocRoutines(&alloc, &more, &freeBuffer) : E_INVALIDARG;
    MAPIUID uid{};
    HRESULT setUid = support ? support->SetProviderUID(&uid, 0) : E_INVALIDARG;

    // The service name as the section sees it.
    const char* service = "";
    SPropValue* props = nullptr;
    ULONG n = 0;
    struct { ULONG c; ULONG t[1]; } tags = {1, {PR_SERVICE_NAME}};
    if (section && SUCCEEDED(section->GetProps(reinterpret_cast<SPropTagArray*>(&tags), 0, &n, &props)) && n == 1 &&
        props[0].ulPropTag == PR_SERVICE_NAME)
        service = props[0].Value.lpszA;

    if (const char* path = std::getenv("PDXTEST_LOG")) {
        if (FILE* f = std::fopen(path, "a")) {
            std::fprintf(f, "context=%u flags=0x%x count=%u ui=%lu module=%d routines=0x%08x setuid=0x%08x service=%s",
                         context, flags, count, static_cast<unsigned long>(ulUIParam), module != nullptr,
                         static_cast<unsigned>(routines), static_cast<unsigned>(setUid), service);
            for (ULONG i = 0; i < count; ++i) std::fprintf(f, " %08x", values[i].ulPropTag);
            std::fputc('\n', f);
            std::fclose(f);
        }
    }
    if (props && freeBuffer) freeBuffer(props);

    if (const char* thrown = std::getenv("PDXTEST_THROW")) {
        if (std::strcmp(thrown, "bad_alloc") == 0) throw std::bad_alloc();
        throw std::runtime_error(thrown);
    }
    if (const char* display = std::getenv("PDXTEST_DISPLAY"); display && section) {
        SPropValue v{};
        v.ulPropTag = PR_DISPLAY_NAME;
        v.Value.lpszA = const_cast<char*>(display);
        HRESULT h = section->SetProps(1, &v, nullptr);
        if (SUCCEEDED(h)) h = section->SaveChanges(0);
        if (FAILED(h)) return h;
    }
    return configuredResult();
}

TEST_EXPORT HRESULT ABProviderOpen(void*, IPDXSupport*, IProfSect*, ULONG_PTR, ULONG, AllocateBufferFn,
                                   AllocateMoreFn, FreeBufferFn, IAddrBook** provider) {
    if (provider) *provider = nullptr;
    return MAPI_E_NO_SUPPORT;
}
