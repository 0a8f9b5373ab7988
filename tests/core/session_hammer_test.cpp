// Sessions used from several threads at once: reference counting, routed
// opens and table reads, and the end of the session while calls are running.

#include <atomic>
#include <thread>

#include "session_fixture.h"

using namespace pdx;
using namespace sessiontest;

namespace {

class SessionThreads : public SessionTest {};

// Opens the container and reads its whole contents table; the row count, or -1.
int readContainer(IAddrBook* book, Id id) {
    ULONG type = 0;
    object_ptr<IUnknown> opened;
    if (book->OpenEntry(cb(id), eid(id), nullptr, 0, &type, opened.out()) != S_OK) return -1;
    object_ptr<IMAPITable> table;
    if (reinterpret_cast<IMAPIContainer*>(opened.get())->GetContentsTable(0, table.out()) != S_OK) return -1;
    SPropTagArray cols{1, {PR_DISPLAY_NAME}};
    table->SetColumns(&cols, 0);
    int rows = 0;
    for (;;) {
        core::RowSet set;
        if (table->QueryRows(2, 0, set.out()) != S_OK) return -1;
        if (set->cRows == 0) return rows;
        rows += int(set->cRows);
    }
}

TEST_F(SessionThreads, ReferencesOpensAndReadsFromManyThreads) {
    makeProfile();
    addProvider("Main", "TESTA", coretest::standardFixture(kUid1, kUid2));
    open();
    Id customers = idOf(hierarchy(book_.get()), "Customers");
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 150; ++i) {
                session_->AddRef();
                book_->AddRef();
                object_ptr<IAddrBook> again;
                if (session_->OpenAddressBook(0, again.out()) != S_OK) ++failures;
                if (readContainer(again.get(), customers) != 4) ++failures;
                if (i % 10 == 0 && hierarchy(book_.get()).size() != 4) ++failures;
                book_->Release();
                session_->Release();
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(session_->AddRef(), 2u);
    EXPECT_EQ(session_->Release(), 1u);
}

// Calls that reach the provider only inside the address book (objects the
// caller is given must be released before the session ends).
TEST_F(SessionThreads, EndingTheSessionWaitsForRunningCallsAndTurnsLaterOnesAway) {
    makeProfile();
    addProvider("Main", "TESTA", coretest::standardFixture(kUid1, kUid2));
    open();
    Id customers = idOf(hierarchy(book_.get()), "Customers");
    object_ptr<IAddrBook> kept = book_;
    std::atomic<int> ended{0}, wrong{0}, started{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&] {
            ++started;
            for (;;) {
                ULONG n = 0;
                ENTRYID* id = nullptr;
                const HRESULT h = kept->GetDefaultDir(&n, &id);
                if (h == MAPI_E_END_OF_SESSION) {
                    ++ended;
                    return;
                }
                core::Buffer<ENTRYID> holder(id);
                if (h != S_OK || Id(reinterpret_cast<uint8_t*>(id), reinterpret_cast<uint8_t*>(id) + n) != customers) {
                    ++wrong;
                    return;
                }
            }
        });
    while (started < 3) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    close(); // unloads the provider while the threads keep calling
    for (auto& t : threads) t.join();
    EXPECT_EQ(ended.load(), 3);
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
