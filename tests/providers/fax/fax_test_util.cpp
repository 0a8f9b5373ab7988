#include "fax_test_util.h"

#include <cstdlib>
#include <cstring>

#include "allocator.h"
#include "vqconv.h"

namespace faxtest {

HRESULT TestSupport::QueryInterface(LPCIID iid, void** out) {
    if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IPDXSupport)) return E_NOINTERFACE;
    AddRef();
    *out = this;
    return S_OK;
}

ULONG TestSupport::Release() {
    const ULONG left = --refs;
    if (!left) delete this;
    return left;
}

HRESULT TestSupport::GetMemAllocRoutines(AllocateBufferFn* a, AllocateMoreFn* m, FreeBufferFn* f) {
    if (FAILED(routinesResult)) return routinesResult;
    *a = &PDXAllocateBuffer;
    *m = &PDXAllocateMore;
    *f = &PDXFreeBuffer;
    return S_OK;
}

HRESULT TestSupport::SetProviderUID(const MAPIUID* uid, ULONG) {
    registered.push_back(*uid);
    return S_OK;
}

HRESULT TestSupport::DoCopyTo(LPCIID srcIface, void*, ULONG, LPCIID, const SPropTagArray*, ULONG_PTR, IMAPIProgress*,
                              LPCIID, void*, ULONG, SPropProblemArray**) {
    char line[64];
    std::snprintf(line, sizeof line, "CopyTo %08x", srcIface ? srcIface->Data1 : 0);
    copies.push_back(line);
    return S_OK;
}

HRESULT TestSupport::DoCopyProps(LPCIID srcIface, void*, const SPropTagArray*, ULONG_PTR, IMAPIProgress*, LPCIID,
                                 void*, ULONG, SPropProblemArray**) {
    char line[64];
    std::snprintf(line, sizeof line, "CopyProps %08x", srcIface ? srcIface->Data1 : 0);
    copies.push_back(line);
    return S_OK;
}

// ---- section

void TestSection::set(ULONG tag, const std::string& text) {
    for (auto& e : entries_)
        if (PROP_ID(e.tag) == PROP_ID(tag)) {
            e = Entry{tag, text, {}};
            return;
        }
    entries_.push_back(Entry{tag, text, {}});
}

void TestSection::setBinary(ULONG tag, const std::vector<uint8_t>& bytes) {
    for (auto& e : entries_)
        if (PROP_ID(e.tag) == PROP_ID(tag)) {
            e = Entry{tag, {}, bytes};
            return;
        }
    entries_.push_back(Entry{tag, {}, bytes});
}

const std::string* TestSection::text(ULONG tag) const {
    for (const auto& e : entries_)
        if (e.tag == tag) return &e.text;
    return nullptr;
}

HRESULT TestSection::QueryInterface(LPCIID iid, void** out) {
    if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPIProp) && !isIid(iid, IID_IProfSect)) return E_NOINTERFACE;
    AddRef();
    *out = this;
    return S_OK;
}

ULONG TestSection::Release() {
    const ULONG left = --refs;
    if (!left) delete this;
    return left;
}

HRESULT TestSection::SaveChanges(ULONG flags) {
    saves.push_back(flags);
    return saveResult;
}

HRESULT TestSection::GetProps(const SPropTagArray* tags, ULONG, ULONG* count, SPropValue** values) {
    SPropValue* out = nullptr;
    if (FAILED(PDXAllocateBuffer(ULONG(sizeof(SPropValue) * tags->cValues), reinterpret_cast<void**>(&out))))
        return E_OUTOFMEMORY;
    HRESULT result = S_OK;
    for (ULONG i = 0; i < tags->cValues; ++i) {
        const ULONG tag = tags->aulPropTag[i];
        const Entry* found = nullptr;
        for (const auto& e : entries_)
            if (PROP_ID(e.tag) == PROP_ID(tag)) found = &e;
        if (!found) {
            out[i].ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
            out[i].Value.err = MAPI_E_NOT_FOUND;
            result = MAPI_W_ERRORS_RETURNED;
            continue;
        }
        out[i].ulPropTag = found->tag;
        if (PROP_TYPE(found->tag) == PT_BINARY) {
            void* bytes = nullptr;
            PDXAllocateMore(ULONG(found->bytes.size()), out, &bytes);
            std::memcpy(bytes, found->bytes.data(), found->bytes.size());
            out[i].Value.bin = SBinary{ULONG(found->bytes.size()), static_cast<BYTE*>(bytes)};
        } else {
            void* text = nullptr;
            PDXAllocateMore(ULONG(found->text.size() + 1), out, &text);
            std::memcpy(text, found->text.c_str(), found->text.size() + 1);
            out[i].Value.lpszA = static_cast<char*>(text);
        }
    }
    handedOut.push_back(out);
    *count = tags->cValues;
    *values = out;
    return result;
}

