#include "mapi_test_util.h"

#include <gtest/gtest.h>

#include <cstring>

#include "admin.h"
#include "memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "session.h"
#include "subsystem.h"

using namespace pdx;

namespace mapitest {

Initialized::Initialized() { mapi32::initialize(); }
Initialized::~Initialized() { mapi32::uninitialize(); }

std::string hex(const void* bytes, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        const auto b = static_cast<const unsigned char*>(bytes)[i];
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

namespace {
std::string valueText(const SPropValue& v) {
    switch (PROP_TYPE(v.ulPropTag)) {
    case PT_STRING8: return v.Value.lpszA ? v.Value.lpszA : "";
    case PT_LONG: return std::to_string(v.Value.l);
    case PT_BOOLEAN: return v.Value.b ? "1" : "0";
    case PT_BINARY: return std::string(reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb);
    case PT_ERROR: return "!";
    default: return "?";
    }
}
} // namespace

void createProfile(const std::string& name) {
    Initialized init;
    object_ptr<IProfAdmin> admin(mapi32::newProfAdmin());
    ASSERT_EQ(admin->CreateProfile(name.c_str(), nullptr, 0, 0), S_OK);
}

HRESULT addService(const std::string& profile, const char* kind, const std::string& name,
                   const std::vector<std::pair<ULONG, std::string>>& settings) {
    Initialized init;
    object_ptr<IProfAdmin> admin(mapi32::newProfAdmin());
    object_ptr<IMsgServiceAdmin> services;
    if (HRESULT h = admin->AdminServices(profile.c_str(), nullptr, 0, 0, services.out()); FAILED(h)) return h;
    if (HRESULT h = services->CreateMsgService(kind, name.c_str(), 0, 0); FAILED(h)) return h;
    const MAPIUID uid = serviceUid(profile, name);
    std::vector<SPropValue> values;
    for (const auto& [tag, text] : settings) {
        SPropValue v{};
        v.ulPropTag = tag;
        v.Value.lpszA = const_cast<char*>(text.c_str());
        values.push_back(v);
    }
    return values.empty() ? S_OK : services->ConfigureMsgService(&uid, 0, 0, ULONG(values.size()), values.data());
}

MAPIUID serviceUid(const std::string& profile, const std::string& name) {
    Initialized init;
    MAPIUID uid{};
    object_ptr<IProfAdmin> admin(mapi32::newProfAdmin());
    object_ptr<IMsgServiceAdmin> services;
    EXPECT_EQ(admin->AdminServices(profile.c_str(), nullptr, 0, 0, services.out()), S_OK);
    if (!services) return uid;
    object_ptr<IMAPITable> table;
    EXPECT_EQ(services->GetMsgServiceTable(0, table.out()), S_OK);
    std::vector<Row> rows;
    EXPECT_EQ(readAll(table.get(), rows), S_OK);
    if (const Row* r = byName(rows, name)) std::memcpy(uid.ab, r->at(PR_SERVICE_UID).data(), 16);
    return uid;
}

HRESULT readAll(IMAPITable* table, std::vector<Row>& rows) {
    rows.clear();
    if (HRESULT h = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr); FAILED(h)) return h;
    for (;;) {
        SRowSet* set = nullptr;
        if (HRESULT h = table->QueryRows(50, 0, &set); FAILED(h)) return h;
        const ULONG n = set->cRows;
        for (ULONG i = 0; i < n; ++i) {
            Row row;
            for (ULONG j = 0; j < set->aRow[i].cValues; ++j) {
                const SPropValue& v = set->aRow[i].lpProps[j];
                row[v.ulPropTag] = valueText(v);
            }
            rows.push_back(std::move(row));
        }
        mapi32::freeRows(set);
        if (!n) return S_OK;
    }
}

const Row* byName(const std::vector<Row>& rows, const std::string& name) {
    for (const Row& r : rows)
        if (auto it = r.find(PR_DISPLAY_NAME); it != r.end() && it->second == name) return &r;
    return nullptr;
}

Book::Book(const std::string& profile) {
    logon_ = mapi32::logon(0, profile.empty() ? nullptr : profile.c_str(),
                           profile.empty() ? MAPI_USE_DEFAULT : MAPI_EXPLICIT_PROFILE, session_.out());
    if (SUCCEEDED(logon_)) logon_ = session_->OpenAddressBook(0, nullptr, AB_NO_DIALOG, book_.out());
}

Book::~Book() {
    book_.reset();
    if (session_) session_->Logoff(0, 0, 0);
}

IUnknown* Book::open(const std::string& id, ULONG* type) {
    ULONG t = 0;
    IUnknown* object = nullptr;
    const HRESULT h = book_->OpenEntry(ULONG(id.size()),
                                       id.empty() ? nullptr : reinterpret_cast<ENTRYID*>(const_cast<char*>(id.data())),
                                       nullptr, 0, &t, &object);
    EXPECT_EQ(h, S_OK);
    if (type) *type = t;
    return object;
}

std::vector<std::pair<std::string, std::string>> Book::containers() {
    std::vector<std::pair<std::string, std::string>> out;
    object_ptr<IUnknown> root(open(""));
    if (!root) return out;
    object_ptr<IMAPITable> table;
    EXPECT_EQ(reinterpret_cast<IABContainer*>(root.get())->GetHierarchyTable(CONVENIENT_DEPTH, table.out()), S_OK);
    std::vector<Row> rows;
    EXPECT_EQ(readAll(table.get(), rows), S_OK);
    for (Row& r : rows) out.emplace_back(r[PR_DISPLAY_NAME], r[PR_ENTRYID]);
    return out;
}

std::string Book::containerId(const std::string& name) {
    for (auto& [n, id] : containers())
        if (n == name) return id;
    ADD_FAILURE() << "no container " << name;
    return {};
}

HRESULT Book::contents(const std::string& id, std::vector<Row>& rows) {
    ULONG type = 0;
    object_ptr<IUnknown> object(open(id, &type));
    if (!object) return MAPI_E_NOT_FOUND;
    object_ptr<IMAPITable> table;
    if (HRESULT h = reinterpret_cast<IMAPIContainer*>(object.get())->GetContentsTable(0, table.out()); FAILED(h))
        return h;
    const struct {
        ULONG c;
        ULONG t[11];
    } columns = {11,
                 {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE, PR_ADDRTYPE, PR_EMAIL_ADDRESS, PR_BUSINESS_FAX_NUMBER,
                  PR_COMPANY_NAME, PR_DEPARTMENT_NAME, 0x3A11001E /* PR_SURNAME */, 0x3A06001E /* PR_GIVEN_NAME */,
                  PR_DISPLAY_TYPE}};
    if (HRESULT h = table->SetColumns(reinterpret_cast<const SPropTagArray*>(&columns), 0); FAILED(h)) return h;
    return readAll(table.get(), rows);
}

} // namespace mapitest
