#pragma once
// The component's select-names dialog, as data: what IAddrBook::Address
// shows (the container's entries, the destination wells with what the caller
// already put in them) and what the user chose. Texts as UTF-8. Tests put a
// scripted picker in the dialog's place when they do not drive the widget.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "contact_dialog.h"
#include "pdx/types.h"

namespace wab32 {

struct AddressCandidate {
    std::string name, email;
    bool list = false;
};

// One item in a well: an entry of the container, or an entry of the
// caller's list (a one-off or another provider's recipient).
struct WellItem {
    enum class Source { Candidate, Given } source = Source::Candidate;
    size_t index = 0; // into the candidates or the caller's list
    std::string label;
};

struct AddressWell {
    std::string title;
    pdx::ULONG recipientType = 0;
    std::vector<WellItem> items;
};

struct AddressRequest {
    std::string caption;
    std::string wellsTitle; // above the wells; may be empty
    std::vector<AddressCandidate> candidates;
    // None: the dialog only browses, or picks one entry (`pickOne`).
    std::vector<AddressWell> wells;
    size_t focus = 0; // the well double-clicked entries go to
    bool pickOne = false;
};

// What came back: the wells as the user left them, or the one entry picked.
struct AddressChoice {
    std::vector<AddressWell> wells;
    std::optional<size_t> picked;
};

using AddressPicker = std::function<DialogResult(uintptr_t parent, const AddressRequest&, AddressChoice&)>;

// A picker used instead of the dialog; empty restores the dialog.
void setAddressPicker(AddressPicker picker);
// The dialog, when the process has a QApplication; Unavailable otherwise.
DialogResult pickAddresses(uintptr_t parent, const AddressRequest& request, AddressChoice& choice);

} // namespace wab32