HRESULT TestSection::SetProps(ULONG count, const SPropValue* values, SPropProblemArray**) {
    if (FAILED(setPropsResult)) return setPropsResult;
    for (ULONG i = 0; i < count; ++i) {
        if (PROP_TYPE(values[i].ulPropTag) == PT_STRING8) set(values[i].ulPropTag, values[i].Value.lpszA);
        else if (PROP_TYPE(values[i].ulPropTag) == PT_BINARY) setBinary(values[i].ulPropTag, bytesOf(values[i].Value.bin));
    }
    return S_OK;
}

TestSection* makeSection(const std::string& display, const std::string& path, uint8_t uidByte) {
    auto* s = TestSection::create();
    s->set(PR_DISPLAY_NAME, display);
    s->set(PR_FAX_AB_FILE_PATH, path);
    s->setBinary(PR_SERVICE_UID, std::vector<uint8_t>(16, uidByte));
    return s;
}

// ---- fake library

std::string fakeDirectory(FakeVariant variant) {
    const char* name = variant == FakeVariant::Full ? "full" : variant == FakeVariant::NoClose ? "noclose" : "nodelete";
    return std::string(VELMO_BIN_DIR) + "/fakeconv/" + name + "/";
}

fakeconv::State& useFake(FakeVariant variant, platform::Module& holder) {
    const std::string dir = fakeDirectory(variant);
    setenv("VELMO_PRINTER_DRIVER_DIR", dir.c_str(), 1);
    if (!holder.load("VQCONV.DLL", dir)) std::abort();
    auto* s = holder.function<fakeconv::StateFn>(fakeconv::kStateSymbol)();
    std::lock_guard g(s->lock);
    s->reset();
    return *s;
}

// ---- properties

SPropValue stringValue(ULONG tag, const char* text) {
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.lpszA = const_cast<char*>(text);
    return v;
}

SPropValue binaryValue(ULONG tag, const std::vector<uint8_t>& bytes) {
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.bin = SBinary{ULONG(bytes.size()), const_cast<BYTE*>(bytes.data())};
    return v;
}

const SPropValue* findTag(const SPropValue* values, ULONG count, ULONG tag) {
    for (ULONG i = 0; i < count; ++i)
        if (values[i].ulPropTag == tag) return &values[i];
    return nullptr;
}

std::string textOf(const SPropValue* values, ULONG count, ULONG tag) {
    const SPropValue* v = findTag(values, count, tag);
    return v && v->Value.lpszA ? v->Value.lpszA : "";
}

std::vector<uint8_t> bytesOf(const SBinary& bin) {
    return bin.cb ? std::vector<uint8_t>(bin.lpb, bin.lpb + bin.cb) : std::vector<uint8_t>();
}

// ---- the fake store's records

std::vector<uint8_t> fieldElement(uint32_t code, const std::string& text) {
    std::vector<uint8_t> e(sizeof(vqconv::FieldElement), 0);
    std::memcpy(e.data(), &code, 4);
    std::memcpy(e.data() + 4, text.data(), std::min<size_t>(text.size(), 255));
    return e;
}

std::vector<uint8_t> memberElement(int32_t record, uint32_t flags) {
    std::vector<uint8_t> e(sizeof(vqconv::MemberElement), 0);
    const uint32_t code = vqconv::kMemberCode;
    std::memcpy(e.data(), &code, 4);
    std::memcpy(e.data() + 4, &record, 4);
    std::memcpy(e.data() + 8, &flags, 4);
    return e;
}

std::string storedField(fakeconv::State& s, int32_t record, uint32_t code) {
    std::lock_guard g(s.lock);
    for (const auto& e : s.records[record]) {
        uint32_t c;
        std::memcpy(&c, e.data(), 4);
        if (c == code) return std::string(reinterpret_cast<const char*>(e.data() + 4));
    }
    return "(none)";
}

std::vector<StoredMember> storedMembers(fakeconv::State& s, int32_t record) {
    std::lock_guard g(s.lock);
    std::vector<StoredMember> out;
    for (const auto& e : s.records[record]) {
        uint32_t c;
        std::memcpy(&c, e.data(), 4);
        if (c != vqconv::kMemberCode) continue;
        StoredMember m;
        std::memcpy(&m.record, e.data() + 4, 4);
        std::memcpy(&m.flags, e.data() + 8, 4);
        out.push_back(m);
    }
    return out;
}

void storeRecord(fakeconv::State& s, int32_t record, const std::vector<std::pair<uint32_t, std::string>>& fields,
                 const std::vector<StoredMember>& members) {
    std::lock_guard g(s.lock);
    auto& elements = s.records[record];
    elements.clear();
    for (const auto& [code, text] : fields) elements.push_back(fieldElement(code, text));
    for (const auto& m : members) elements.push_back(memberElement(m.record, m.flags));
    if (record > 0 && record >= s.nextContact) s.nextContact = record + 1;
}

} // namespace faxtest
