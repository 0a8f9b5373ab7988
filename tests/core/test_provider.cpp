// A provider module for the tests. Its service entry appends one line per call
// to the file named by PDXTEST_LOG and answers with PDXTEST_RESULT (hex); with
// PDXTEST_DISPLAY set, it writes that display name through the profile
// section and saves it; PDXTEST_THROW makes it throw instead: "bad_alloc" a
// std::bad_alloc, anything else a std::runtime_error. Its ABProviderOpen
// serves the address book of the fixture file named by the section's
// PR_FAX_AB_FILE_PATH (see test_provider/tp_store.h) and logs what callers
// ask of it. A service made while PDXTEST_FILE_<service name> is set gets
// that fixture file in its section, as a real service's setup would.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <stdexcept>
#include <string>

#include "pdx/pdx.h"
#include "test_provider/tp_objects.h"
#include "test_provider/tp_store.h"

using namespace pdx;
using namespace testprovider;

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

HRESULT configuredResult() {
    const char* r = std::getenv("PDXTEST_RESULT");
    return r ? static_cast<HRESULT>(std::strtoul(r, nullptr, 16)) : S_OK;
}

// The provider object, called by vqcore through the IAddrBook slots.
class Provider final : public IAddrBook {
public:
    explicit Provider(std::shared_ptr<Context> context) : context_(std::move(context)) {}

