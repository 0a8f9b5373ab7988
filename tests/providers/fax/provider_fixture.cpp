#include "provider_fixture.h"

#include <cstdlib>

namespace faxtest {

IdFields fieldsOf(const std::vector<uint8_t>& id) {
    IdFields f{};
    if (id.size() < 40) return f;
    std::memcpy(&f.parentRecord, id.data() + 24, 4);
    std::memcpy(&f.parentKind, id.data() + 28, 4);
    std::memcpy(&f.record, id.data() + 32, 4);
    std::memcpy(&f.kind, id.data() + 36, 4);
    return f;
}

std::vector<uint8_t> makeId(IdFields f, uint8_t uidByte) {
    std::vector<uint8_t> id(40, 0);
    std::memset(id.data() + 4, uidByte, 16);
    std::memcpy(id.data() + 24, &f.parentRecord, 4);
    std::memcpy(id.data() + 28, &f.parentKind, 4);
    std::memcpy(id.data() + 32, &f.record, 4);
    std::memcpy(id.data() + 36, &f.kind, 4);
    return id;
}

std::string rowText(const SRow& row, ULONG tag) { return textOf(row.lpProps, row.cValues, tag); }

std::vector<uint8_t> rowBytes(const SRow& row, ULONG tag) {
    const SPropValue* v = findTag(row.lpProps, row.cValues, tag);
    return v ? bytesOf(v->Value.bin) : std::vector<uint8_t>();
}

const SRow* rowNamed(const SRowSet* rows, const std::string& name) {
    for (ULONG i = 0; rows && i < rows->cRows; ++i)
        if (rowText(rows->aRow[i], PR_DISPLAY_NAME) == name) return &rows->aRow[i];
    return nullptr;
}

Plugin& plugin() {
    static Plugin p = [] {
        Plugin loaded;
        if (!loaded.module.load("vqfaxsp.so", VELMO_BIN_DIR "/")) std::abort();
        loaded.open = loaded.module.function<ABProviderOpenFn>("ABProviderOpen");
        loaded.serviceEntry = loaded.module.function<ServiceEntryFn>("ABServiceEntry");
        return loaded;
    }();
    return p;
}

void FaxProviderTest::SetUp() {
    const std::string path = useLibrary();
    support_ = object_ptr<TestSupport>(TestSupport::create());
    section_ = object_ptr<TestSection>(makeSection("Fax book", path));
    ASSERT_EQ(open(logon_), S_OK);
}

std::string FakeStoreTest::useLibrary() {
    fake_ = &useFake(FakeVariant::Full, fakeHolder_);
    return "";
}

std::string RealStoreTest::useLibrary() {
    setenv("VELMO_PRINTER_DRIVER_DIR", VELMO_BIN_DIR "/", 1);
    storePath_ = velmo::test::makeTempDir("store") + "/fax.sqlite3";
    return storePath_;
}

void FaxProviderTest::TearDown() {
    logon_.reset();
    section_.reset();
    support_.reset();
}

HRESULT FaxProviderTest::open(object_ptr<IAddrBook>& logon, TestSection* section) {
    return plugin().open(reinterpret_cast<void*>(plugin().open), support_.get(), section ? section : section_.get(), 0,
                         0, &PDXAllocateBuffer, &PDXAllocateMore, &PDXFreeBuffer, logon.out());
}

object_ptr<IABContainer> FaxProviderTest::root() {
    ULONG type = 0;
    object_ptr<IUnknown> opened;
    EXPECT_EQ(logon_->OpenEntry(0, nullptr, nullptr, 0, &type, opened.out()), S_OK);
    EXPECT_EQ(type, 4u);
    return object_ptr<IABContainer>(static_cast<IABContainer*>(opened.release()));
}

object_ptr<IUnknown> FaxProviderTest::openEntry(const std::vector<uint8_t>& id, ULONG* type, HRESULT expect) {
    ULONG t = 0;
    object_ptr<IUnknown> opened;
    EXPECT_EQ(logon_->OpenEntry(ULONG(id.size()), reinterpret_cast<ENTRYID*>(const_cast<uint8_t*>(id.data())),
                                nullptr, 0, &t, opened.out()),
              expect);
    if (type) *type = t;
    return opened;
}

std::vector<uint8_t> FaxProviderTest::templateOf(IMAPIProp* container, ULONG tag) {
    SPropTagArray tags{1, {tag}};
    ULONG n = 0;
    Buffer<SPropValue> v;
    EXPECT_EQ(container->GetProps(&tags, 0, &n, v.out()), S_OK);
    return v && v[0].ulPropTag == tag ? bytesOf(v[0].Value.bin) : std::vector<uint8_t>();
}

std::vector<uint8_t> FaxProviderTest::entryIdOf(IMAPIProp* object) {
    SPropTagArray tags{1, {PR_ENTRYID}};
    ULONG n = 0;
    Buffer<SPropValue> v;
    EXPECT_EQ(object->GetProps(&tags, 0, &n, v.out()), S_OK);
    return v && v[0].ulPropTag == PR_ENTRYID ? bytesOf(v[0].Value.bin) : std::vector<uint8_t>();
}

std::vector<uint8_t> FaxProviderTest::create(IABContainer* container, ULONG templateTag,
                                             const std::vector<SPropValue>& values) {
    std::vector<uint8_t> tmpl = templateOf(container, templateTag);
    object_ptr<IMAPIProp> entry;
    EXPECT_EQ(container->CreateEntry(ULONG(tmpl.size()), reinterpret_cast<ENTRYID*>(tmpl.data()), 0, entry.out()),
              S_OK);
    if (!entry) return {};
    EXPECT_EQ(entry->SetProps(ULONG(values.size()), values.data(), nullptr), S_OK);
    EXPECT_EQ(entry->SaveChanges(0), S_OK);
    return entryIdOf(entry.get());
}

pdx::core::RowSet FaxProviderTest::contents(IABContainer* container, const std::vector<ULONG>& columns) {
    pdx::core::RowSet rows;
    object_ptr<IMAPITable> table;
    EXPECT_EQ(container->GetContentsTable(0, table.out()), S_OK);
    if (!table) return rows;
    std::vector<ULONG> tagArray{ULONG(columns.size())};
    tagArray.insert(tagArray.end(), columns.begin(), columns.end());
    EXPECT_EQ(table->SetColumns(reinterpret_cast<SPropTagArray*>(tagArray.data()), 0), S_OK);
    EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    EXPECT_EQ(table->QueryRows(1000, 0, rows.out()), S_OK);
    return rows;
}

HRESULT FaxProviderTest::copyInto(IABContainer* container, const std::vector<std::vector<uint8_t>>& ids) {
    std::vector<SBinary> bins;
    for (const auto& id : ids) bins.push_back(SBinary{ULONG(id.size()), const_cast<BYTE*>(id.data())});
    ENTRYLIST list{ULONG(bins.size()), bins.data()};
    return container->CopyEntries(&list, 0, nullptr, 0);
}

HRESULT FaxProviderTest::deleteFrom(IABContainer* container, const std::vector<std::vector<uint8_t>>& ids) {
    std::vector<SBinary> bins;
    for (const auto& id : ids) bins.push_back(SBinary{ULONG(id.size()), const_cast<BYTE*>(id.data())});
    ENTRYLIST list{ULONG(bins.size()), bins.data()};
    return container->DeleteEntries(&list, 0);
}

} // namespace faxtest
