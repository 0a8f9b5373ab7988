// The private clipboard block "CF_PRIVATE_VARNISTEL", as Edit > Paste reads
// it. Pasted entries must take the lowest free one-touch numbers in turn
// (0 once the maximum is reached), copying them all and pasting into another
// book of the same kind must give the same entries, and undo must empty the
// book again.
//
// Input: one option byte (bit 0 one-touch book, bits 1-3 a small one-touch
// maximum or 200), then the block.

#include "../support/import_harness.h"

#include "files/entry_record.h"

using namespace lisotrex;
using namespace velmo::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t options = in.byte();
    const int32_t kind = options & 1 ? kOneTouchBook : kPlainBook;
    const int32_t maxOneTouch = (options >> 1) & 7 ? (options >> 1) & 7 : 200;

    FuzzPrompter ui;
    Preferences prefs;
    prefs.env.oneTouchNumber = maxOneTouch;
    MemoryClipboard clip;
    clip.put(std::string(in.rest()));
    CLisotrexDoc doc(ui, prefs, clip);
    doc.m_nBookType = kind;
    const bool pasted = doc.pasteEntries();
    FUZZ_CHECK(ui.busy == 0, "the wait cursor stayed up");
    FUZZ_CHECK(ui.shown.empty() || doc.count() == kMaxEntries, "a paste into an empty book asked or said something");
    checkBook(doc, true);
    FUZZ_CHECK(pasted == (doc.count() > 0), "paste reported the wrong outcome");
    for (size_t i = 0; i < doc.count(); ++i) {
        const CAddrUserDataObj& e = doc.entry(i);
        const int32_t expected = kind == kOneTouchBook && i < static_cast<size_t>(maxOneTouch) ? int32_t(i + 1) : 0;
        FUZZ_CHECK(e.m_nOneTouch == expected, "entry " + std::to_string(i) + " got one-touch number " +
                                                  std::to_string(e.m_nOneTouch) + ", not " + std::to_string(expected));
        FUZZ_CHECK(e.m_bUpdated && e.m_bChecked, "a pasted entry is not marked or not checked");
        FUZZ_CHECK(!e.m_szReading[0], "a pasted entry kept a reading");
    }
    if (!pasted) return 0;

    std::vector<size_t> all(doc.count());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    FUZZ_CHECK(doc.copyEntries(all), "copy of every entry failed");
    MemoryClipboard second;
    second.put(*clip.get());
    FuzzPrompter ui2;
    CLisotrexDoc other(ui2, prefs, second);
    other.m_nBookType = kind;
    FUZZ_CHECK(other.pasteEntries(), "the copied entries did not paste");
    FUZZ_CHECK(storedForms(other) == storedForms(doc), "copy and paste changed the entries");

    ui.answer = Answer::Yes;
    FUZZ_CHECK(doc.undo() && doc.count() == 0, "undo of the paste left entries");
    return 0;
}
