// The REGEDIT4 reader of velmo-reg, on an empty registry. A file that is
// refused must leave the registry as it was; a file that is taken must
// export to a text that imports into an empty registry and exports again to
// the same text.

#include "../support/fuzz_support.h"

#include "platform/registry.h"
#include "reg_text.h"

#include <cstdlib>

using namespace velmo::fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sandbox();
    // Names and texts cross the tool as UTF-8, whatever the system code page.
    setenv("VELMO_CODEPAGE", "UTF-8", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    freshMemoryRegistry();
    std::string empty, error;
    FUZZ_CHECK(velmoreg::exportTree("", empty, error), "exporting an empty registry failed: " + error);

    const bool taken = velmoreg::importText(text, error);
    std::string first;
    FUZZ_CHECK(velmoreg::exportTree("", first, error), "export after an import failed: " + error);
    if (!taken) {
        FUZZ_CHECK(!error.empty(), "a refused file gave no reason");
        FUZZ_CHECK(first == empty, "a refused file changed the registry: " + escaped(first));
        return 0;
    }

    freshMemoryRegistry();
    FUZZ_CHECK(velmoreg::importText(first, error), "an exported registry does not import: " + error + "\n" + escaped(first));
    std::string second;
    FUZZ_CHECK(velmoreg::exportTree("", second, error), "second export failed: " + error);
    FUZZ_CHECK(second == first, "export, import, export changed the text:\n" + escaped(first) + "\n" + escaped(second));
    return 0;
}
