// PDX objects used from several threads at once: reference counting, table
// reads, the PDX allocator and profile administration. Run under
// ThreadSanitizer by `make tsan`; the checks also catch lost updates and
// freed objects under the ordinary build.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "allocator.h"
#include "core_test_util.h"
#include "pdx/pdx.h"
#include "profile_store.h"
#include "service_inf.h"
#include "table.h"
#include "test_environment.h"

using namespace pdx;
using namespace pdx::core;

extern "C" HRESULT PDXAdminProfiles(ULONG flags, IPDXProfAdmin** out);

namespace {

constexpr int kThreads = 6;

// Runs body(thread index) on kThreads threads that start together.
template <class F>
void onThreads(F body) {
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < kThreads) std::this_thread::yield();
            body(t);
        });
    for (auto& th : threads) th.join();
}

// A table of `rows` rows: PR_DISPLAY_NAME "Row<i>" and PR_RECORD_KEY-like long <i>.
Table* tableOf(int rows) {
    RowStore store;
    for (int i = 0; i < rows; ++i) {
        std::string name = "Row" + std::to_string(i);
        SPropValue values[2] = {coretest::stringProp(PR_DISPLAY_NAME, name.c_str()),
                                coretest::longProp(PR_RESOURCE_FLAGS, i)};
        EXPECT_EQ(store.addRow(values, 2, store.size()), S_OK);
    }
    return Table::create(std::move(store));
}

} // namespace

TEST(Threads, ReferenceCountsSurviveConcurrentAddRefAndRelease) {
    Table* table = tableOf(3);
    object_ptr<IPDXProfAdmin> admin;
    ASSERT_EQ(PDXAdminProfiles(0, admin.out()), S_OK);
    onThreads([&](int) {
        for (int i = 0; i < 2000; ++i) {
            table->AddRef();
            IUnknown* again = nullptr;
            ASSERT_EQ(table->QueryInterface(&IID_IMAPITable, reinterpret_cast<void**>(&again)), S_OK);
            again->Release();
            admin->AddRef();
            table->Release();
            admin->Release();
        }
    });
    // Exactly the first references are left: one more AddRef/Release pair
    // counts 2 then 1.
    EXPECT_EQ(table->AddRef(), 2u);
    EXPECT_EQ(table->Release(), 1u);
    EXPECT_EQ(table->Release(), 0u);
}

TEST(Threads, SharedTableReadsStayWithinTheTable) {
    constexpr int kRows = 40;
    object_ptr<IMAPITable> table(tableOf(kRows));
    onThreads([&](int t) {
        for (int i = 0; i < 300; ++i) {
            LONG sought = 0;
            ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, (t + i) % kRows, &sought), S_OK);
            RowSet rows;
            ASSERT_EQ(table->QueryRows(1 + i % 7, 0, rows.out()), S_OK);
            ASSERT_LE(rows->cRows, 7u);
            for (ULONG r = 0; r < rows->cRows; ++r) {
                // Whatever the other threads did to the cursor, a row is a whole row of the table.
                const SRow& row = rows->aRow[r];
                ASSERT_EQ(row.cValues, 2u);
                ASSERT_EQ(row.lpProps[0].ulPropTag, PR_DISPLAY_NAME);
                ASSERT_EQ(std::string(row.lpProps[0].Value.lpszA), "Row" + std::to_string(row.lpProps[1].Value.l));
            }
            ULONG count = 0, position = 0, numerator = 0, denominator = 0;
            ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
            ASSERT_EQ(count, ULONG(kRows));
            ASSERT_EQ(table->QueryPosition(&position, &numerator, &denominator), S_OK);
            ASSERT_LE(position, ULONG(kRows));
            if (i % 50 == 0) {
                // The column set is replaced while other threads read with it.
                struct { ULONG c; ULONG t[2]; } both = {2, {PR_DISPLAY_NAME, PR_RESOURCE_FLAGS}};
                ASSERT_EQ(table->SetColumns(reinterpret_cast<SPropTagArray*>(&both), 0), S_OK);
                Buffer<SPropTagArray> columns;
                ASSERT_EQ(table->QueryColumns(0, columns.out()), S_OK);
                ASSERT_EQ(columns->cValues, 2u);
            }
        }
    });
}

TEST(Threads, AllocatorChainsAndFreesFromEveryThread) {
    onThreads([&](int t) {
        for (int i = 0; i < 500; ++i) {
            void* root = nullptr;
            ASSERT_EQ(PDXAllocateBuffer(16 + t, &root), S_OK);
            for (int k = 0; k < 4; ++k) {
                void* more = nullptr;
                ASSERT_EQ(PDXAllocateMore(8 * k, root, &more), S_OK);
                // A chained buffer is never a parent, whoever asks.
                void* never = nullptr;
                ASSERT_EQ(PDXAllocateMore(1, more, &never), E_INVALIDARG);
            }
            ASSERT_EQ(PDXFreeBuffer(root), S_OK);
            ASSERT_EQ(PDXFreeBuffer(root), E_INVALIDARG) << "freed twice";
        }
    });
}

