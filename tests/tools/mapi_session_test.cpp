// One PDX session over the directory provider, held open while the LDAP
// server goes away and comes back: the profiles are made with the built
// tools, the session is opened in this process through vqcore, vqmapisp and
// mapi32, so the same provider objects see the server stop.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "pdx/pdx.h"
#include "platform/codepage.h"
#include "platform/registry.h"
#include "slapd_server.h"
#include "test_environment.h"

extern "C" pdx::HRESULT PDXOpen(pdx::ULONG_PTR ulUIParam, const char* profileName, pdx::ULONG flags,
                                pdx::ULONG reserved1, pdx::ULONG reserved2, pdx::ULONG reserved3,
                                pdx::IAddrBook** addrBook, pdx::IPDXSession** session);
extern "C" pdx::HRESULT PDXFreeProws(pdx::SRowSet* rows);

using namespace pdx;
using velmo::test::binPath;
using velmo::test::runCommand;
using velmo::test::shellQuote;
using velmo::test::SlapdServer;

namespace {

using Id = std::vector<uint8_t>;

struct Read {
    HRESULT status = S_OK;
    std::vector<std::string> names;
    double seconds = 0;
};

// The display names of every row of a table, read in batches.
HRESULT readNames(IMAPITable* table, std::vector<std::string>& names, std::vector<Id>* ids = nullptr) {
    struct { ULONG c; ULONG t[2]; } cols = {2, {PR_DISPLAY_NAME, PR_ENTRYID}};
    HRESULT h = table->SetColumns(reinterpret_cast<SPropTagArray*>(&cols), 0);
    while (SUCCEEDED(h)) {
        rowset_ptr rows(&PDXFreeProws);
        h = table->QueryRows(50, 0, rows.out());
        if (FAILED(h) || rows->cRows == 0) break;
        for (ULONG i = 0; i < rows->cRows; ++i) {
            const SPropValue* v = rows->aRow[i].lpProps;
            names.push_back(v[0].ulPropTag == PR_DISPLAY_NAME ? platform::systemToUtf8(v[0].Value.lpszA) : "");
            if (ids && v[1].ulPropTag == PR_ENTRYID)
                ids->emplace_back(v[1].Value.bin.lpb, v[1].Value.bin.lpb + v[1].Value.bin.cb);
        }
    }
    return h;
}

class MapiSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!velmo::test::haveSlapd()) GTEST_SKIP() << "slapd is not installed (scripts/setup.sh installs it)";
        platform::closeRegistry();
        velmo::test::freshRegistry();
    }
    void TearDown() override {
        book_.reset();
        session_.reset();
        platform::closeRegistry();
    }
    static void tool(const std::string& command) {
        std::string out, err;
        ASSERT_EQ(runCommand(command, &out, &err), 0) << command << "\n" << err;
    }
    // Opens the container and reads its people, timing the whole read.
    Read contents(Id id) {
        Read r;
        const auto start = std::chrono::steady_clock::now();
        ULONG type = 0;
        object_ptr<IUnknown> container;
        r.status = book_->OpenEntry(ULONG(id.size()), reinterpret_cast<ENTRYID*>(id.data()), nullptr, 0, &type,
                                    container.out());
        object_ptr<IMAPITable> table;
        if (SUCCEEDED(r.status))
            r.status = reinterpret_cast<IMAPIContainer*>(container.get())->GetContentsTable(0, table.out());
        if (SUCCEEDED(r.status)) r.status = readNames(table.get(), r.names);
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return r;
    }

    object_ptr<IPDXSession> session_;
    object_ptr<IAddrBook> book_;
};

} // namespace

TEST_F(MapiSessionTest, TheDirectoryStoppedMidSessionFailsItsReadsOnlyUntilItIsBack) {
    SlapdServer server(velmo::test::readFile(std::string(VELMO_SOURCE_DIR) + "/tests/data/ldap/directory.ldif"));
    ASSERT_TRUE(server.running()) << server.error();
    const std::string cards = velmo::test::makeTempDir("cards") + "/suppliers.vcf";
    velmo::test::writeFile(cards, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Paper Supplies\r\nEND:VCARD\r\n");
    tool(binPath("velmo-mapi") + " create Company");
    tool(binPath("velmo-mapi") + " add-ldap Company Staff " + server.uri() + " dc=example,dc=org");
    tool(binPath("velmo-mapi") + " add-vcard Company Suppliers " + shellQuote(cards));
    tool(binPath("pdxadmin") + " create Faxing");
    tool(binPath("pdxadmin") + " add-service Faxing MAPI_ABS");
    std::string services;
    ASSERT_EQ(runCommand(binPath("pdxadmin") + " services Faxing", &services), 0);
    tool(binPath("pdxadmin") + " configure Faxing " + services.substr(0, services.find('\t')) +
         " 3001001E=Company 6600001E=Company");
    platform::closeRegistry();

    ASSERT_EQ(PDXOpen(0, "Faxing", 0, 0, 0, 0, book_.out(), session_.out()), S_OK);
    ULONG type = 0;
    object_ptr<IUnknown> root;
    ASSERT_EQ(book_->OpenEntry(0, nullptr, nullptr, 0, &type, root.out()), S_OK);
    object_ptr<IMAPITable> hierarchy;
    ASSERT_EQ(reinterpret_cast<IABContainer*>(root.get())->GetHierarchyTable(CONVENIENT_DEPTH, hierarchy.out()), S_OK);
    std::vector<std::string> containers;
    std::vector<Id> ids;
    ASSERT_EQ(readNames(hierarchy.get(), containers, &ids), S_OK);
    ASSERT_EQ(containers, (std::vector<std::string>{"Company", "Staff", "Suppliers"}));
    const Id staff = ids[1], suppliers = ids[2];

    Read before = contents(staff);
    ASSERT_EQ(before.status, S_OK);
    EXPECT_EQ(before.names.size(), 6u);

    server.stop();
    const Read down = contents(staff);
    EXPECT_EQ(down.status, MAPI_E_NETWORK_ERROR);
    EXPECT_TRUE(down.names.empty());
    EXPECT_LT(down.seconds, 5.5) << "a refused connection does not wait for the timeout";
    const Read other = contents(suppliers);
    EXPECT_EQ(other.status, S_OK) << "the other service of the session still reads";
    EXPECT_EQ(other.names, (std::vector<std::string>{"Paper Supplies"}));

    ASSERT_TRUE(server.restart()) << server.error();
    const Read after = contents(staff);
    EXPECT_EQ(after.status, S_OK);
    EXPECT_EQ(after.names, before.names);
}
