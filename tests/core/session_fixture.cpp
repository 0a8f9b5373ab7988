#include "session_fixture.h"

#include <cstdlib>

using namespace pdx;

namespace sessiontest {

void SessionTest::SetUp() {
    velmo::test::freshRegistry();
    dir_ = velmo::test::makeTempDir("session");
    core::setServiceInfPath(coretest::writeTestInf(dir_));
    log_ = dir_ + "/provider.log";
    setenv("PDXTEST_LOG", log_.c_str(), 1);
    unsetenv("PDXTEST_RESULT");
    unsetenv("PDXTEST_DISPLAY");
}

void SessionTest::TearDown() {
    close();
    core::setServiceInfPath({});
    unsetenv("PDXTEST_LOG");
}

std::string SessionTest::makeProfile(const std::string& name) {
    object_ptr<IPDXProfAdmin> admin;
    EXPECT_EQ(PDXAdminProfiles(0, admin.out()), S_OK);
    EXPECT_EQ(admin->CreateProfile(name.c_str(), 0, 0), S_OK);
    return name;
}

MAPIUID SessionTest::addProvider(const std::string& profile, const char* service, const std::string& fixtureText,
                                 std::string* path) {
    const std::string file = dir_ + "/" + service + ".tsv";
    velmo::test::writeFile(file, fixtureText);
    if (path) *path = file;
    MAPIUID uid = coretest::addFixtureService(profile, service, file);
    clearLog(); // the service entry's line
    return uid;
}

void SessionTest::open(const std::string& profile) {
    close();
    ASSERT_EQ(PDXOpen(0, profile.c_str(), 0, 0, 0, 0, book_.out(), session_.out()), S_OK);
}

void SessionTest::close() {
    book_.reset();
    session_.reset();
}

void SessionTest::clearLog() const { velmo::test::writeFile(log_, ""); }

std::string Row::text(ULONG tag) const {
    auto it = values.find(tag);
    return it == values.end() ? std::string("<missing>") : std::string(it->second.Value.lpszA);
}

LONG Row::number(ULONG tag) const {
    auto it = values.find(tag);
    return it == values.end() ? -1 : it->second.Value.l;
}

Id Row::id() const {
    auto it = values.find(PR_ENTRYID);
    return it == values.end() ? Id() : Id(it->second.Value.bin.lpb, it->second.Value.bin.lpb + it->second.Value.bin.cb);
}

namespace {
Row toRow(const SRow& in) {
    Row row;
    row.strings.reserve(in.cValues);
    row.binaries.reserve(in.cValues);
    for (ULONG i = 0; i < in.cValues; ++i) {
        SPropValue v = in.lpProps[i];
        if (PROP_TYPE(v.ulPropTag) == PT_STRING8) {
            row.strings.emplace_back(v.Value.lpszA);
            v.Value.lpszA = row.strings.back().data();
        } else if (PROP_TYPE(v.ulPropTag) == PT_BINARY) {
            row.binaries.emplace_back(v.Value.bin.lpb, v.Value.bin.lpb + v.Value.bin.cb);
            v.Value.bin.lpb = row.binaries.back().data();
        }
        row.raw.push_back(v);
        if (PROP_TYPE(v.ulPropTag) != PT_ERROR) row.values[v.ulPropTag] = v;
    }
    return row;
}
} // namespace

std::vector<Row> readTable(IMAPITable* table, const SPropTagArray* columns) {
    std::vector<Row> rows;
    if (columns) {
        EXPECT_EQ(table->SetColumns(columns, 0), S_OK);
    }
    EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    for (;;) {
        core::RowSet set;
        EXPECT_EQ(table->QueryRows(1, 0, set.out()), S_OK);
        if (!set || set->cRows == 0) return rows;
        rows.push_back(toRow(set->aRow[0]));
    }
}

std::vector<Row> hierarchy(IAddrBook* book, ULONG flags) {
    ULONG type = 0;
    object_ptr<IUnknown> root;
    EXPECT_EQ(book->OpenEntry(0, nullptr, nullptr, 0, &type, root.out()), S_OK);
    EXPECT_EQ(type, MAPI_ABCONT);
    object_ptr<IMAPITable> table;
    HRESULT h = reinterpret_cast<IABContainer*>(root.get())->GetHierarchyTable(flags, table.out());
    EXPECT_TRUE(SUCCEEDED(h)) << std::hex << h;
    return table ? readTable(table.get()) : std::vector<Row>{};
}

std::vector<Row> contents(IAddrBook* book, const Id& container) {
    object_ptr<IUnknown> opened = openEntry(book, container);
    if (!opened) return {};
    object_ptr<IMAPITable> table;
    EXPECT_EQ(reinterpret_cast<IMAPIContainer*>(opened.get())->GetContentsTable(0, table.out()), S_OK);
    return table ? readTable(table.get()) : std::vector<Row>{};
}

Id idOf(const std::vector<Row>& rows, const std::string& name) {
    for (const auto& r : rows)
        if (r.text(PR_DISPLAY_NAME) == name) return r.id();
    ADD_FAILURE() << "no row named " << name;
    return {};
}

std::vector<std::string> names(const std::vector<Row>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows) out.push_back(r.text(PR_DISPLAY_NAME));
    return out;
}

object_ptr<IUnknown> openEntry(IAddrBook* book, Id id, ULONG* type) {
    ULONG t = 0;
    object_ptr<IUnknown> out;
    HRESULT h = book->OpenEntry(cb(id), eid(id), nullptr, 0, &t, out.out());
    EXPECT_EQ(h, S_OK);
    if (type) *type = t;
    return out;
}

ENTRYID* eid(Id& id) { return reinterpret_cast<ENTRYID*>(id.data()); }
ULONG cb(const Id& id) { return ULONG(id.size()); }

} // namespace sessiontest
