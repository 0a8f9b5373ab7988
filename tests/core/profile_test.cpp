// Profiles in the registry, the service INF and service creation through a
// real provider module.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "allocator.h"
#include "core_test_util.h"
#include "pdx/pdx.h"
#include "platform/codepage.h"
#include "prof_admin.h"
#include "profile_store.h"
#include "prop_ops.h"
#include "service_inf.h"
#include "test_environment.h"

using namespace pdx;
using namespace pdx::core;
using coretest::longProp;
using coretest::profileKey;
using coretest::stringProp;

extern "C" HRESULT PDXAdminProfiles(ULONG flags, IPDXProfAdmin** out);

namespace {

class Profiles : public ::testing::Test {
protected:
    void SetUp() override {
        velmo::test::freshRegistry();
        dir_ = velmo::test::makeTempDir("inf");
        setServiceInfPath(coretest::writeTestInf(dir_));
        log_ = dir_ + "/entry.log";
        setenv("PDXTEST_LOG", log_.c_str(), 1);
        unsetenv("PDXTEST_RESULT");
        unsetenv("PDXTEST_DISPLAY");
        unsetenv("PDXTEST_THROW");
        ASSERT_EQ(PDXAdminProfiles(0, admin_.out()), S_OK);
    }
    void TearDown() override {
        admin_.reset();
        setServiceInfPath({});
        platform::closeRegistry();
    }
    // Profile names in table order, "*" marking defaults.
    std::vector<std::string> profiles() {
        object_ptr<IMAPITable> table;
        EXPECT_EQ(admin_->GetProfileTable(0, table.out()), S_OK);
        table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
        RowSet rows;
        EXPECT_EQ(table->QueryRows(100, 0, rows.out()), S_OK);
        std::vector<std::string> names;
        for (ULONG i = 0; i < rows->cRows; ++i) {
            const SPropValue* v = rows->aRow[i].lpProps;
            names.push_back(std::string(v[1].Value.b ? "*" : "") + v[0].Value.lpszA);
        }
        return names;
    }
    object_ptr<IPDXServiceAdmin> services(const char* profile) {
        object_ptr<IPDXServiceAdmin> s;
        EXPECT_EQ(admin_->AdminServices(profile, 0, s.out()), S_OK);
        return s;
    }
    RowStore stored(const char* profile) {
        RowStore rows;
        EXPECT_EQ(readServices(profile, rows), S_OK);
        return rows;
    }
    std::string dir_, log_;
    object_ptr<IPDXProfAdmin> admin_;
};

MAPIUID uidOf(const PropList& row) {
    MAPIUID uid{};
    const PropNode* n = row.find(PR_SERVICE_UID);
    EXPECT_TRUE(n && n->dataLength() == 16);
    if (n && n->dataLength() == 16) std::memcpy(uid.ab, n->data(), 16);
    return uid;
}

std::string stringOf(const PropList& row, ULONG tag) {
    const PropNode* n = row.find(tag);
    return n ? std::string(reinterpret_cast<const char*>(n->data())) : std::string("<none>");
}

} // namespace

TEST_F(Profiles, NoProfilesKeyGivesAnEmptyTable) {
    EXPECT_TRUE(profiles().empty());
    IPDXProfAdmin* refused = nullptr;
    EXPECT_EQ(PDXAdminProfiles(MAPI_UNICODE, &refused), MAPI_E_BAD_CHARWIDTH);
    EXPECT_EQ(admin_->GetProfileTable(MAPI_UNICODE, nullptr), MAPI_E_BAD_CHARWIDTH);
}

