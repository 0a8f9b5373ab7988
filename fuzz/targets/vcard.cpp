// vCard reader and writer: any bytes read back to themselves, every card
// maps to properties, and an edited card reads back with the edit.

#include <cstdint>
#include <string>

#include "../support/fuzz_support.h"

#include "card_mapping.h"
#include "pdx/tags.h"
#include "vcard/vcard_document.h"
#include "vcard/vcard_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    wab32::vcard::Document doc = wab32::vcard::parse(bytes);
    FUZZ_CHECK(doc.text() == bytes, "the file does not read back to its bytes");
    for (wab32::vcard::Segment& s : doc.segments) {
        if (!s.isCard || !s.card.complete) continue;
        pdx::common::PropArray props;
        wab32::CardFacts facts;
        wab32::readCard(s.card, props, facts);
        pdx::common::PropArray edit;
        edit.setString(pdx::PR_DISPLAY_NAME, "Fuzz; name, with\nbreaks");
        edit.setString(0x3A24001E, "+1 555 0100");
        wab32::writeProps(s.card, edit, {0x3A11001E});
        const std::string edited = s.card.text();
        const wab32::vcard::Document again = wab32::vcard::parse(edited);
        FUZZ_CHECK(!again.segments.empty() && again.segments.back().isCard,
                   "an edited card is no card: " + velmo::fuzz::escaped(edited));
        pdx::common::PropArray read;
        wab32::CardFacts f2;
        wab32::readCard(again.segments.back().card, read, f2);
        FUZZ_CHECK(read.string(pdx::PR_DISPLAY_NAME) == "Fuzz; name, with\nbreaks",
                   "the edited name came back as " + velmo::fuzz::escaped(read.string(pdx::PR_DISPLAY_NAME)) +
                       " from " + velmo::fuzz::escaped(edited));
    }
    return 0;
}