class ThreadProfiles : public ::testing::Test {
protected:
    void SetUp() override {
        velmo::test::freshRegistry();
        dir_ = velmo::test::makeTempDir("thread-inf");
        setServiceInfPath(coretest::writeTestInf(dir_));
        unsetenv("PDXTEST_LOG");
        unsetenv("PDXTEST_RESULT");
        unsetenv("PDXTEST_DISPLAY");
        ASSERT_EQ(PDXAdminProfiles(0, admin_.out()), S_OK);
    }
    void TearDown() override {
        admin_.reset();
        setServiceInfPath({});
        platform::closeRegistry();
    }
    // The profile table is one object shared by every caller, cursor and all:
    // with other threads moving the cursor, a reader sees some of its rows,
    // each of them whole.
    void readProfileTable() {
        object_ptr<IMAPITable> table;
        ASSERT_EQ(admin_->GetProfileTable(0, table.out()), S_OK);
        table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
        RowSet rows;
        ASSERT_EQ(table->QueryRows(1000, 0, rows.out()), S_OK);
        for (ULONG i = 0; i < rows->cRows; ++i) {
            ASSERT_EQ(rows->aRow[i].cValues, 2u);
            ASSERT_EQ(rows->aRow[i].lpProps[0].ulPropTag, PR_DISPLAY_NAME);
            ASSERT_EQ(rows->aRow[i].lpProps[0].Value.lpszA[0], 'P');
        }
    }
    // The profiles the registry holds.
    std::set<std::string> storedProfiles() {
        std::set<std::string> names;
        platform::RegKey root;
        std::vector<std::string> keys;
        if (openRoot(false, root) == platform::kRegOk) root.subKeyNames(keys);
        names.insert(keys.begin(), keys.end());
        return names;
    }
    std::string dir_;
    object_ptr<IPDXProfAdmin> admin_;
};

// Every thread creates, fills, copies and deletes its own profiles through one
// shared administration object while the others read the profile table.
TEST_F(ThreadProfiles, ProfileAdministrationFromSeveralThreads) {
    constexpr int kRounds = 6;
    onThreads([&](int t) {
        for (int r = 0; r < kRounds; ++r) {
            const std::string name = "P" + std::to_string(t) + "-" + std::to_string(r);
            ASSERT_EQ(admin_->CreateProfile(name.c_str(), 0, 0), S_OK) << name;
            object_ptr<IPDXServiceAdmin> services;
            ASSERT_EQ(admin_->AdminServices(name.c_str(), 0, services.out()), S_OK);
            ASSERT_EQ(services->CreateService("TESTB", "B", 0, 0, 0), S_OK) << name;
            ASSERT_EQ(services->CreateService("TESTA", "A", 0, 0, 0), S_OK) << name;
            object_ptr<IMAPITable> table;
            ASSERT_EQ(services->GetServiceTable(0, table.out()), S_OK);
            ULONG count = 0;
            ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
            EXPECT_EQ(count, 2u) << name << ": another thread's services leaked in";
            const std::string copy = name + "-copy";
            ASSERT_EQ(admin_->CopyProfile(name.c_str(), copy.c_str(), 0), S_OK);
            if (r % 2) ASSERT_EQ(admin_->SetDefaultProfile(copy.c_str(), 0), S_OK);
            readProfileTable();
            std::set<std::string> stored = storedProfiles();
            EXPECT_TRUE(stored.count(name) && stored.count(copy)) << name << " or its copy is missing";
            ASSERT_EQ(admin_->DeleteProfile(copy.c_str(), 0), S_OK);
            if (r + 1 < kRounds) ASSERT_EQ(admin_->DeleteProfile(name.c_str(), 0), S_OK);
        }
    });
    // What is left: each thread's last profile, with its two services.
    std::set<std::string> left = storedProfiles();
    ASSERT_EQ(left.size(), size_t(kThreads));
    for (int t = 0; t < kThreads; ++t) {
        const std::string name = "P" + std::to_string(t) + "-" + std::to_string(kRounds - 1);
        ASSERT_TRUE(left.count(name)) << name;
        object_ptr<IPDXServiceAdmin> services;
        ASSERT_EQ(admin_->AdminServices(name.c_str(), 0, services.out()), S_OK);
        object_ptr<IMAPITable> table;
        ASSERT_EQ(services->GetServiceTable(0, table.out()), S_OK);
        ULONG count = 0;
        ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
        EXPECT_EQ(count, 2u) << name;
    }
}

// Sessions, OpenEntry and contents tables from several threads are hammered by
// session_hammer_test.cpp, which `make tsan` runs with these.