TEST_F(Profiles, CreateWritesTheRegistryLayout) {
    ASSERT_EQ(admin_->CreateProfile("Empty", 0, 0), S_OK);
    platform::RegKey empty = profileKey("Empty");
    ASSERT_TRUE(empty.valid());
    std::vector<std::string> subkeys;
    empty.subKeyNames(subkeys);
    EXPECT_TRUE(subkeys.empty());

    ASSERT_EQ(admin_->CreateProfile("Full", 0, MAPI_DEFAULT_SERVICES), S_OK);
    platform::RegKey full = profileKey("Full");
    ASSERT_EQ(full.subKeyNames(subkeys), platform::kRegOk);
    ASSERT_EQ(subkeys.size(), 2u);
    for (const auto& key : subkeys) {
        ASSERT_EQ(key.size(), 32u);
        EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos);
        platform::RegKey service;
        ASSERT_EQ(full.openSubKey(key, service), platform::kRegOk);
        std::vector<uint8_t> data;
        platform::RegType type;
        // PR_SERVICE_UID: 16 data bytes, a 40-byte body, named in decimal; the key is its hex.
        ASSERT_EQ(service.queryValue("1024196866", &type, &data), platform::kRegOk);
        EXPECT_EQ(type, platform::REG_BINARY);
        ASSERT_EQ(data.size(), 40u);
        EXPECT_EQ(data[0], 40);
        EXPECT_EQ(data[4], 16);
        std::string hex;
        binaryToHex(data.data() + 24, 16, hex);
        EXPECT_EQ(hex, key);
        // PR_RESOURCE_FLAGS: a scalar in the value slot, 32-byte body.
        ASSERT_EQ(service.queryValue("805896195", &type, &data), platform::kRegOk);
        ASSERT_EQ(data.size(), 32u);
        EXPECT_EQ(data[4], 0);
        uint32_t tag;
        std::memcpy(&tag, data.data() + 8, 4);
        EXPECT_EQ(tag, PR_RESOURCE_FLAGS);
        // PR_SERVICE_NAME "TESTA"/"TESTB": 6 bytes of data, 32-byte body.
        ASSERT_EQ(service.queryValue(std::to_string(PR_SERVICE_NAME), &type, &data), platform::kRegOk);
        EXPECT_EQ(data.size(), 32u);
        EXPECT_EQ(data[4], 6);
        std::string value;
        uint32_t index = 0, count = 0;
        while (service.enumValue(index++, value) == platform::kRegOk) ++count;
        EXPECT_EQ(count, 10u);
    }
    EXPECT_EQ(profiles(), (std::vector<std::string>{"Empty", "Full"}));
    EXPECT_TRUE(coretest::readLines(log_).empty()); // default services are not configured
}

TEST_F(Profiles, NameCollisionsAndUnsafeNames) {
    ASSERT_EQ(admin_->CreateProfile("Main", 0, 0), S_OK);
    EXPECT_EQ(admin_->CreateProfile("Main", 0, 0), E_ACCESSDENIED);
    // The registry does not tell "MAIN" from "Main": creating it would clear Main.
    EXPECT_EQ(admin_->CreateProfile("MAIN", 0, 0), E_ACCESSDENIED);
    EXPECT_EQ(admin_->RenameProfile("Main", "main", 0), E_ACCESSDENIED);
    EXPECT_EQ(admin_->CreateProfile("", 0, 0), E_INVALIDARG);
    EXPECT_EQ(admin_->CreateProfile("a\\b", 0, 0), E_INVALIDARG);
    EXPECT_EQ(admin_->CreateProfile(nullptr, 0, 0), E_INVALIDARG);
    EXPECT_EQ(admin_->DeleteProfile("main", 0), MAPI_E_NOT_FOUND);
    EXPECT_EQ(profiles(), (std::vector<std::string>{"Main"}));
}

TEST_F(Profiles, DefaultProfileFollowsRenameButNotDelete) {
    ASSERT_EQ(admin_->CreateProfile("One", 0, MAPI_DEFAULT_SERVICES), S_OK);
    ASSERT_EQ(admin_->CreateProfile("Two", 0, 0), S_OK);
    EXPECT_EQ(admin_->SetDefaultProfile("one", 0), MAPI_E_NOT_FOUND);
    ASSERT_EQ(admin_->SetDefaultProfile("One", 0), S_OK);
    EXPECT_EQ(profiles(), (std::vector<std::string>{"*One", "Two"}));

    // The old name must be written as listed, or the default would be left behind.
    EXPECT_EQ(admin_->RenameProfile("ONE", "Three", 0), MAPI_E_NOT_FOUND);
    EXPECT_EQ(admin_->RenameProfile("Nobody", "Three", 0), MAPI_E_NOT_FOUND);
    EXPECT_EQ(profiles(), (std::vector<std::string>{"*One", "Two"}));
    ASSERT_EQ(admin_->RenameProfile("One", "Three", 0), S_OK);
    EXPECT_EQ(profiles(), (std::vector<std::string>{"*Three", "Two"}));
    EXPECT_EQ(stored("Three").size(), 2u);
    EXPECT_FALSE(profileKey("One").valid() && profileKeyExists("One"));

    ASSERT_EQ(admin_->DeleteProfile("Three", 0), S_OK);
    platform::RegKey root;
    ASSERT_EQ(openRoot(false, root), platform::kRegOk);
    std::string def;
    ASSERT_EQ(root.queryString(kDefaultProfileValue, def), platform::kRegOk);
    EXPECT_EQ(def, "Three");
    EXPECT_EQ(profiles(), (std::vector<std::string>{"Two"}));

    // A stored default written in another case still marks its profile.
    root.setString(kDefaultProfileValue, "TWO");
    object_ptr<IPDXProfAdmin> fresh;
    ASSERT_EQ(PDXAdminProfiles(0, fresh.out()), S_OK);
    admin_ = std::move(fresh);
    EXPECT_EQ(profiles(), (std::vector<std::string>{"*Two"}));
    ASSERT_EQ(admin_->SetDefaultProfile(nullptr, 0), S_OK);
    EXPECT_NE(root.queryString(kDefaultProfileValue, def), platform::kRegOk);
}

