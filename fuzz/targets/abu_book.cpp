// The native book file (.abu), as File > Open reads it and as an import
// source. A book that opens must save and reopen to the same entries, saving
// twice must write the same bytes, and a book that does not open must leave
// an empty book after one message.

#include "../support/import_harness.h"

#include "files/file_messages.h"

using namespace lisotrex;
using namespace velmo::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = writeFile("in.abu", bytes);

    FuzzPrompter ui;
    Preferences prefs;
    MemoryClipboard clip;
    CLisotrexDoc doc(ui, prefs, clip);
    const bool opened = doc.openBook(path);
    FUZZ_CHECK(ui.busy == 0, "the wait cursor stayed up");
    checkBook(doc, false);
    if (!opened) {
        FUZZ_CHECK(ui.shown == std::vector<int>{ids::IDS_FORMAT_ERROR}, "a failed open showed other messages");
        FUZZ_CHECK(doc.count() == 0 && doc.path().empty() && !doc.heldFile().isOpen(),
                   "a failed open left entries or a file");
    } else {
        FUZZ_CHECK(ui.shown.empty(), "an open that worked showed a message");
        FUZZ_CHECK(!doc.isModified(), "an opened book counts as modified");
        checkSavedBookReopens(doc, prefs);
        const std::string again = sandbox() + "/again.abu";
        FUZZ_CHECK(doc.saveBook(again), "second save failed");
        const std::string first = readFile(again);
        FUZZ_CHECK(doc.saveBook(again), "third save failed");
        FUZZ_CHECK(readFile(again) == first, "saving the same book twice wrote different bytes");
    }
    doc.closeBook();

    // The same file imported into a book with entries, with options taken
    // from its length so that the corpus reaches every mode over time.
    const uint8_t options[4] = {static_cast<uint8_t>(0x32 | ((size & 3) << 2) | (size & 1) | (size & 0x40) | (size & 0x80)),
                                static_cast<uint8_t>(size >> 2), static_cast<uint8_t>(size >> 4), 0};
    runImportFile(kSourceNativeBook, options, bytes, [](Preferences&, uint8_t) {});
    return 0;
}