    HRESULT QueryInterface(LPCIID iid, void** out) override {
        if (!out) return E_INVALIDARG;
        if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IAddrBook)) return E_NOINTERFACE;
        AddRef();
        *out = static_cast<IAddrBook*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left) return left;
        logEvent("release " + rootName());
        std::map<ULONG_PTR, IMAPIAdviseSink*> sinks;
        {
            std::lock_guard g(adviseLock_);
            sinks.swap(sinks_);
        }
        for (auto& [n, sink] : sinks)
            if (sink) sink->Release();
        delete this;
        return 0;
    }
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SaveChanges(ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override {
        if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
        if (!count || !values) return E_INVALIDARG;
        Lock g(store().lock);
        return copyProps(store().alloc, store().props(0), tags, count, values);
    }
    HRESULT GetPropList(ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetProps(ULONG, const SPropValue*, SPropProblemArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT DeleteProps(const SPropTagArray*, SPropProblemArray**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CopyTo(ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                   SPropProblemArray**) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CopyProps(const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID, void*, ULONG,
                      SPropProblemArray**) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override { return MAPI_E_NO_SUPPORT; }

    HRESULT OpenEntry(ULONG cb, ENTRYID* id, LPCIID iid, ULONG, ULONG* objType, IUnknown** out) override {
        return openObject(context_, cb, id, iid, objType, out);
    }
    HRESULT CompareEntryIDs(ULONG, ENTRYID*, ULONG, ENTRYID*, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }

    HRESULT Advise(ULONG cb, ENTRYID* id, ULONG, IMAPIAdviseSink* sink, ULONG_PTR* connection) override {
        if (!connection) return E_INVALIDARG;
        int index;
        {
            Lock g(store().lock);
            index = store().decode(cb, id);
        }
        if (index < 0) return MAPI_E_NOT_FOUND;
        if (sink) sink->AddRef();
        std::lock_guard g(adviseLock_);
        const ULONG_PTR n = 100 + nextConnection_++; // numbered apart from the PDX's own
        sinks_[n] = sink;
        *connection = n;
        logEvent("advise " + std::to_string(n) + " " + rootName());
        return S_OK;
    }
    HRESULT Unadvise(ULONG_PTR connection) override {
        IMAPIAdviseSink* sink = nullptr;
        {
            std::lock_guard g(adviseLock_);
            auto it = sinks_.find(connection);
            if (it == sinks_.end()) return MAPI_E_NOT_FOUND;
            sink = it->second;
            sinks_.erase(it);
        }
        if (sink) sink->Release();
        logEvent("unadvise " + std::to_string(connection) + " " + rootName());
        return S_OK;
    }
    HRESULT CreateOneOff(char*, char*, char*, ULONG, ULONG*, ENTRYID**) override { return MAPI_E_NO_SUPPORT; }

    HRESULT NewEntry(ULONG_PTR, ULONG, ULONG cbContainer, ENTRYID* container, ULONG cbTemplate, ENTRYID* templ,
                     ULONG* cbNew, ENTRYID** newId) override {
        if (!cbNew || !newId) return E_INVALIDARG;
        Lock g(store().lock);
        int parent = container ? store().decode(cbContainer, container) : -1;
        ULONG type = MAPI_MAILUSER;
        if (!container && templ) store().decode(cbTemplate, templ, &type);
        if (parent < 0) { // the first container
            for (size_t i = 1; i < store().records.size() && parent < 0; ++i)
                if (store().records[i].kind == Kind::Container && !store().records[i].deleted) parent = int(i);
        }
        if (parent < 0 || store().records[size_t(parent)].kind != Kind::Container) return MAPI_E_NOT_FOUND;
        Record r;
        r.kind = type == MAPI_DISTLIST ? Kind::DistList : Kind::MailUser;
        r.parent = parent;
        r.texts[PR_DISPLAY_NAME] = "New entry";
        const int index = store().add(std::move(r));
        if (HRESULT h = store().save(); FAILED(h)) return h;
        logEvent("newentry " + store().name(parent));
        return copyBytesOut(store().alloc, store().entryId(index), cbNew, newId);
    }
    HRESULT ResolveName(ULONG_PTR, ULONG, char*, ADRLIST*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Address(ULONG_PTR*, ADRPARM*, ADRLIST**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Details(ULONG_PTR* ulUIParam, DismissFn, void*, ULONG cb, ENTRYID* id, ButtonFn, void*, char*,
                    ULONG) override {
        Lock g(store().lock);
        const int index = store().decode(cb, id);
        if (index < 0) return MAPI_E_NOT_FOUND;
        logEvent("details " + store().name(index) + " ui=" + std::to_string(ulUIParam ? *ulUIParam : 0));
        return S_OK;
    }
    HRESULT RecipOptions(ULONG_PTR, ULONG, ADRENTRY*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryDefaultRecipOpt(char*, ULONG, ULONG*, SPropValue**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetPAB(ULONG*, ENTRYID**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetPAB(ULONG, ENTRYID*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetDefaultDir(ULONG*, ENTRYID**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetDefaultDir(ULONG, ENTRYID*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetSearchPath(ULONG, SRowSet**) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetSearchPath(ULONG, SRowSet*) override { return MAPI_E_NO_SUPPORT; }

    // Each entry gets the requested properties first, from the store where
    // the entry is ours, then the properties it had.
    HRESULT PrepareRecips(ULONG, const SPropTagArray* tags, ADRLIST* list) override {
        if (!list) return E_INVALIDARG;
        Lock g(store().lock);
        for (ULONG i = 0; i < list->cEntries; ++i) {
            ADRENTRY& entry = list->aEntries[i];
            Props own;
            int index = -1;
            for (ULONG j = 0; entry.rgPropVals && j < entry.cValues; ++j) {
                const SPropValue& v = entry.rgPropVals[j];
                if (v.ulPropTag == PR_ENTRYID) index = store().decode(v.Value.bin.cb, reinterpret_cast<ENTRYID*>(v.Value.bin.lpb));
                switch (PROP_TYPE(v.ulPropTag)) {
                case PT_STRING8: own.push_back(Prop{v.ulPropTag, 0, v.Value.lpszA ? v.Value.lpszA : "", {}}); break;
                case PT_BINARY: own.push_back(Prop{v.ulPropTag, 0, {}, {v.Value.bin.lpb, v.Value.bin.lpb + v.Value.bin.cb}}); break;
                case PT_LONG: case PT_BOOLEAN: case PT_ERROR: own.push_back(Prop{v.ulPropTag, v.Value.ul, {}, {}}); break;
                default: break;
                }
            }
            Props merged;
            if (index >= 0) merged = store().props(index);
            for (const auto& p : own) {
                bool have = false;
                for (const auto& m : merged) have = have || PROP_ID(m.tag) == PROP_ID(p.tag);
                if (!have) merged.push_back(p);
            }
            // Requested tags first, then the rest in order.
            Props ordered;
            std::vector<bool> used(merged.size());
            for (ULONG t = 0; tags && t < tags->cValues; ++t) {
                bool found = false;
                for (size_t m = 0; m < merged.size() && !found; ++m)
                    if (!used[m] && PROP_ID(merged[m].tag) == PROP_ID(tags->aulPropTag[t])) {
                        ordered.push_back(merged[m]);
                        used[m] = found = true;
                    }
                if (!found) ordered.push_back(Prop{CHANGE_PROP_TYPE(tags->aulPropTag[t], PT_ERROR), ULONG(MAPI_E_NOT_FOUND), {}, {}});
            }
            for (size_t m = 0; m < merged.size(); ++m)
                if (!used[m]) ordered.push_back(merged[m]);
            ULONG count = 0;
            SPropValue* values = nullptr;
            HRESULT h = copyProps(store().alloc, ordered, nullptr, &count, &values);
            if (FAILED(h)) return h;
            if (entry.rgPropVals) store().alloc.free(entry.rgPropVals);
            entry.rgPropVals = values;
            entry.cValues = count;
        }
        logEvent("prepare " + rootName() + " " + std::to_string(list->cEntries));
        return S_OK;
    }

private:
    Store& store() { return *context_->store; }
    std::string rootName() {
        Lock g(store().lock);
        return store().name(0);
    }

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<Context> context_;
    std::mutex adviseLock_;
    ULONG_PTR nextConnection_ = 1;
    std::map<ULONG_PTR, IMAPIAdviseSink*> sinks_;
};

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
    const std::string fileVariable = std::string("PDXTEST_FILE_") + service;
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
    if (const char* file = std::getenv(fileVariable.c_str()); file && section && context == MSG_SERVICE_CREATE) {
        SPropValue v{};
        v.ulPropTag = PR_FAX_AB_FILE_PATH;
        v.Value.lpszA = const_cast<char*>(file);
        HRESULT h = section->SetProps(1, &v, nullptr);
        if (SUCCEEDED(h)) h = section->SaveChanges(0);
        if (FAILED(h)) return h;
    }
    return configuredResult();
}

TEST_EXPORT HRESULT ABProviderOpen(void* module, IPDXSupport* support, IProfSect* section, ULONG_PTR ulUIParam,
                                   ULONG flags, AllocateBufferFn allocateBuffer, AllocateMoreFn allocateMore,
                                   FreeBufferFn freeBuffer, IAddrBook** provider) {
    if (!provider || !support || !section || !module) return E_INVALIDARG;
    *provider = nullptr;
    SPropTagArray tag{1, {PR_FAX_AB_FILE_PATH}};
    ULONG n = 0;
    SPropValue* path = nullptr;
    HRESULT h = section->GetProps(&tag, 0, &n, &path);
    if (FAILED(h)) return h;
    const std::string file = n == 1 && path[0].ulPropTag == PR_FAX_AB_FILE_PATH ? path[0].Value.lpszA : "";
    freeBuffer(path);
    if (file.empty()) return MAPI_E_NOT_FOUND;

    auto store = std::make_shared<Store>();
    store->alloc = {allocateBuffer, allocateMore, freeBuffer};
    if (h = store->load(file); FAILED(h)) return h;
    for (const auto& uid : store->uids)
        if (h = support->SetProviderUID(&uid, 0); FAILED(h)) return h;
    logEvent("open " + store->name(0) + " ui=" + std::to_string(ulUIParam) + " flags=" + std::to_string(flags));
    if (FAILED(store->openStatus)) return store->openStatus;

    auto context = std::make_shared<Context>();
    context->store = std::move(store);
    context->support = object_ptr<IPDXSupport>::share(support);
    *provider = new Provider(std::move(context));
    return S_OK;
}