TEST_F(Profiles, CopyTakesServicesButNotProfileValues) {
    ASSERT_EQ(admin_->CreateProfile("Src", 0, MAPI_DEFAULT_SERVICES), S_OK);
    char own[] = "profile value";
    PropNode node;
    ASSERT_EQ(makeNode(stringProp(PR_DISPLAY_NAME, own), node), S_OK);
    profileKey("Src").setBinary("805371934", node.body.data(), node.body.size());
    ASSERT_EQ(admin_->CopyProfile("Src", "Dst", 0), S_OK);
    EXPECT_EQ(admin_->CopyProfile("Src", "Dst", 0), E_ACCESSDENIED);
    EXPECT_EQ(stored("Dst").size(), 2u);
    std::vector<uint8_t> data;
    EXPECT_NE(profileKey("Dst").queryValue("805371934", nullptr, &data), platform::kRegOk);
}

TEST_F(Profiles, RewritingAServiceKeyDropsSubkeysKeepsStaleValues) {
    ASSERT_EQ(admin_->CreateProfile("P", 0, MAPI_DEFAULT_SERVICES), S_OK);
    RowStore rows = stored("P");
    std::string keyName;
    ASSERT_EQ(serviceKeyName(rows.rows()[0], keyName), S_OK);
    platform::RegKey serviceKey, extra;
    ASSERT_EQ(profileKey("P").openSubKey(keyName, serviceKey), platform::kRegOk);
    ASSERT_EQ(serviceKey.createSubKey("handmade", extra), platform::kRegOk);
    PropNode stale;
    ASSERT_EQ(makeNode(longProp(PROP_TAG(PT_LONG, 0x6600), 5), stale), S_OK);
    serviceKey.setBinary(std::to_string(stale.tag()), stale.body.data(), stale.body.size());

    ASSERT_EQ(writeServiceRow(std::string("P"), rows.rows()[0]), S_OK);
    std::vector<std::string> subkeys;
    serviceKey.subKeyNames(subkeys);
    EXPECT_TRUE(subkeys.empty());
    std::vector<uint8_t> data;
    EXPECT_EQ(serviceKey.queryValue(std::to_string(stale.tag()), nullptr, &data), platform::kRegOk);

    // A damaged value makes the whole read fail.
    serviceKey.setBinary("1", "", 0);
    RowStore broken;
    EXPECT_EQ(readServices("P", broken), E_FAIL);
}

TEST(ServiceInf, LinesFlagsAndLists) {
    ServiceInfo info;
    applyServiceLine("PR_RESOURCE_FLAGS=SERVICE_SINGLE_COPY | SOMETHING_ELSE", info);
    EXPECT_EQ(info.resourceFlags, 0x2u);
    applyServiceLine("PR_SERVICE_SUPPORT_FILES=a.dll, b.dll", info);
    EXPECT_EQ(info.supportFiles, (std::vector<std::string>{"a.dll", " b.dll"}));
    applyServiceLine("pr_display_name=lower", info);
    applyServiceLine("PR_DISPLAY_NAMEX=longer", info);
    applyServiceLine("PR_DISPLAY_NAME", info);
    EXPECT_EQ(info.displayName, "");
    applyServiceLine("  PR_DISPLAY_NAME =  Shown name", info);
    EXPECT_EQ(info.displayName, "Shown name");

    EXPECT_EQ(parseListLine("  NAME = Display", info), S_OK);
    EXPECT_EQ(info.name, "NAME");
    EXPECT_EQ(info.providerDisplay, "Display");
    EXPECT_EQ(parseListLine("NAME Display", info), MAPI_E_BAD_VALUE);
    EXPECT_EQ(parseListLine("NAME=", info), MAPI_E_BAD_VALUE);
}

