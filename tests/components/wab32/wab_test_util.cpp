#include "wab_test_util.h"

#include <gtest/gtest.h>

#include "session.h"
#include "test_environment.h"
#include "wab_open.h"
#include "wab_tags.h"

namespace wabtest {

using namespace pdx;

std::string corpusCopy(const std::string& name) {
    const std::string path = velmo::test::makeTempDir("vcf") + "/" + name;
    velmo::test::writeFile(path, velmo::test::readFile(std::string(VELMO_VCARD_DATA) + "/" + name));
    return path;
}

HRESULT Wab::open(const std::string& path, ULONG flags) {
    close();
    WAB_PARAM params{};
    params.cbSize = sizeof(WAB_PARAM);
    params.szFileName = path.empty() ? nullptr : const_cast<char*>(path.c_str());
    params.ulFlags = flags;
    return wab32::wabOpen(&ab, &wab, &params);
}

void Wab::close() {
    if (ab) ab->Release();
    if (wab) wab->Release();
    ab = nullptr;
    wab = nullptr;
}

Row toRow(const SPropValue* values, ULONG count) {
    Row row;
    for (ULONG i = 0; i < count; ++i) {
        const SPropValue& v = values[i];
        switch (PROP_TYPE(v.ulPropTag)) {
        case PT_STRING8: row[v.ulPropTag] = v.Value.lpszA; break;
        case PT_BINARY: row[v.ulPropTag] = std::string(reinterpret_cast<char*>(v.Value.bin.lpb), v.Value.bin.cb); break;
        case PT_LONG: row[v.ulPropTag] = std::to_string(v.Value.l); break;
        case PT_MV_BINARY:
            for (ULONG k = 0; k < v.Value.MVbin.cValues; ++k)
                row[v.ulPropTag] += std::string(reinterpret_cast<char*>(v.Value.MVbin.lpbin[k].lpb), v.Value.MVbin.lpbin[k].cb);
            break;
        default: break;
        }
    }
    return row;
}

std::vector<Row> readTable(IMAPITable* table, const std::vector<ULONG>& columns) {
    std::vector<Row> rows;
    std::vector<ULONG> buffer(columns.size() + 1);
    auto* tags = reinterpret_cast<SPropTagArray*>(buffer.data());
    tags->cValues = ULONG(columns.size());
    std::copy(columns.begin(), columns.end(), tags->aulPropTag);
    EXPECT_EQ(table->SetColumns(tags, 0), S_OK);
    EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    for (;;) {
        SRowSet* set = nullptr;
        EXPECT_EQ(table->QueryRows(1, 0, &set), S_OK);
        if (!set) break;
        const bool done = set->cRows == 0;
        if (!done) {
            EXPECT_EQ(set->aRow[0].cValues, columns.size());
            rows.push_back(toRow(set->aRow[0].lpProps, set->aRow[0].cValues));
        }
        common::freeRowSet(set, wab32::wabDomain());
        if (done) break;
    }
    return rows;
}

IABContainer* openContainer(IAddrBook* ab) {
    ULONG type = 0;
    IUnknown* root = nullptr;
    if (ab->OpenEntry(0, nullptr, nullptr, 0, &type, &root) != S_OK) return nullptr;
    IMAPITable* hierarchy = nullptr;
    static_cast<IABContainer*>(root)->GetHierarchyTable(1, &hierarchy);
    root->Release();
    if (!hierarchy) return nullptr;
    const std::vector<Row> rows = readTable(hierarchy, {PR_ENTRYID});
    hierarchy->Release();
    if (rows.size() != 1) return nullptr;
    IUnknown* container = openId(ab, rows[0].at(PR_ENTRYID), &type);
    return type == wab32::MAPI_ABCONT ? static_cast<IABContainer*>(container) : nullptr;
}

std::vector<Row> contents(IAddrBook* ab, const std::vector<ULONG>& columns) {
    IABContainer* c = openContainer(ab);
    if (!c) return {};
    IMAPITable* table = nullptr;
    EXPECT_EQ(c->GetContentsTable(0, &table), S_OK);
    c->Release();
    if (!table) return {};
    std::vector<Row> rows = readTable(table, columns);
    table->Release();
    return rows;
}

Row rowNamed(const std::vector<Row>& rows, const std::string& name) {
    for (const Row& r : rows)
        if (r.count(PR_DISPLAY_NAME) && r.at(PR_DISPLAY_NAME) == name) return r;
    ADD_FAILURE() << "no row named " << name;
    return {};
}

Row getProps(IMAPIProp* object, const std::vector<ULONG>& tags) {
    std::vector<ULONG> buffer(tags.size() + 1);
    auto* array = reinterpret_cast<SPropTagArray*>(buffer.data());
    array->cValues = ULONG(tags.size());
    std::copy(tags.begin(), tags.end(), array->aulPropTag);
    ULONG n = 0;
    SPropValue* values = nullptr;
    const HRESULT h = object->GetProps(array, 0, &n, &values);
    EXPECT_TRUE(h == S_OK || h == MAPI_W_ERRORS_RETURNED) << std::hex << h;
    Row row = values ? toRow(values, n) : Row();
    if (values) wab32::wabDomain().free(values);
    return row;
}

HRESULT setString(IMAPIProp* object, ULONG tag, const std::string& value) {
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.lpszA = const_cast<char*>(value.c_str());
    return object->SetProps(1, &v, nullptr);
}

IUnknown* openId(IAddrBook* ab, const std::string& id, ULONG* type) {
    ULONG t = 0;
    IUnknown* out = nullptr;
    ab->OpenEntry(ULONG(id.size()), reinterpret_cast<ENTRYID*>(const_cast<char*>(id.data())), nullptr, 0, &t, &out);
    if (type) *type = t;
    return out;
}

ENTRYLIST* entryList(std::vector<std::string>& ids, std::vector<SBinary>& storage) {
    storage.clear();
    for (std::string& id : ids) storage.push_back({ULONG(id.size()), reinterpret_cast<BYTE*>(id.data())});
    static thread_local ENTRYLIST list;
    list.cValues = ULONG(storage.size());
    list.lpbin = storage.data();
    return &list;
}

} // namespace wabtest
