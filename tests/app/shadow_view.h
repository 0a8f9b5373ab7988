#pragma once
// A list view stand-in for model tests: it keeps the entries it was told
// about, as the window's list does, so a test can check that the view never
// holds an entry the document has already let go of.

#include "model/document.h"
#include "model/document_view.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace lisotrex::test {

class ShadowView : public DocumentView {
public:
    explicit ShadowView(CLisotrexDoc& doc) : doc_(doc) {
        rows.reserve(1024); // so following the document allocates nothing
        doc_.setView(this);
        rebuilt();
    }
    ~ShadowView() override { doc_.setView(nullptr); }

    std::vector<const CAddrUserDataObj*> rows;

    void rowsAdded(size_t first, size_t count) override {
        for (size_t p = first; p < first + count; ++p) {
            ASSERT_LT(p, doc_.count());
            rows.push_back(&doc_.entry(p));
        }
    }
    void rowsRemoved(const std::vector<size_t>&) override { keepOnlyHeld(); }
    void rowsChanged(const std::vector<size_t>& positions) override {
        for (size_t p : positions) EXPECT_LT(p, doc_.count());
    }
    void rebuilt() override {
        rows.clear();
        for (size_t i = 0; i < doc_.count(); ++i) rows.push_back(&doc_.entry(i));
    }

    // Every row's entry is one the document holds now.
    bool showsOnlyHeldEntries() const {
        return std::all_of(rows.begin(), rows.end(), [this](const CAddrUserDataObj* e) { return holds(e); });
    }
    // The rows are exactly the document's entries.
    bool inStep() const { return rows.size() == doc_.count() && showsOnlyHeldEntries(); }

private:
    bool holds(const CAddrUserDataObj* e) const {
        return std::any_of(doc_.m_list.begin(), doc_.m_list.end(), [e](const auto& p) { return p.get() == e; });
    }
    void keepOnlyHeld() { std::erase_if(rows, [this](const CAddrUserDataObj* e) { return !holds(e); }); }

    CLisotrexDoc& doc_;
};

} // namespace lisotrex::test