TEST(ServiceInf, SectionReadFailures) {
    const std::string dir = velmo::test::makeTempDir("inf");
    std::vector<ServiceInfo> infos;
    EXPECT_EQ(readServiceInfos(dir + "/none.inf", "Services", infos), E_FAIL);
    velmo::test::writeFile(dir + "/dup.inf", "[Services]\nA=one\nA=two\n[A]\nPR_DISPLAY_NAME=x\n");
    EXPECT_EQ(readServiceInfos(dir + "/dup.inf", "Services", infos), MAPI_E_COLLISION);
    EXPECT_EQ(readServiceInfos(dir + "/dup.inf", "Default Services", infos), E_INVALIDARG);
    velmo::test::writeFile(dir + "/noname.inf", "[Services]\n=one\n");
    EXPECT_EQ(readServiceInfos(dir + "/noname.inf", "Services", infos), MAPI_E_INVALID_OBJECT);
    velmo::test::writeFile(dir + "/both.inf", "[Services]\nA=one\nA=two\n=three\n");
    EXPECT_EQ(readServiceInfos(dir + "/both.inf", "Services", infos), MAPI_E_INVALID_OBJECT)
        << "an empty name is reported before two equal ones";
    velmo::test::writeFile(dir + "/nosection.inf", "[Services]\nA=one\n");
    EXPECT_EQ(readServiceInfos(dir + "/nosection.inf", "Services", infos), E_INVALIDARG);

    // A section longer than the first buffer is read whole.
    std::string big = "[Services]\n";
    for (int i = 0; i < 300; ++i) big += "S" + std::to_string(i) + "=display text number " + std::to_string(i) + "\n";
    for (int i = 0; i < 300; ++i) big += "[S" + std::to_string(i) + "]\nPR_DISPLAY_NAME=n\n";
    velmo::test::writeFile(dir + "/big.inf", big);
    ASSERT_EQ(readServiceInfos(dir + "/big.inf", "Services", infos), S_OK);
    ASSERT_EQ(infos.size(), 300u);
    EXPECT_EQ(infos[299].providerDisplay, "display text number 299");

    PropList row;
    ASSERT_EQ(serviceRow(infos[0], row), S_OK);
    ASSERT_EQ(row.size(), 10u);
    const ULONG order[] = {PR_INSTANCE_KEY, PR_SERVICE_NAME, PR_PROVIDER_DISPLAY, PR_DISPLAY_NAME,
                           PR_SERVICE_DLL_NAME, PR_SERVICE_ENTRY_NAME, PR_SERVICE_SUPPORT_FILES,
                           PR_SERVICE_DELETE_FILES, PR_SERVICE_UID, PR_RESOURCE_FLAGS};
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(row.nodes()[i].tag(), order[i]);
    EXPECT_EQ(row.nodes()[0].dataLength(), 3u); // "S0" with its NUL
}

TEST_F(Profiles, CreateServiceCallsTheEntryAndRefusesASecondSingleCopy) {
    ASSERT_EQ(admin_->CreateProfile("P", 0, 0), S_OK);
    auto s = services("P");
    setenv("PDXTEST_DISPLAY", "Saved by the entry", 1);
    ASSERT_EQ(s->CreateService("TESTA", "ignored", 0x40, 77, 0), S_OK);
    auto lines = coretest::readLines(log_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "context=2 flags=0x0 count=0 ui=77 module=1 routines=0x00000000 setuid=0x80040102 service=TESTA");
    RowStore rows = stored("P");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(stringOf(rows.rows()[0], PR_DISPLAY_NAME), "Saved by the entry");
    EXPECT_EQ(rows.rows()[0].find(PR_RESOURCE_FLAGS)->word(16), 0x42u);

    // Second single copy: refused before the entry is called or the registry touched.
    EXPECT_EQ(s->CreateService("TESTA", "", 0, 0, 0), MAPI_E_COLLISION);
    EXPECT_EQ(coretest::readLines(log_).size(), 1u);
    EXPECT_EQ(stored("P").size(), 1u);

    // Not single copy: the display name given is used when the INF has none.
    unsetenv("PDXTEST_DISPLAY");
    ASSERT_EQ(s->CreateService("TESTB", "Given name", 0, 0, SERVICE_UI_ALWAYS), S_OK);
    object_ptr<IMAPITable> table;
    ASSERT_EQ(s->GetServiceTable(0, table.out()), S_OK);
    RowSet first;
    ASSERT_EQ(table->QueryRows(1, 0, first.out()), S_OK);
    ASSERT_EQ(first->cRows, 1u);
    EXPECT_EQ(findProp(first->aRow[0].lpProps, first->aRow[0].cValues, PR_DISPLAY_NAME) >= 0, true);
    EXPECT_STREQ(first->aRow[0].lpProps[findProp(first->aRow[0].lpProps, first->aRow[0].cValues, PR_DISPLAY_NAME)]
                     .Value.lpszA,
                 "Given name"); // the new service heads the table

    EXPECT_EQ(s->CreateService("NOPE", "", 0, 0, 0), MAPI_E_NOT_FOUND);
    EXPECT_EQ(s->CreateService("testa", "", 0, 0, 0), MAPI_E_NOT_FOUND);
    EXPECT_EQ(s->CreateService(nullptr, "", 0, 0, 0), E_INVALIDARG);
    EXPECT_EQ(s->CreateService("TESTB", "", 0, 0, MAPI_UNICODE), MAPI_E_BAD_CHARWIDTH);
}

