#pragma once
// Memory running out at every point of an operation in turn: the test
// program replaces operator new (support/failing_allocator.cpp), and these
// helpers run an operation once per allocation it makes, that allocation
// failing with std::bad_alloc.

#include "failing_allocator.h"
#include "recording_prompter.h"

#include <gtest/gtest.h>
#include <new>

namespace lisotrex::test {

struct Outcome {
    bool threw = false;
    bool result = false;
    bool failed = false; // the armed allocation failure happened
};

// Runs op with its k-th allocation failing, k = 0, 1, ..., until a run needs
// no more allocations than that; check looks at every run.
template <class Setup, class Op, class Check>
void atEveryAllocation(Setup setup, Op op, Check check) {
    for (long k = 0;; ++k) {
        setup();
        Outcome o;
        {
            velmo::test::FailAllocationAfter fail(k);
            try {
                o.result = op();
            } catch (const std::bad_alloc&) {
                o.threw = true;
            }
            o.failed = velmo::test::allocationFailed();
        }
        check(o);
        if (!o.failed || ::testing::Test::HasFatalFailure()) break;
        ASSERT_LT(k, 200000) << "no end of allocations";
    }
}

// Records without ever failing itself: the failures belong to the code under test.
class SteadyPrompter : public RecordingPrompter {
public:
    void message(int id, Icon icon, const std::vector<std::string>& a) override {
        velmo::test::AllocationsAllowed steady;
        RecordingPrompter::message(id, icon, a);
    }
    Answer ask(int id, Buttons b, Icon icon, const std::vector<std::string>& a) override {
        velmo::test::AllocationsAllowed steady;
        return RecordingPrompter::ask(id, b, icon, a);
    }
    bool editEntry(CAddrUserDataObj& w, EntryDialogMode m, int32_t t, int32_t max) override {
        velmo::test::AllocationsAllowed steady;
        return RecordingPrompter::editEntry(w, m, t, max);
    }
};

} // namespace lisotrex::test
