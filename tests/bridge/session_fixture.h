#pragma once
// A session on a profile of the test installation, opened directly through
// vqcore, and a selection over it.

#include <gtest/gtest.h>

#include "bridge_world.h"
#include "sample_book.h"
#include "selection/recipient_selection.h"
#include "test_environment.h"

namespace bridgetest {

class SessionTest : public testing::Test {
protected:
    Core core;
    pdx::IAddrBook* book = nullptr;
    pdx::IPDXSession* session = nullptr;

    void openBook(const char* text = kSampleBook) {
        velmo::test::freshRegistry();
        useBook(text);
        ASSERT_TRUE(core.load());
        ASSERT_EQ(core.createProfile("Test", {"WAB"}), 0);
        ASSERT_EQ(core.open(0, "Test", 0, 0, 0, 0, &book, &session), 0);
    }
    void TearDown() override {
        if (book) book->Release();
        if (session) session->Release();
    }
    vqbridge::PdxAccess access() const {
        vqbridge::CoreApi api{core.open,         core.adminProfiles, core.allocateBuffer,
                              core.allocateMore, core.freeBuffer,    core.freeProws};
        return vqbridge::PdxAccess{book, session, api};
    }
    static vqbridge::SelectionLabels labels() {
        return vqbridge::SelectionLabels::read(installFolder() + "Lisotrex.inf");
    }
    vqbridge::RecipientSelection selection(uint32_t capacity = 9999, std::vector<vqbridge::Recipient> pre = {}) {
        return vqbridge::RecipientSelection(access(), labels(), capacity, std::move(pre));
    }
    // The selection showing the container at `path`.
    vqbridge::RecipientSelection showing(const char* path, uint32_t capacity = 9999) {
        vqbridge::RecipientSelection s = selection(capacity);
        s.loadContainers();
        const int node = vqbridge::nodeOfPath(s.containers(), path);
        EXPECT_GE(node, 0) << path;
        s.showContainer(node);
        return s;
    }
};

} // namespace bridgetest