TEST_F(Profiles, FailedServiceCreationLeavesNoTrace) {
    ASSERT_EQ(admin_->CreateProfile("P", 0, 0), S_OK);
    auto s = services("P");
    setenv("PDXTEST_RESULT", "80040113", 1);
    EXPECT_EQ(s->CreateService("TESTB", "x", 0, 0, 0), MAPI_E_USER_CANCEL);
    EXPECT_EQ(stored("P").size(), 0u);
    unsetenv("PDXTEST_RESULT");
    EXPECT_EQ(s->CreateService("MISSING", "x", 0, 0, 0), MAPI_E_NOT_FOUND);
    std::vector<std::string> subkeys;
    profileKey("P").subKeyNames(subkeys);
    EXPECT_TRUE(subkeys.empty());
}

// A provider that throws fails the call with a status; nothing crosses back out of the core.
TEST_F(Profiles, AThrowingServiceEntryBecomesAStatus) {
    ASSERT_EQ(admin_->CreateProfile("P", 0, MAPI_DEFAULT_SERVICES), S_OK);
    auto s = services("P");
    setenv("PDXTEST_THROW", "bad_alloc", 1);
    EXPECT_EQ(s->CreateService("TESTB", "x", 0, 0, 0), E_OUTOFMEMORY);
    EXPECT_EQ(stored("P").size(), 2u); // the failed creation is undone
    const MAPIUID uid = uidOf(stored("P").rows()[0]);
    setenv("PDXTEST_THROW", "provider fault", 1);
    EXPECT_EQ(s->ConfigureService(&uid, 0, SERVICE_UI_ALWAYS, 0, nullptr), E_FAIL);
    unsetenv("PDXTEST_THROW");
    EXPECT_EQ(s->ConfigureService(&uid, 0, SERVICE_UI_ALWAYS, 0, nullptr), S_OK);
}

TEST_F(Profiles, ConfigureServiceWithAndWithoutUserInterface) {
    ASSERT_EQ(admin_->CreateProfile("P", 0, MAPI_DEFAULT_SERVICES), S_OK);
    auto s = services("P");
    const MAPIUID uid = uidOf(stored("P").rows()[0]);
    SPropValue values[] = {stringProp(PR_DISPLAY_NAME, "Renamed"), longProp(PROP_TAG(PT_LONG, 0x6601), 12)};
    ASSERT_EQ(s->ConfigureService(&uid, 5, SERVICE_UI_ALLOWED, 2, values), S_OK);
    auto lines = coretest::readLines(log_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 36), "context=3 flags=0x10 count=2 ui=5 mo");
    EXPECT_NE(lines[0].find(" 3001001e 66010003"), std::string::npos);

    ASSERT_EQ(s->ConfigureService(&uid, 0, 0, 2, values), S_OK);
    RowStore after = stored("P");
    const PropList* row = after.findRow({PR_SERVICE_UID, 0, {.bin = {16, const_cast<BYTE*>(uid.ab)}}});
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(stringOf(*row, PR_DISPLAY_NAME), "Renamed");
    EXPECT_EQ(row->find(PROP_TAG(PT_LONG, 0x6601))->word(16), 12u);

    EXPECT_EQ(s->ConfigureService(&uid, 0, 0, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(s->ConfigureService(nullptr, 0, 0, 2, values), E_INVALIDARG);
    MAPIUID unknown{};
    EXPECT_EQ(s->ConfigureService(&unknown, 0, 0, 2, values), MAPI_E_NOT_FOUND);
    EXPECT_EQ(s->DeleteService(&unknown), MAPI_E_NOT_FOUND);
    ASSERT_EQ(s->DeleteService(&uid), S_OK);
    EXPECT_EQ(stored("P").size(), 1u);
}

TEST_F(Profiles, ProfileSectionProperties) {
    ASSERT_EQ(admin_->CreateProfile("P", 0, MAPI_DEFAULT_SERVICES), S_OK);
    auto s = services("P");
    const MAPIUID uid = uidOf(stored("P").rows()[0]);
    object_ptr<IProfSect> section;
    ASSERT_EQ(s->OpenProfileSection(&uid, nullptr, MAPI_MODIFY, section.out()), S_OK);
    object_ptr<IMAPIProp> prop;
    EXPECT_EQ(section.query(IID_IMAPIProp, prop), S_OK);
    EXPECT_EQ(section->GetLastError(0, 0, nullptr), MAPI_E_NO_SUPPORT);

    SPropValue values[] = {stringProp(PR_DISPLAY_NAME, "New"), {PR_ENTRYID, 0, {}},
                           {PR_CONTAINER_HIERARCHY, 0, {}}, {PR_NULL, 0, {}},
                           {PROP_TAG(PT_ERROR, 0x6602), 0, {}}};
    SPropProblemArray* problems = nullptr;
    ASSERT_EQ(section->SetProps(5, values, &problems), S_OK);
    ASSERT_NE(problems, nullptr);
    ASSERT_EQ(problems->cProblem, 2u);
    EXPECT_EQ(problems->aProblem[0].ulIndex, 1u);
    EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_COMPUTED);
    EXPECT_EQ(problems->aProblem[1].scode, E_ACCESSDENIED);
    PDXFreeBuffer(problems);

    struct { ULONG c; ULONG t[2]; } tags = {2, {PR_DISPLAY_NAME, PROP_TAG(PT_LONG, 0x6603)}};
    ULONG count = 0;
    Buffer<SPropValue> got;
    EXPECT_EQ(section->GetProps(reinterpret_cast<SPropTagArray*>(&tags), 0, &count, got.out()), MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(count, 2u);
    EXPECT_STREQ(got[0].Value.lpszA, "New");
    EXPECT_EQ(got[1].Value.err, MAPI_E_NOT_FOUND);
    struct { ULONG c; } none = {0};
    EXPECT_EQ(section->GetProps(reinterpret_cast<SPropTagArray*>(&none), 0, &count, got.out()), E_INVALIDARG);

    ASSERT_EQ(section->DeleteProps(reinterpret_cast<SPropTagArray*>(&tags), &problems), S_OK);
    ASSERT_NE(problems, nullptr);
    EXPECT_EQ(problems->cProblem, 1u);
    EXPECT_EQ(problems->aProblem[0].ulIndex, 1u);
    PDXFreeBuffer(problems);

    // Copy into a second section: binaries stay behind, NOREPLACE keeps what is there.
    const MAPIUID other = uidOf(stored("P").rows()[1]);
    object_ptr<IProfSect> dest;
    ASSERT_EQ(s->OpenProfileSection(&other, nullptr, 0, dest.out()), S_OK);
    SPropValue mine[] = {longProp(PROP_TAG(PT_LONG, 0x6604), 1), stringProp(PR_SERVICE_NAME, "copied")};
    ASSERT_EQ(section->SetProps(2, mine, nullptr), S_OK);
    ASSERT_EQ(section->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IProfSect, dest.get(), MAPI_NOREPLACE, nullptr), S_OK);
    struct { ULONG c; ULONG t[3]; } check = {3, {PROP_TAG(PT_LONG, 0x6604), PR_SERVICE_NAME, PR_SERVICE_UID}};
    ASSERT_EQ(dest->GetProps(reinterpret_cast<SPropTagArray*>(&check), 0, &count, got.out()), S_OK);
    EXPECT_EQ(got[0].Value.l, 1);
    EXPECT_STRNE(got[1].Value.lpszA, "copied");
    EXPECT_EQ(std::memcmp(got[2].Value.bin.lpb, other.ab, 16), 0);
    EXPECT_EQ(section->CopyProps(reinterpret_cast<SPropTagArray*>(&check), 0, nullptr, &IID_IMAPITable, dest.get(), 0,
                                 nullptr),
              E_NOINTERFACE);
    // An exclude list that runs past readable memory is refused before anything is copied.
    coretest::TruncatedTagArray truncated(64);
    EXPECT_EQ(section->CopyTo(0, nullptr, truncated.get(), 0, nullptr, &IID_IProfSect, dest.get(), 0, nullptr),
              E_INVALIDARG);
    // Sections refuse wide strings wherever flags are taken.
    object_ptr<IProfSect> wide;
    EXPECT_EQ(s->OpenProfileSection(&uid, nullptr, MAPI_UNICODE, wide.out()), MAPI_E_BAD_CHARWIDTH);
    EXPECT_FALSE(wide);

    ASSERT_EQ(section->SaveChanges(0), S_OK);
    RowStore after = stored("P");
    const PropList* row = after.findRow({PR_SERVICE_UID, 0, {.bin = {16, const_cast<BYTE*>(uid.ab)}}});
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->find(PROP_TAG(PT_LONG, 0x6604))->word(16), 1u);
}

TEST_F(Profiles, DialogFlagWithoutUserInterfaceRemovesTheProfile) {
    EXPECT_EQ(admin_->CreateProfile("Shown", 0, MAPI_DIALOG), MAPI_E_USER_CANCEL);
    EXPECT_TRUE(profiles().empty());
    ASSERT_EQ(admin_->CreateProfile("Kept", 0, MAPI_DEFAULT_SERVICES), S_OK);
    EXPECT_EQ(admin_->ConfigureProfile("Kept", 0, 0), MAPI_E_USER_CANCEL);
    EXPECT_EQ(stored("Kept").size(), 2u);
    EXPECT_EQ(admin_->ConfigureProfile("Nope", 0, 0), MAPI_E_NOT_FOUND);
}

namespace {

SPropValue uidProp(const BYTE* bytes, ULONG cb) {
    SPropValue v{};
    v.ulPropTag = PR_SERVICE_UID;
    v.Value.bin.cb = cb;
    v.Value.bin.lpb = const_cast<BYTE*>(bytes);
    return v;
}

std::vector<std::string> subkeysOf(const platform::RegKey& key) {
    std::vector<std::string> names;
    key.subKeyNames(names);
    return names;
}

bool hasValues(const platform::RegKey& key) {
    std::string name;
    return key.enumValue(0, name) == platform::kRegOk;
}

} // namespace

// A UID that is not 16 bytes names no key of its own: the empty name is the
// profile key itself, whose rewrite would delete every service.
TEST_F(Profiles, DamagedStoredServiceUidIsRefusedAndNothingIsRewritten) {
    const BYTE bytes[33] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
    for (ULONG size : {0u, 5u, 17u}) {
        SCOPED_TRACE(size);
        admin_->DeleteProfile("P", 0);
        ASSERT_EQ(admin_->CreateProfile("P", 0, MAPI_DEFAULT_SERVICES), S_OK);
        const RowStore before = stored("P");
        const MAPIUID kept = uidOf(before.rows()[1]);
        std::string damagedKey;
        ASSERT_EQ(serviceKeyName(before.rows()[0], damagedKey), S_OK);
        PropNode damaged;
        ASSERT_EQ(makeNode(uidProp(bytes, size), damaged), S_OK);
        platform::RegKey serviceKey;
        ASSERT_EQ(profileKey("P").openSubKey(damagedKey, serviceKey), platform::kRegOk);
        ASSERT_EQ(serviceKey.setBinary(std::to_string(PR_SERVICE_UID), damaged.body.data(), damaged.body.size()),
                  platform::kRegOk);
        const auto keysBefore = subkeysOf(profileKey("P"));

        RowStore rows;
        EXPECT_EQ(readServices("P", rows), MAPI_E_MISSING_REQUIRED_COLUMN);
        auto s = services("P");
        EXPECT_EQ(s->DeleteService(&kept), MAPI_E_MISSING_REQUIRED_COLUMN);
        object_ptr<IProfSect> section;
        EXPECT_EQ(s->OpenProfileSection(&kept, nullptr, 0, section.out()), MAPI_E_MISSING_REQUIRED_COLUMN);
        EXPECT_EQ(admin_->RenameProfile("P", "Q", 0), MAPI_E_MISSING_REQUIRED_COLUMN);
        EXPECT_EQ(subkeysOf(profileKey("P")), keysBefore);
        EXPECT_FALSE(hasValues(profileKey("P")));
        EXPECT_FALSE(profileKeyExists("Q"));
    }

    // Whatever reaches the writer, a row is only written under a 16-byte UID.
    PropList row;
    ASSERT_EQ(row.set(stringProp(PR_DISPLAY_NAME, "x")), S_OK);
    EXPECT_EQ(writeServiceRow(std::string("P"), row), MAPI_E_MISSING_REQUIRED_COLUMN);
    for (ULONG size : {0u, 15u, 17u, 33u}) {
        ASSERT_EQ(row.set(uidProp(bytes, size)), S_OK);
        EXPECT_EQ(writeServiceRow(std::string("P"), row), MAPI_E_MISSING_REQUIRED_COLUMN) << size;
    }
    EXPECT_FALSE(hasValues(profileKey("P")));
}

TEST_F(Profiles, AServiceKeepsItsOwnUid) {
    ASSERT_EQ(admin_->CreateProfile("P", 0, MAPI_DEFAULT_SERVICES), S_OK);
    const MAPIUID uid = uidOf(stored("P").rows()[0]);
    const auto keys = subkeysOf(profileKey("P"));
    auto s = services("P");
    object_ptr<IProfSect> section;
    ASSERT_EQ(s->OpenProfileSection(&uid, nullptr, MAPI_MODIFY, section.out()), S_OK);

    const BYTE other[16] = {0xAA};
    SPropValue values[] = {uidProp(other, 5), longProp(PROP_TAG(PT_LONG, PROP_ID(PR_SERVICE_UID)), 7),
                           uidProp(other, 16), stringProp(PR_DISPLAY_NAME, "Kept under its key")};
    SPropProblemArray* problems = nullptr;
    ASSERT_EQ(section->SetProps(4, values, &problems), S_OK);
    ASSERT_NE(problems, nullptr);
    ASSERT_EQ(problems->cProblem, 3u);
    EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_MISSING_REQUIRED_COLUMN);
    EXPECT_EQ(problems->aProblem[1].scode, MAPI_E_MISSING_REQUIRED_COLUMN);
    EXPECT_EQ(problems->aProblem[2].ulIndex, 2u);
    EXPECT_EQ(problems->aProblem[2].scode, E_ACCESSDENIED);
    PDXFreeBuffer(problems);
    SPropTagArray uidTag{1, {PR_SERVICE_UID}};
    ASSERT_EQ(section->DeleteProps(&uidTag, &problems), S_OK);
    ASSERT_NE(problems, nullptr);
    EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_NOT_FOUND);
    PDXFreeBuffer(problems);
    ASSERT_EQ(section->SaveChanges(0), S_OK);

    EXPECT_EQ(subkeysOf(profileKey("P")), keys);
    EXPECT_FALSE(hasValues(profileKey("P")));
    RowStore after = stored("P");
    const PropList* row = after.findRow(uidProp(uid.ab, 16));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(stringOf(*row, PR_DISPLAY_NAME), "Kept under its key");

    // Configuring without a dialog: the service's own UID may come along, no other.
    SPropValue damaged[] = {uidProp(other, 0)};
    EXPECT_EQ(s->ConfigureService(&uid, 0, 0, 1, damaged), MAPI_E_MISSING_REQUIRED_COLUMN);
    SPropValue foreign[] = {stringProp(PR_DISPLAY_NAME, "Moved"), uidProp(other, 16)};
    EXPECT_EQ(s->ConfigureService(&uid, 0, 0, 2, foreign), E_ACCESSDENIED);
    SPropValue same[] = {stringProp(PR_DISPLAY_NAME, "Same key"), uidProp(uid.ab, 16)};
    EXPECT_EQ(s->ConfigureService(&uid, 0, 0, 2, same), S_OK);
    EXPECT_EQ(subkeysOf(profileKey("P")), keys);
    after = stored("P");
    EXPECT_EQ(stringOf(*after.findRow(uidProp(uid.ab, 16)), PR_DISPLAY_NAME), "Same key");
}

namespace {

// Sets the system code page for one test.
struct CodePage {
    explicit CodePage(const char* name) { setenv("VELMO_CODEPAGE", name, 1); }
    ~CodePage() { unsetenv("VELMO_CODEPAGE"); }
};

std::string big5(const char* utf8) { return platform::convertCodePage(utf8, "UTF-8", "CP950", '?'); }

} // namespace

TEST_F(Profiles, InfTextsAreStoredInTheSystemCodePage) {
    CodePage cp950("CP950");
    velmo::test::writeFile(dir_ + "/big5.inf",
                           "[Services]\n傳真=傳真通訊錄\n[Default Services]\n傳真=傳真通訊錄\n"
                           "[傳真]\nPR_DISPLAY_NAME=我的傳真\nPR_SERVICE_DLL_NAME=pdxtestsp.dll\n"
                           "PR_SERVICE_ENTRY_NAME=TestServiceEntry\nPR_SERVICE_SUPPORT_FILES=pdxtestsp.dll,說明.txt\n");
    setServiceInfPath(dir_ + "/big5.inf");
    ASSERT_NE(big5("傳真"), "傳真");

    ASSERT_EQ(admin_->CreateProfile("P", 0, MAPI_DEFAULT_SERVICES), S_OK);
    RowStore rows = stored("P");
    ASSERT_EQ(rows.size(), 1u);
    const PropList& row = rows.rows()[0];
    EXPECT_EQ(stringOf(row, PR_SERVICE_NAME), big5("傳真"));
    EXPECT_EQ(stringOf(row, PR_PROVIDER_DISPLAY), big5("傳真通訊錄"));
    EXPECT_EQ(stringOf(row, PR_DISPLAY_NAME), big5("我的傳真"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(row.find(PR_INSTANCE_KEY)->data())), big5("傳真"));
    Buffer<SPropValue> files;
    ASSERT_EQ(allocRoot(sizeof(SPropValue), files.out()), S_OK);
    ASSERT_NE(row.find(PR_SERVICE_SUPPORT_FILES), nullptr);
    ASSERT_EQ(copyNodeOut(*row.find(PR_SERVICE_SUPPORT_FILES), *files, files.get()), S_OK);
    ASSERT_EQ(files->Value.MVszA.cValues, 2u);
    EXPECT_EQ(std::string(files->Value.MVszA.lppszA[1]), big5("說明.txt"));

    // Callers name the service as their own text is written: in the system code page.
    ASSERT_EQ(admin_->CreateProfile("Q", 0, 0), S_OK);
    EXPECT_EQ(services("Q")->CreateService(big5("傳真").c_str(), "", 0, 0, 0), S_OK);
    EXPECT_EQ(services("Q")->CreateService("傳真", "", 0, 0, 0), MAPI_E_NOT_FOUND);
}
